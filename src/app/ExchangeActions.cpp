#include "ExchangeActions.h"

#include "AdifExport.h"
#include "AdifImport.h"
#include "BandPlan.h"
#include "Clock.h"
#include "EdiDialog.h"
#include "LogDatabase.h"
#include "LogRows.h"
#include "Messages.h"

#include <QDir>
#include <QFileDialog>
#include <QProgressDialog>

#include <memory>

namespace mivra {

namespace {

QString chooseWithDialog(QWidget* parent, const QString& caption, const QString& path, const QString& filter, bool save)
{
    return save ? QFileDialog::getSaveFileName(parent, caption, path, filter)
                : QFileDialog::getOpenFileName(parent, caption, path, filter);
}

bool askWithDialog(QWidget* parent, EdiOptions* options)
{
    EdiDialog dialog(*options, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *options = dialog.options();
    return true;
}

// A progress dialog that shows itself only when a run takes longer than a moment.
class RunProgress {
public:
    RunProgress(QWidget* parent, const QString& label)
        : m_dialog(label, QString(), 0, 100, parent)
    {
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setCancelButton(nullptr);
        m_dialog.setMinimumDuration(400);
        m_dialog.setValue(0);
    }
    Progress callback()
    {
        return [this](qint64 done, qint64 total) {
            m_dialog.setMaximum(int(std::min<qint64>(total, INT_MAX)));
            m_dialog.setValue(int(std::min<qint64>(done, INT_MAX)));
        };
    }

private:
    QProgressDialog m_dialog;
};

} // namespace

ExchangeActions::ExchangeActions(AppContext& context, QWidget* window, std::function<LogSelection()> rowsInView,
                                 std::function<OwnStation()> ownStation, std::function<void()> reload)
    : QObject(window)
    , m_ctx(context)
    , m_window(window)
    , m_rowsInView(std::move(rowsInView))
    , m_ownStation(std::move(ownStation))
    , m_reload(std::move(reload))
    , m_chooseFile(chooseWithDialog)
    , m_askEdi(askWithDialog)
{
}

void ExchangeActions::exportAdif()
{
    const QString file = m_chooseFile(m_window, QStringLiteral("Export ADIF"), QDir(m_ctx.dataFolder).filePath(QStringLiteral("mivra.adi")),
                                      QStringLiteral("ADIF files (*.adi);;All files (*)"), true);
    if (file.isEmpty())
        return;
    AdifExportResult result;
    {
        RunProgress progress(m_window, QStringLiteral("Writing %1").arg(QDir::toNativeSeparators(file)));
        result = mivra::exportAdif(m_ctx.log, m_rowsInView(), m_ownStation(), file, m_ctx.clock.nowUtc(), progress.callback());
    }
    if (!result.ok) {
        m_ctx.messages.inform(m_window, result.error);
        return;
    }
    QString text = QStringLiteral("Exported %1 contacts to %2.").arg(result.written).arg(QDir::toNativeSeparators(file));
    if (!result.leftOut.isEmpty())
        text += QStringLiteral("\nLeft out %1 without a readable date or time:\n").arg(result.leftOut.size())
                + QStringList(result.leftOut.mid(0, 10)).join(u'\n');
    m_ctx.messages.inform(m_window, text);
}

void ExchangeActions::importAdif()
{
    const QString file = m_chooseFile(m_window, QStringLiteral("Import ADIF"), m_ctx.dataFolder,
                                      QStringLiteral("ADIF files (*.adi *.adif *.ADI);;All files (*)"), false);
    if (file.isEmpty())
        return;
    AdifImportResult result;
    {
        RunProgress progress(m_window, QStringLiteral("Reading %1").arg(QDir::toNativeSeparators(file)));
        result = importAdifFile(m_ctx.log, file, m_ownStation(), progress.callback());
    }
    if (!result.ok) {
        m_ctx.messages.inform(m_window, result.error);
        return;
    }
    m_reload();
    m_ctx.messages.inform(m_window, result.summary());
}

void ExchangeActions::exportEdi()
{
    const LogSelection view = m_rowsInView();
    if (view.bandPattern.isEmpty()) {
        m_ctx.messages.inform(m_window, QStringLiteral("Please select Band"));
        return;
    }
    EdiOptions options;
    options.bandValue = bandValue(view.bandPattern);
    options.own = m_ownStation();
    QString stationError;
    if (!readEdiStation(QDir(m_ctx.dataFolder).filePath(kEdiStationFileName), &options.station, &stationError))
        m_ctx.messages.inform(m_window, stationError);
    options.operators = options.station.value(QStringLiteral("MOpe1"));
    if (options.operators.isEmpty())
        options.operators = options.own.callsign;
    if (ediBandText(options.bandValue).isEmpty()) {
        m_ctx.messages.inform(m_window, QStringLiteral("EDI logs are for the bands from 50 MHz up."));
        return;
    }
    // The span defaults to the rows in view.
    std::vector<LogRow> rows;
    QString error;
    readLogRows(m_ctx.log, view, &rows, &error);
    QDateTime first;
    QDateTime last;
    for (const LogRow& row : rows) {
        if (!row.time.isValid())
            continue;
        if (!first.isValid() || row.time < first)
            first = row.time;
        if (!last.isValid() || row.time > last)
            last = row.time;
    }
    const QDateTime now = m_ctx.clock.nowUtc();
    options.from = first.isValid() ? first : now.addDays(-1);
    options.to = last.isValid() ? last.addSecs(60) : now;
    if (!m_askEdi(m_window, &options))
        return;
    // The station's details are kept for the next contest, whether or not this export goes ahead.
    if (!writeEdiStation(QDir(m_ctx.dataFolder).filePath(kEdiStationFileName), options.station, &stationError))
        m_ctx.messages.inform(m_window, stationError);
    const QString file = m_chooseFile(m_window, QStringLiteral("Export EDI"),
                                      QDir(m_ctx.dataFolder).filePath(options.bandValue + QStringLiteral(".edi")),
                                      QStringLiteral("EDI files (*.edi);;All files (*)"), true);
    if (file.isEmpty())
        return;
    const EdiExportResult result = mivra::exportEdi(m_ctx.log, options, file);
    if (!result.ok) {
        m_ctx.messages.inform(m_window, result.error);
        return;
    }
    m_ctx.messages.inform(m_window, QStringLiteral("Exported %1 contacts to %2.").arg(result.written).arg(QDir::toNativeSeparators(file)));
}

} // namespace mivra
