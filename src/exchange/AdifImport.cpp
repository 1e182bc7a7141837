#include "AdifImport.h"

#include "AdifExport.h"
#include "AdifFields.h"
#include "AdifFile.h"
#include "ContactGeometry.h"
#include "LogDatabase.h"
#include "Locator.h"
#include "Utf16View.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace mivra {

namespace {

// Callsign, band and time to the minute; "144" and "144.300" are the same band.
QString duplicateKey(const QString& callsign, const QString& band, const QDateTime& time)
{
    const QString adifBand = adif::bandOfValue(band).name;
    return callsign.trimmed().toUpper() + u'\t' + (adifBand.isEmpty() ? band.trimmed().toUpper() : adifBand)
           + u'\t' + time.toString(u"yyyy-MM-dd HH:mm"_qs);
}

// The contacts already stored, as duplicate keys.
bool storedContacts(const LogDatabase& log, QSet<QString>* keys, QString* error)
{
    QSqlQuery query(log.database());
    query.setForwardOnly(true);
    if (!query.exec(u"SELECT Callsign, Band, Date, GMT FROM logtab"_qs)) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        const QDateTime time = rowTime(query.value(2).toString(), query.value(3).toString());
        if (time.isValid())
            keys->insert(duplicateKey(query.value(0).toString(), query.value(1).toString(), time));
    }
    return true;
}

QString exactOr(const adif::AdifRecord& record, const QString& appField, std::initializer_list<const char*> fields)
{
    const QString exact = record.fields.value(appField);
    if (!exact.isEmpty())
        return adif::percentDecoded(exact);
    for (const char* field : fields) {
        const QString value = record.value(field).trimmed();
        if (!value.isEmpty())
            return value;
    }
    return {};
}

// A report with the serial number that followed it when typed ("59" and "001" give "59001").
QString reportWithSerial(const QString& report, const QString& serialText, const QString& serialNumber)
{
    const QString serial = serialText.trimmed();
    bool digits = !serial.isEmpty();
    for (const QChar c : serial)
        digits = digits && c >= u'0' && c <= u'9';
    if (digits)
        return report.trimmed() + serial;
    bool ok = false;
    const int number = serialNumber.trimmed().toInt(&ok);
    if (ok && number >= 0)
        return report.trimmed() + QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
    return report.trimmed();
}

} // namespace

QString AdifImportResult::summary(int refusalsShown) const
{
    QString text = QStringLiteral("Imported %1, skipped %2 (already in the log), refused %3.")
                       .arg(imported)
                       .arg(skipped)
                       .arg(refusals.size());
    for (int i = 0; i < refusals.size() && i < refusalsShown; ++i)
        text += u'\n' + refusals[i];
    if (refusals.size() > refusalsShown)
        text += QStringLiteral("\n... and %1 more refused.").arg(refusals.size() - refusalsShown);
    return text;
}

AdifImportResult importAdif(LogDatabase& log, const QByteArray& document, const OwnStation& own,
                            const Progress& progress)
{
    AdifImportResult result;
    const std::vector<adif::AdifRecord> records = adif::readAdif(document);
    if (records.empty()) {
        result.error = u"The file holds no ADIF records."_qs;
        return result;
    }
    QSet<QString> seen;
    if (!storedContacts(log, &seen, &result.error)) {
        result.error = QStringLiteral("The log cannot be read: %1").arg(result.error);
        return result;
    }
    const QString ownLocator = own.locator.trimmed().toUpper();

    // Progress counts each record twice: once read, once stored.
    const qint64 total = 2 * qint64(records.size());
    std::vector<Contact> rows;
    rows.reserve(records.size());
    qint64 done = 0;
    for (const adif::AdifRecord& record : records) {
        if (progress && ++done % 1000 == 0)
            progress(done, total);
        const QString call = exactOr(record, kAppCallUtf8, {"CALL"}).trimmed().toUpper();
        const QString where = call.isEmpty() ? QStringLiteral("Record %1").arg(record.number)
                                             : QStringLiteral("Record %1 (%2)").arg(record.number).arg(call);
        const QString dateText = record.value("QSO_DATE").trimmed();
        const QString timeText = record.value("TIME_ON").trimmed();
        const QDate date = QDate::fromString(dateText, u"yyyyMMdd"_qs);
        QTime time = QTime::fromString(timeText, timeText.size() == 6 ? u"HHmmss"_qs : u"HHmm"_qs);
        if (record.cut) {
            result.refusals << where + u": the file ends inside this record"_qs;
            continue;
        }
        if (call.isEmpty()) {
            result.refusals << where + u": no callsign"_qs;
            continue;
        }
        if (dateText.isEmpty() || timeText.isEmpty()) {
            result.refusals << where + (dateText.isEmpty() ? u": no date"_qs : u": no time"_qs);
            continue;
        }
        if (!date.isValid() || !time.isValid()) {
            result.refusals << where + QStringLiteral(": date %1 or time %2 cannot be read").arg(dateText, timeText);
            continue;
        }
        const QString grid = (record.value("GRIDSQUARE") + record.value("GRIDSQUARE_EXT")).trimmed().toUpper();
        if (!grid.isEmpty() && !geo::IsLocatorValid(utf16View(grid))) {
            result.refusals << where + QStringLiteral(": invalid locator %1").arg(grid);
            continue;
        }

        QString frequencyText = record.value("FREQ").trimmed();
        frequencyText.replace(u',', u'.');
        bool frequencyOk = false;
        const double frequency = frequencyText.toDouble(&frequencyOk);
        QString band = exactOr(record, kAppBand, {});
        if (band.isEmpty())
            band = adif::bandValueOf(record.value("BAND"),
                                     frequencyOk && frequency > 0 ? std::optional<double>(frequency) : std::nullopt);

        time = QTime(time.hour(), time.minute());
        const QDateTime when(date, time, Qt::UTC);
        const QString key = duplicateKey(call, band, when);
        if (seen.contains(key)) {
            ++result.skipped;
            continue;
        }
        seen.insert(key);

        Contact row;
        row.date = date.toString(Qt::ISODate);
        row.gmt = time.toString(u"HH:mm"_qs);
        row.callsign = call;
        row.grid = grid;
        row.band = band;
        row.mode = exactOr(record, kAppMode, {"SUBMODE", "MODE"});
        row.rsts = reportWithSerial(record.value("RST_SENT"), record.value("STX_STRING"), record.value("STX"));
        row.rstr = reportWithSerial(record.value("RST_RCVD"), record.value("SRX_STRING"), record.value("SRX"));
        row.name = exactOr(record, kAppNameUtf8, {"NAME_INTL", "NAME"});
        row.comment = exactOr(record, kAppCommentUtf8, {"COMMENT_INTL", "COMMENT"});
        row.qslVia = exactOr(record, kAppQslViaUtf8, {"QSL_VIA"});
        const QString letter = exactOr(record, kAppQsl, {});
        row.qsl = letter.isEmpty() ? adif::qslLetterOfStates(record.value("QSL_SENT"), record.value("QSL_RCVD")) : letter;
        row.prop = record.fields.contains(kAppProp) ? adif::percentDecoded(record.fields.value(kAppProp))
                                                    : adif::propCodeOfMode(record.value("PROP_MODE"));

        const DxccResult entity = log.findDxcc(call);
        if (entity.status == DxccStatus::Found) {
            row.dxcc = entity.entity;
        } else {
            bool numberOk = false;
            const int number = record.value("DXCC").trimmed().toInt(&numberOk);
            if (numberOk && number > 0)
                row.dxcc = log.dxccEntity(number);
        }

        if (!grid.isEmpty()) {
            QString myGrid = (record.value("MY_GRIDSQUARE") + record.value("MY_GRIDSQUARE_EXT")).trimmed().toUpper();
            if (!geo::IsLocatorValid(utf16View(myGrid)))
                myGrid = ownLocator;
            geo::ContactGeometry geometry;
            if (geo::IsLocatorValid(utf16View(myGrid))
                && geometry.CalcContactGeometry(utf16View(myGrid), utf16View(grid))) {
                row.qrb = geometry.QrbKm;
                row.qtf = geometry.QtfDeg;
            }
        }
        rows.push_back(std::move(row));
    }

    const auto storedProgress = [&](qint64 stored) {
        if (progress && stored % 1000 == 0)
            progress(qint64(records.size()) + stored, total);
    };
    QString error;
    if (!rows.empty() && !log.saveQsos(rows, storedProgress, &error)) {
        result.error = QStringLiteral("Nothing was imported; the log refused a record: %1").arg(error);
        return result;
    }
    result.imported = int(rows.size());
    result.ok = true;
    return result;
}

AdifImportResult importAdifFile(LogDatabase& log, const QString& filePath, const OwnStation& own,
                                const Progress& progress)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        AdifImportResult result;
        result.error = QStringLiteral("The file %1 cannot be read: %2")
                           .arg(QDir::toNativeSeparators(filePath), file.errorString());
        return result;
    }
    return importAdif(log, file.readAll(), own, progress);
}

} // namespace mivra
