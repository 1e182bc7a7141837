#include "ConfirmationImport.h"

#include "AdifContact.h"
#include "AdifFileReader.h"
#include "ContactCheck.h"
#include "ImportStore.h"
#include "LogDatabase.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "StoredDateTime.h"
#include "WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace mivra {

namespace {

// Both services match a contact within this many seconds of the record's time.
constexpr qint64 kMatchWindowSeconds = 30 * 60;

QString serviceName(ConfirmationService service)
{
    return service == ConfirmationService::Lotw ? u"LoTW"_qs : u"eQSL"_qs;
}

// The service a record's own fields name, where the header named none.
std::optional<ConfirmationService> serviceOfRecord(const adif::AdifFieldList& fields)
{
    if (!fields.value(u"LOTW_QSL_RCVD"_qs).isEmpty() || !fields.value(u"APP_LOTW_MODEGROUP"_qs).isEmpty())
        return ConfirmationService::Lotw;
    if (!fields.value(u"EQSL_QSL_RCVD"_qs).isEmpty() || !fields.value(u"APP_EQSL_AG"_qs).isEmpty())
        return ConfirmationService::Eqsl;
    return std::nullopt;
}

// Whether the record confirms its contact, and when.
bool confirmsByService(const adif::AdifFieldList& fields, ConfirmationService service, QString* date)
{
    const bool lotw = service == ConfirmationService::Lotw;
    const QString own = adif::confirmationLetterOf(fields.value(lotw ? u"LOTW_QSL_RCVD"_qs : u"EQSL_QSL_RCVD"_qs));
    const QString paper = adif::confirmationLetterOf(fields.value(u"QSL_RCVD"_qs));
    *date = adif::storedDateOfAdif(fields.value(lotw ? u"LOTW_QSLRDATE"_qs : u"EQSL_QSLRDATE"_qs));
    if (date->isEmpty())
        *date = adif::storedDateOfAdif(fields.value(u"QSLRDATE"_qs));
    if (own == u"Y"_qs || paper == u"Y"_qs)
        return true;
    // A LoTW report also lists contacts only uploaded; an eQSL inbox holds only cards received.
    return !lotw && own.isEmpty() && paper.isEmpty();
}

// One stored contact that a record may stand for.
struct Candidate {
    qint64 id = 0;
    qint64 secondsOff = 0;
    bool confirmed = false;
};

// The list of unmatched records is written under a hidden name inside the transaction and gets
// its own name only once the confirmations are committed: a run killed before that leaves no list
// for an import that did not happen, only a hidden file the next run removes.
QString unmatchedListPrefix(const QFileInfo& log)
{
    return log.completeBaseName() + u"-unmatched-"_qs;
}

// Removes the hidden lists (and their part-written copies) that killed runs left beside the log.
void removePendingLists(const QString& logPath)
{
    const QFileInfo log(logPath);
    const QDir folder = log.absoluteDir();
    const QStringList pending
        = folder.entryList({u"."_qs + unmatchedListPrefix(log) + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : pending)
        QFile::remove(folder.filePath(name));
}

// Writes the lines to a new hidden file beside the log; its path, or empty with *error.
QString writeUnmatched(const QString& logPath, ConfirmationService service, const QStringList& lines,
                       const QString& source, QString* error)
{
    const QFileInfo log(logPath);
    const QString stamp = QDateTime::currentDateTimeUtc().toString(u"yyyyMMdd-HHmmss"_qs);
    const QString path = log.absoluteDir().filePath(
        QStringLiteral(".%1%2-%3.txt").arg(unmatchedListPrefix(log), serviceName(service).toLower(), stamp));
    QByteArray text = QStringLiteral("Records of %1 (%2) that match no contact of the log; none was added.\n")
                          .arg(QDir::toNativeSeparators(source), serviceName(service))
                          .toUtf8();
    for (const QString& line : lines)
        text += line.toUtf8() + '\n';
    // Whole or not at all: a full disk must not leave an empty list reported as written.
    QString reason;
    if (!writeWholeFile(path, text, &reason)) {
        *error = QStringLiteral("the list of unmatched records %1 cannot be written: %2")
                     .arg(QDir::toNativeSeparators(path), reason);
        return {};
    }
    return path;
}

// Gives the hidden list its own name (the same without the dot); that path, or empty with *error.
QString showUnmatched(const QString& pending, QString* error)
{
    const QFileInfo hidden(pending);
    const QString path = hidden.absoluteDir().filePath(hidden.fileName().mid(1));
    if (std::rename(QFile::encodeName(pending).constData(), QFile::encodeName(path).constData()) != 0) {
        *error = QStringLiteral("The list of unmatched records cannot be put beside the log as %1: %2")
                     .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno)));
        QFile::remove(pending);
        return {};
    }
    return path;
}

} // namespace

std::optional<ConfirmationService> confirmationServiceOfFile(const QString& filePath)
{
    // Only a regular file is looked into: a FIFO or a device would hold the import here.
    QString reason;
    const int handle = openRegularFile(filePath, &reason);
    if (handle < 0)
        return std::nullopt;
    QFile file;
    if (!file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(handle);
        return std::nullopt;
    }
    const QByteArray head = file.read(16 * 1024);
    const qsizetype end = head.toLower().indexOf("<eoh>");
    if (end < 0)
        return std::nullopt;
    const QByteArray header = head.left(end).toLower();
    if (header.contains("logbook of the world") || header.contains("<programid:4>lotw"))
        return ConfirmationService::Lotw;
    if (header.contains("eqsl.cc") || header.contains("received eqsls"))
        return ConfirmationService::Eqsl;
    return std::nullopt;
}

QString modeGroupOf(const QString& mode)
{
    const QString word = mode.trimmed().toUpper().section(QRegularExpression(u"[\\s/,]+"_qs), 0, 0);
    if (word.isEmpty())
        return {};
    if (word == u"CW"_qs)
        return u"CW"_qs;
    static const QStringList kPhone{u"SSB"_qs, u"USB"_qs,    u"LSB"_qs,   u"AM"_qs,           u"FM"_qs,
                                    u"NFM"_qs, u"PHONE"_qs,  u"DSTAR"_qs, u"DIGITALVOICE"_qs, u"C4FM"_qs,
                                    u"DMR"_qs, u"FREEDV"_qs, u"M17"_qs};
    static const QStringList kImage{u"SSTV"_qs, u"ATV"_qs, u"FAX"_qs, u"IMAGE"_qs};
    if (kPhone.contains(word))
        return u"PHONE"_qs;
    if (kImage.contains(word))
        return u"IMAGE"_qs;
    return u"DATA"_qs;
}

QString ConfirmationImportResult::summary(int linesShown) const
{
    const QString name = serviceName(service);
    QString text = QStringLiteral("%1: %2 of %3 records confirmed a contact").arg(name).arg(confirmed).arg(records);
    if (alreadyConfirmed > 0)
        text += QStringLiteral(", %1 already confirmed").arg(alreadyConfirmed);
    if (notConfirmations > 0)
        text += QStringLiteral(", %1 not confirmations").arg(notConfirmations);
    text += QStringLiteral(", %1 match no contact (not added)").arg(unmatched.size());
    if (!refusals.isEmpty())
        text += QStringLiteral(", %1 unreadable").arg(refusals.size());
    text += u'.';
    for (int i = 0; i < unmatched.size() && i < linesShown; ++i)
        text += u"\nNo contact: "_qs + unmatched[i];
    if (unmatched.size() > linesShown)
        text += QStringLiteral("\n... and %1 more.").arg(unmatched.size() - linesShown);
    if (!unmatchedFile.isEmpty())
        text += QStringLiteral("\nListed in %1").arg(QDir::toNativeSeparators(unmatchedFile));
    if (!unmatchedFileError.isEmpty())
        text += u'\n' + unmatchedFileError;
    for (int i = 0; i < refusals.size() && i < linesShown; ++i)
        text += u'\n' + refusals[i];
    return text;
}

ConfirmationImportResult importConfirmations(LogDatabase& log, const QString& filePath,
                                             std::optional<ConfirmationService> service, const QDate& today)
{
    ConfirmationImportResult result;
    const QString shownPath = QDir::toNativeSeparators(filePath);
    if (!service)
        service = confirmationServiceOfFile(filePath);
    adif::AdifFileReader file(filePath);
    if (!file.open()) {
        result.error = QStringLiteral("The file %1 cannot be read: %2").arg(shownPath, file.error());
        return result;
    }
    removePendingLists(log.path());
    SqliteConnection db = SqliteConnection::borrowed(log.database());
    QString error;
    const bool done = db.transaction(
        [&](QString* stepError) {
            SqliteStatement candidates(db, u"SELECT ID, Date, GMT, Band, mode, LotwRcvd, EqslRcvd FROM logtab"
                                           " WHERE Callsign = ?"_qs);
            SqliteStatement confirm(db, kConfirmStatement);
            if (!candidates.isPrepared() || !confirm.isPrepared()) {
                *stepError = candidates.isPrepared() ? confirm.error() : candidates.error();
                return false;
            }
            adif::AdifRecord record;
            while (file.next(&record)) {
                ++result.records;
                const adif::AdifFieldList& fields = record.fields;
                const QString call = fields.value(u"CALL"_qs).trimmed().toUpper();
                const std::optional<QString> band = checkedBand(adif::bandTextOf(fields), nullptr);
                const QDate date = adif::dateOfText(fields.value(u"QSO_DATE"_qs).trimmed());
                const QTime time = adif::timeOfText(fields.value(u"TIME_ON"_qs).trimmed());
                if (call.isEmpty() || !band || !date.isValid() || !time.isValid() || record.cut) {
                    result.refusals
                        << QStringLiteral("Record %1: no callsign, band, date or time to match by").arg(record.number);
                    continue;
                }
                const std::optional<ConfirmationService> of = service ? service : serviceOfRecord(fields);
                if (!of) {
                    *stepError = QStringLiteral("%1 is not a LoTW or eQSL download: its header names neither"
                                                " service.")
                                     .arg(shownPath);
                    return false;
                }
                result.service = *of;
                QString received;
                if (!confirmsByService(fields, *of, &received)) {
                    ++result.notConfirmations;
                    continue;
                }
                if (received.isEmpty())
                    received = today.toString(Qt::ISODate);
                const QDateTime when(date, time, Qt::UTC);
                const QString mode
                    = fields.value(u"MODE"_qs).isEmpty() ? fields.value(u"SUBMODE"_qs) : fields.value(u"MODE"_qs);
                const QString group = modeGroupOf(mode);
                const QString bandKey = duplicateBand(*band);

                std::optional<Candidate> best;
                candidates.reset();
                candidates.bindText(1, call);
                while (candidates.step()) {
                    const QDateTime stored = readStoredDateTime(candidates.text(1), candidates.text(2));
                    if (!stored.isValid() || duplicateBand(candidates.text(3)) != bandKey)
                        continue;
                    const QString storedGroup = modeGroupOf(candidates.text(4));
                    if (!storedGroup.isEmpty() && !group.isEmpty() && storedGroup != group)
                        continue;
                    const qint64 off = std::llabs(stored.secsTo(when));
                    if (off > kMatchWindowSeconds || (best && best->secondsOff <= off))
                        continue;
                    const QString state = candidates.text(*of == ConfirmationService::Lotw ? 5 : 6);
                    best = Candidate{candidates.integer(0), off, state.trimmed().toUpper() == u"Y"_qs};
                }
                if (candidates.failed()) {
                    *stepError = candidates.error();
                    return false;
                }
                if (!best) {
                    result.unmatched << QStringLiteral("%1 %2 %3 %4")
                                            .arg(call, when.toString(u"yyyy-MM-dd HH:mm:ss"_qs),
                                                 fields.value(u"BAND"_qs).isEmpty() ? *band : fields.value(u"BAND"_qs),
                                                 mode.trimmed().toUpper());
                    continue;
                }
                if (best->confirmed) {
                    ++result.alreadyConfirmed;
                    continue;
                }
                const bool lotw = *of == ConfirmationService::Lotw;
                confirm.reset();
                confirm.bindInteger(1, 0);
                confirm.bindText(2, QString());
                confirm.bindInteger(3, lotw ? 1 : 0);
                confirm.bindText(4, lotw ? received : QString());
                confirm.bindInteger(5, lotw ? 0 : 1);
                confirm.bindText(6, lotw ? QString() : received);
                confirm.bindInteger(7, best->id);
                if (!confirm.run()) {
                    *stepError = confirm.error();
                    return false;
                }
                ++result.confirmed;
            }
            if (!file.error().isEmpty()) {
                *stepError = QStringLiteral("the file %1 cannot be read: %2").arg(shownPath, file.error());
                return false;
            }
            if (result.records == 0) {
                *stepError = u"The file holds no ADIF records."_qs;
                return false;
            }
            if (!result.unmatched.isEmpty()) {
                result.unmatchedFile
                    = writeUnmatched(log.path(), result.service, result.unmatched, filePath, stepError);
                if (result.unmatchedFile.isEmpty())
                    return false;
            }
            return true;
        },
        &error);
    if (!done) {
        removePendingLists(log.path());
        const ConfirmationService shown = result.service;
        result = ConfirmationImportResult();
        result.service = shown;
        result.error = QStringLiteral("Nothing was confirmed: %1").arg(error);
        return result;
    }
    result.ok = true;
    if (!result.unmatchedFile.isEmpty())
        result.unmatchedFile = showUnmatched(result.unmatchedFile, &result.unmatchedFileError);
    return result;
}

} // namespace mivra
