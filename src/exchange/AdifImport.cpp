#include "AdifImport.h"

#include "AdifContact.h"
#include "AdifExport.h"
#include "AdifFields.h"
#include "AdifFile.h"
#include "AdifFileReader.h"
#include "ContactCheck.h"
#include "ContactGeometry.h"
#include "ImportStore.h"
#include "Locator.h"
#include "LogDatabase.h"
#include "StoredDateTime.h"
#include "Utf16View.h"

#include <QDir>
#include <QTimeZone>
#include <QVariant>

#include <cmath>

namespace mivra {

namespace {

QString exactOr(const adif::AdifRecord& record, const QString& appField, std::initializer_list<QString> fields)
{
    return adif::exactOr(record.fields, appField, fields);
}

// What the checks make of a record, before the look-ups that complete the row.
struct CheckedRecord {
    QString call;
    QDate date;
    QTime time; // to the minute
    QString locator;
    QString band;
    QString qsl;
    std::optional<double> frequencyMHz;   // FREQ, when it reads as a frequency
    std::optional<double> frequencyRxMHz; // FREQ_RX
    QString note;                         // said in the summary: what was stored other than the file has it
};

// The checks every record passes before it is stored (the log's contact check among them): the values it gives, or why it is refused.
std::optional<CheckedRecord> checkedRecord(const adif::AdifRecord& record, QString* refusal)
{
    CheckedRecord checked;
    checked.call = exactOr(record, kAppCallUtf8, {u"CALL"_qs}).trimmed().toUpper();
    // Where a refusal or a note says the record is.
    const auto where = [&] {
        return checked.call.isEmpty() ? QStringLiteral("Record %1").arg(record.number)
                                      : QStringLiteral("Record %1 (%2)").arg(record.number).arg(checked.call);
    };
    const QString dateText = record.value(u"QSO_DATE"_qs).trimmed();
    const QString timeText = record.value(u"TIME_ON"_qs).trimmed();
    checked.date = adif::dateOfText(dateText);
    const QTime time = adif::timeOfText(timeText);
    if (record.cut) {
        *refusal = where() + u": the file ends inside this record"_qs;
        return std::nullopt;
    }
    if (checked.call.isEmpty()) {
        *refusal = where() + u": no callsign"_qs;
        return std::nullopt;
    }
    if (dateText.isEmpty() || timeText.isEmpty()) {
        *refusal = where() + (dateText.isEmpty() ? u": no date"_qs : u": no time"_qs);
        return std::nullopt;
    }
    if (!checked.date.isValid() || !time.isValid()) {
        *refusal = where() + QStringLiteral(": date %1 or time %2 cannot be read").arg(dateText, timeText);
        return std::nullopt;
    }
    checked.time = QTime(time.hour(), time.minute());
    checked.locator = adif::locatorOf(record.fields);
    const bool field = checked.locator.size() == 2 && checked.locator[0] >= u'A' && checked.locator[0] <= u'R'
                       && checked.locator[1] >= u'A' && checked.locator[1] <= u'R';
    if (field) {
        // A field alone is valid ADIF, but not a locator the log can hold.
        checked.note = QStringLiteral("%1: locator %2 has only 2 characters; stored without a locator")
                           .arg(where(), checked.locator);
        checked.locator.clear();
    } else if (!checked.locator.isEmpty() && !geo::isLocatorValid(utf16View(checked.locator))) {
        *refusal = where() + QStringLiteral(": invalid locator %1").arg(checked.locator);
        return std::nullopt;
    }

    checked.frequencyMHz = adif::frequencyOfText(record.value(u"FREQ"_qs));
    checked.frequencyRxMHz = adif::frequencyOfText(record.value(u"FREQ_RX"_qs));
    const QString band = adif::bandTextOf(record.fields);
    const QString qsl = adif::qslLetterOf(record.fields);

    // The log's own check of every contact, whichever way it comes in.
    QString reason;
    std::optional<QString> stored;
    if (!(stored = checkedDate(storedDateText(checked.date), &reason))
        || !(stored = checkedTime(storedTimeText(checked.time), &reason)) || !(stored = checkedBand(band, &reason))) {
        *refusal = where() + u": "_qs + reason;
        return std::nullopt;
    }
    checked.band = *stored;
    if (!(stored = checkedQslState(qsl, &reason))) {
        *refusal = where() + u": "_qs + reason;
        return std::nullopt;
    }
    checked.qsl = *stored;
    return checked;
}

// The row a checked record gives, with its entity, its QRB and QTF and its other fields.
Contact rowOf(LogDatabase& log, const adif::AdifRecord& record, const CheckedRecord& checked, const QString& ownLocator,
              AdifRecordWriter& columns)
{
    Contact row;
    row.date = storedDateText(checked.date);
    row.gmt = storedTimeText(checked.time);
    row.callsign = checked.call;
    row.locator = checked.locator;
    row.band = checked.band;
    row.mode = exactOr(record, kAppMode, {u"SUBMODE"_qs, u"MODE"_qs});
    row.rsts
        = adif::reportWithSerial(record.value(u"RST_SENT"_qs), record.value(u"STX_STRING"_qs), record.value(u"STX"_qs));
    row.rstr
        = adif::reportWithSerial(record.value(u"RST_RCVD"_qs), record.value(u"SRX_STRING"_qs), record.value(u"SRX"_qs));
    row.name = exactOr(record, kAppNameUtf8, {u"NAME_INTL"_qs, u"NAME"_qs});
    row.comment = exactOr(record, kAppCommentUtf8, {u"COMMENT_INTL"_qs, u"COMMENT"_qs});
    row.qslVia = exactOr(record, kAppQslViaUtf8, {u"QSL_VIA"_qs});
    row.qsl = checked.qsl;
    row.frequencyMHz = checked.frequencyMHz;
    row.frequencyRxMHz = checked.frequencyRxMHz;
    row.prop = adif::propCodeOf(record.fields);
    row.myLocator = adif::ownLocatorOf(record.fields);
    row.qslSentDate = adif::storedDateOfAdif(record.value(u"QSLSDATE"_qs));
    row.qslReceivedDate = adif::storedDateOfAdif(record.value(u"QSLRDATE"_qs));
    row.lotwReceived = adif::confirmationLetterOf(record.value(u"LOTW_QSL_RCVD"_qs));
    row.lotwReceivedDate = adif::storedDateOfAdif(record.value(u"LOTW_QSLRDATE"_qs));
    row.eqslReceived = adif::confirmationLetterOf(record.value(u"EQSL_QSL_RCVD"_qs));
    row.eqslReceivedDate = adif::storedDateOfAdif(record.value(u"EQSL_QSLRDATE"_qs));
    row.uuid = adif::identityOf(record.value(u"APP_MIVRA_UUID"_qs));
    row.position = record.value(u"APP_MIVRA_POSITION"_qs).trimmed();

    const DxccResult entity = log.findDxcc(checked.call);
    if (entity.status == DxccStatus::Found) {
        row.dxcc = entity.entity;
    } else {
        bool numberOk = false;
        const int number = record.value(u"DXCC"_qs).trimmed().toInt(&numberOk);
        if (numberOk && number > 0)
            row.dxcc = log.dxccEntity(number);
    }

    if (!checked.locator.isEmpty()) {
        const QString myGrid = row.myLocator.isEmpty() ? ownLocator : row.myLocator;
        if (geo::isLocatorValid(utf16View(myGrid))) {
            if (const std::optional<geo::QrbQtf> path
                = geo::contactQrbQtf(utf16View(myGrid), utf16View(checked.locator))) {
                row.qrb = path->qrbKm;
                row.qtf = path->qtfDeg;
            }
        }
    }
    row.otherFields = encodeOtherFields(adif::otherFieldsOf(record.fields, row, columns));
    return row;
}

// Where the records come from: a document in memory or a file read in pieces.
struct RecordSource {
    std::function<bool(adif::AdifRecord*)> next;
    std::function<qint64()> position;
    qint64 size = 0;
    // Why the records ended before the end of the file; empty when they did not.
    std::function<QString()> error;
};

// Reads, checks and stores record by record, in one transaction.
AdifImportResult importRecords(LogDatabase& log, const RecordSource& reader, const OwnStation& own,
                               const Progress& progress)
{
    const qint64 size = reader.size;
    AdifImportResult result;
    ImportStore store(log);
    QString error;
    // A record of a logger's file takes some 250 bytes. Beginning also writes (the indexes are
    // dropped), so a full disk may stop it.
    if (!store.begin(size / 250, &error)) {
        result.error = QStringLiteral("Nothing was imported: %1").arg(error);
        return result;
    }
    const QString ownLocator = own.locator.trimmed().toUpper();
    // What the columns of a contact give back, to know which of a record's fields to keep.
    AdifRecordWriter columns(own, QDateTime::currentDateTimeUtc(),
                             [&log](const QString& entity) { return log.dxccNumber(entity); });
    adif::AdifRecord record;
    qint64 records = 0;
    while (reader.next(&record)) {
        ++records;
        if (progress && records % 512 == 0)
            progress(reader.position(), size);
        QString refusal;
        const std::optional<CheckedRecord> checked = checkedRecord(record, &refusal);
        if (!checked) {
            result.refusals << refusal;
            continue;
        }
        const QDateTime when(checked->date, checked->time, Qt::UTC);
        const std::optional<ImportStore::Match> match = store.match(checked->call, checked->band, when, &error);
        if (!error.isEmpty())
            break;
        if (match) {
            const ReceivedConfirmation received = adif::receivedConfirmationOf(record.fields);
            if (match->isConfirmedMoreBy(received)) {
                if (!store.confirm(match->id, received, &error))
                    break;
                ++result.confirmed;
            } else {
                ++result.skipped;
            }
            continue;
        }
        if (!store.insert(rowOf(log, record, *checked, ownLocator, columns), &error))
            break;
        if (!checked->note.isEmpty())
            result.notes << checked->note;
        ++result.imported;
    }
    if (error.isEmpty() && !reader.error().isEmpty()) {
        // The file itself stopped it: nothing of it is kept.
        result = AdifImportResult();
        result.error = QStringLiteral("Nothing was imported: %1").arg(reader.error());
        return result;
    }
    if (error.isEmpty() && records == 0) {
        result = AdifImportResult();
        result.error = u"The file holds no ADIF records."_qs;
        return result;
    }
    if (!error.isEmpty() || !store.commit(&error)) {
        result = AdifImportResult();
        result.error = QStringLiteral("Nothing was imported; the log refused a record: %1").arg(error);
        return result;
    }
    if (progress)
        progress(size, size);
    result.ok = true;
    return result;
}

} // namespace

QString AdifImportResult::summary(int refusalsShown) const
{
    QString text = QStringLiteral("Imported %1, ").arg(imported);
    if (confirmed > 0)
        text += confirmed == 1 ? u"1 contact confirmed, "_qs : QStringLiteral("%1 contacts confirmed, ").arg(confirmed);
    text += QStringLiteral("skipped %1 (already in the log), refused %2.").arg(skipped).arg(refusals.size());
    for (int i = 0; i < refusals.size() && i < refusalsShown; ++i)
        text += u'\n' + refusals[i];
    if (refusals.size() > refusalsShown)
        text += QStringLiteral("\n... and %1 more refused.").arg(refusals.size() - refusalsShown);
    for (int i = 0; i < notes.size() && i < refusalsShown; ++i)
        text += u'\n' + notes[i];
    if (notes.size() > refusalsShown)
        text += QStringLiteral("\n... and %1 more stored without a locator.").arg(notes.size() - refusalsShown);
    return text;
}

AdifImportResult importAdif(LogDatabase& log, const QByteArray& document, const OwnStation& own,
                            const Progress& progress)
{
    adif::AdifReader reader(document, adif::isValidUtf8(document));
    return importRecords(log,
                         {[&reader](adif::AdifRecord* record) { return reader.next(record); },
                          [&reader] { return reader.position(); }, document.size(), [] { return QString(); }},
                         own, progress);
}

AdifImportResult importAdifFile(LogDatabase& log, const QString& filePath, const OwnStation& own,
                                const Progress& progress)
{
    adif::AdifFileReader file(filePath);
    const QString shownPath = QDir::toNativeSeparators(filePath);
    if (!file.open()) {
        AdifImportResult result;
        result.error = QStringLiteral("The file %1 cannot be read: %2").arg(shownPath, file.error());
        return result;
    }
    return importRecords(
        log,
        {[&file](adif::AdifRecord* record) { return file.next(record); }, [&file] { return file.position(); },
         file.size(),
         [&file, shownPath] {
             return file.error().isEmpty()
                        ? QString()
                        : QStringLiteral("the file %1 cannot be read: %2").arg(shownPath, file.error());
         }},
        own, progress);
}

} // namespace mivra
