#include "ExchangeActions.h"

#include "AdifExport.h"
#include "AdifImport.h"
#include "BackgroundBackups.h"
#include "BackgroundWork.h"
#include "BandPlan.h"
#include "Clock.h"
#include "ConfirmationImport.h"
#include "ContestSettings.h"
#include "EdiDialog.h"
#include "EdiStation.h"
#include "FileChooser.h"
#include "StationProfiles.h"
#include "LogDatabase.h"
#include "LogRows.h"
#include "Messages.h"
#include "WorkerThread.h"
#include "WriteTarget.h"

#include <QDir>
#include <QPointer>
#include <QProgressDialog>

#include <memory>

namespace mivra {

namespace {

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
    , m_chooseFile(chooseFile)
    , m_askEdi(askWithDialog)
    , m_importer(new WorkerThread(QStringLiteral("import"), &context.work, this))
{
}

ExchangeActions::~ExchangeActions()
{
    // An import still under way ends before anything it reports to goes.
    delete m_importer;
}

bool ExchangeActions::isImporting() const
{
    return m_importing;
}

bool ExchangeActions::writableTarget(const QString& file)
{
    QString error;
    if (WriteTarget(m_ctx.log.path(), m_ctx.settingsFile).allows(file, &error))
        return true;
    m_ctx.messages.inform(m_window, error);
    return false;
}

void ExchangeActions::exportAdif()
{
    const QString file = m_chooseFile(m_window, QStringLiteral("Export ADIF"),
                                      QDir(m_ctx.dataFolder).filePath(QStringLiteral("mivra.adi")),
                                      QStringLiteral("ADIF files (*.adi);;All files (*)"), true);
    if (file.isEmpty() || !writableTarget(file))
        return;
    AdifExportResult result;
    {
        // The progress dialog lets events through: a close waits for the export.
        const BackgroundWork::Token underWay = m_ctx.work.begin();
        RunProgress progress(m_window, QStringLiteral("Writing %1").arg(QDir::toNativeSeparators(file)));
        result = mivra::exportAdif(m_ctx.log, m_rowsInView(), m_ownStation(), file, m_ctx.clock.nowUtc(),
                                   progress.callback());
    }
    if (!result.ok) {
        m_ctx.messages.inform(m_window, result.error);
        return;
    }
    QString text
        = QStringLiteral("Exported %1 contacts to %2.").arg(result.written).arg(QDir::toNativeSeparators(file));
    if (!result.leftOut.isEmpty())
        text += QStringLiteral("\nLeft out %1 without a readable date or time:\n").arg(result.leftOut.size())
                + QStringList(result.leftOut.mid(0, 10)).join(u'\n');
    m_ctx.messages.inform(m_window, text);
}

void ExchangeActions::importAdif()
{
    importFile(false);
}

void ExchangeActions::importConfirmations()
{
    importFile(true);
}

void ExchangeActions::importFile(bool confirmationsOnly)
{
    if (isImporting() || m_updatingProgress)
        return;
    const QString file = m_chooseFile(
        m_window, confirmationsOnly ? QStringLiteral("Import LoTW/eQSL confirmations") : QStringLiteral("Import ADIF"),
        m_ctx.dataFolder, QStringLiteral("ADIF files (*.adi *.adif *.ADI);;All files (*)"), false);
    if (file.isEmpty())
        return;
    const QString logPath = m_ctx.log.path();
    const OwnStation own = m_ownStation();
    m_importProgress = std::make_unique<QProgressDialog>(
        QStringLiteral("Backing up the log before importing %1").arg(QDir::toNativeSeparators(file)), QString(), 0, 0,
        m_window);
    m_importProgress->setWindowModality(Qt::WindowModal);
    m_importProgress->setCancelButton(nullptr);
    m_importProgress->setMinimumDuration(400);
    m_importProgress->setValue(0);
    // Shown at once: the window takes no input while the log is being imported into.
    m_importProgress->show();
    m_importing = true;
    emit importStarted();
    // The copy first (after any copy already under way), then the file into the log on a
    // connection of the importer's thread.
    const QPointer<ExchangeActions> self(this);
    m_ctx.backups.makeBackup(m_ctx.clock.nowUtc(), BackupKind::BeforeImport,
                             [self, logPath, file, own, confirmationsOnly](const BackupOutcome& backup) {
                                 if (!self)
                                     return;
                                 if (!backup.error.isEmpty()) {
                                     self->finishImport(backup.error + QStringLiteral("\nThe file was not imported."));
                                     return;
                                 }
                                 self->importAfterBackup(logPath, file, own, confirmationsOnly, backup.note);
                             });
}

void ExchangeActions::importAfterBackup(const QString& logPath, const QString& file, const OwnStation& own,
                                        bool confirmationsOnly, const QString& backupNote)
{
    if (m_importProgress) {
        m_importProgress->setLabelText(QStringLiteral("Reading %1").arg(QDir::toNativeSeparators(file)));
        m_importProgress->setMaximum(100);
    }
    const QDate today = m_ctx.clock.nowUtc().date();
    m_importer->run(
        [this, logPath, file, own, confirmationsOnly, today]() -> QString {
            QString error;
            const std::unique_ptr<LogDatabase> log = LogDatabase::open(logPath, QString(), &error);
            if (!log)
                return QStringLiteral("Nothing was imported: %1").arg(error);
            // A service's download only confirms, whichever entry brought it.
            const std::optional<ConfirmationService> service = confirmationServiceOfFile(file);
            if (confirmationsOnly || service) {
                const ConfirmationImportResult confirmed = mivra::importConfirmations(*log, file, service, today);
                return confirmed.ok ? confirmed.summary() : confirmed.error;
            }
            const AdifImportResult result = importAdifFile(*log, file, own, [this](qint64 done, qint64 total) {
                QMetaObject::invokeMethod(
                    this, [this, done, total] { showImportProgress(done, total); }, Qt::QueuedConnection);
            });
            return result.ok ? result.summary() : result.error;
        },
        [this, backupNote](const QString& told) {
            finishImport(backupNote.isEmpty() ? told : told + QStringLiteral("\n\n") + backupNote);
        });
}

void ExchangeActions::finishImport(const QString& message)
{
    // A modal dialog's setValue() lets events through, this end among them: the dialog it is
    // updating goes once that call has returned.
    if (m_updatingProgress)
        m_importProgress->hide();
    else
        m_importProgress.reset();
    m_importing = false;
    emit importFinished();
    m_reload();
    // Told once the import no longer counts as work under way: a close does not wait on the box.
    QMetaObject::invokeMethod(
        this, [this, message] { m_ctx.messages.inform(m_window, message); }, Qt::QueuedConnection);
}

void ExchangeActions::showImportProgress(qint64 done, qint64 total)
{
    if (!m_importProgress || m_updatingProgress)
        return;
    m_updatingProgress = true;
    m_importProgress->setMaximum(int(std::min<qint64>(total, INT_MAX)));
    m_importProgress->setValue(int(std::min<qint64>(done, INT_MAX)));
    m_updatingProgress = false;
    if (!m_importing)
        m_importProgress.reset();
}

void ExchangeActions::exportEdi()
{
    const QString ini = QDir(m_ctx.dataFolder).filePath(QStringLiteral("mivra.ini"));
    const QDateTime now = m_ctx.clock.nowUtc();
    QString error;
    const ContestSettings defaults = readEdiDefaults(ini, &error);
    const ContestSettings contest = ediContest(readContestSettings(ini, &error), defaults, now);
    if (!error.isEmpty())
        m_ctx.messages.inform(m_window, error);
    const LogSelection view = m_rowsInView();
    EdiOptions options;
    options.bandValue = contest.isComplete() ? contest.band : bandValue(view.bandPattern);
    if (options.bandValue.isEmpty()) {
        m_ctx.messages.inform(m_window, QStringLiteral("Please select Band"));
        return;
    }
    // A contest worked from a station profile is that station's log: the profile the offered
    // contest names, else as the command takes it (the running contest's, the active one, the
    // settings).
    options.own = ediOwnStation(ini, m_ownStation());
    const StationProfiles stations = readStationProfiles(ini);
    if (const StationProfile* station = stations.find(contest.station))
        options.own = OwnStation{station->callsign, station->locator};
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
    options.section = defaults.section;
    if (contest.isComplete()) {
        options.contestName = contest.name;
        options.from = contest.start;
        options.to = contest.end;
    } else {
        offerLastDay(view, now, &options);
    }
    if (!m_askEdi(m_window, &options))
        return;
    // The station's details are kept for the next contest, whether or not this export goes ahead.
    const QString stationFile = QDir(m_ctx.dataFolder).filePath(kEdiStationFileName);
    if (!WriteTarget(m_ctx.log.path(), m_ctx.settingsFile).allows(stationFile, &stationError)
        || !writeEdiStation(stationFile, options.station, &stationError))
        m_ctx.messages.inform(m_window, stationError);
    const QString file = m_chooseFile(m_window, QStringLiteral("Export EDI"),
                                      QDir(m_ctx.dataFolder).filePath(options.bandValue + QStringLiteral(".edi")),
                                      QStringLiteral("EDI files (*.edi);;All files (*)"), true);
    if (file.isEmpty() || !writableTarget(file))
        return;
    const EdiExportResult result = mivra::exportEdi(m_ctx.log, options, file);
    if (!result.ok) {
        m_ctx.messages.inform(m_window, result.error);
        return;
    }
    // The next export starts from this one.
    const ContestSettings exported{options.contestName, options.from,    options.to,
                                   options.bandValue,   contest.station, options.section};
    if (!writeEdiDefaults(ini, exported, &error))
        m_ctx.messages.inform(m_window, error);
    m_ctx.messages.inform(
        m_window,
        QStringLiteral("Exported %1 contacts to %2.").arg(result.written).arg(QDir::toNativeSeparators(file)));
}

// Without a contest to go by: the last day of the rows in view, up to the minute after the latest.
void ExchangeActions::offerLastDay(const LogSelection& view, const QDateTime& now, EdiOptions* options) const
{
    std::vector<LogRow> rows;
    QString error;
    readLogRows(m_ctx.log, view, &rows, &error);
    QDateTime first;
    QDateTime last;
    for (const LogRow& row : rows) {
        if (!row.time.isValid() || !bandOfText(row.band) || bandOfText(row.band) != bandWithValue(options->bandValue))
            continue;
        if (!first.isValid() || row.time < first)
            first = row.time;
        if (!last.isValid() || row.time > last)
            last = row.time;
    }
    options->to = last.isValid() ? last.addSecs(60) : now;
    options->from = std::max(first.isValid() ? first : now.addDays(-1), options->to.addDays(-1));
}

} // namespace mivra
