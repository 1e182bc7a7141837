#include "LogBackups.h"

#include "ErrorText.h"
#include "LogFile.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "WriteTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryFile>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mivra {

namespace {

constexpr qint64 kSecondsPerDay = 24 * 60 * 60;

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

bool isSqliteFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3\0", 16);
}

// A journal that is not hot (left by a kill before its first sync) is cleared the way every opening
// of the log clears it: a write transaction that is rolled back. A hot one was rolled back already
// by the first read of a read-write connection.
void clearStaleJournal(const QString& logPath)
{
    if (!QFileInfo::exists(logPath + QStringLiteral("-journal")))
        return;
    SqliteConnection db(logPath, SqliteConnection::Mode::ReadWrite);
    if (!db.isOpen())
        return;
    db.setBusyTimeout(2000);
    const int version = db.userVersion();
    if (version < 0 || !db.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return;
    db.exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
    db.exec(QStringLiteral("ROLLBACK"));
}

QString copyName(const QDateTime& time)
{
    return QStringLiteral("backup-%1.sqlite").arg(time.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

} // namespace

bool copyDatabase(const QString& from, const QString& to, bool readOnlySource, QString* error)
{
    const QFileInfo target(to);
    QTemporaryFile temporary(target.absolutePath() + QStringLiteral("/.") + target.fileName()
                             + QStringLiteral(".XXXXXX"));
    if (!temporary.open()) {
        setError(error, temporary.errorString());
        return false;
    }
    temporary.close();

    {
        const SqliteConnection source(from, readOnlySource ? SqliteConnection::Mode::ReadOnly
                                                           : SqliteConnection::Mode::ReadWrite);
        const SqliteConnection copy(temporary.fileName(), SqliteConnection::Mode::ReadWrite);
        if (!source.isOpen() || !copy.isOpen()) {
            setError(error, source.isOpen() ? copy.errorMessage() : source.errorMessage());
            return false;
        }
        if (!source.copyInto(copy, error))
            return false;
    }
    if (std::rename(QFile::encodeName(temporary.fileName()).constData(), QFile::encodeName(to).constData()) != 0) {
        setError(error, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    temporary.setAutoRemove(false);
    return true;
}

bool checkDatabaseIntegrity(const QString& path, QString* error)
{
    const SqliteConnection db(path, SqliteConnection::Mode::ReadOnly);
    if (!db.isOpen()) {
        setError(error, db.errorMessage());
        return false;
    }
    SqliteStatement check(db, QStringLiteral("PRAGMA integrity_check"));
    const QString result = check.step() ? check.text(0) : check.error();
    if (result != u"ok") {
        setError(error, result);
        return false;
    }
    return true;
}

LogBackups::LogBackups(const QString& logPath)
    : m_logPath(QFileInfo(logPath).absoluteFilePath())
    , m_folder(QFileInfo(logPath).absoluteDir().filePath(QStringLiteral("backups")))
{
}

QDateTime LogBackups::timeOfCopy(const QString& fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^backup-(\\d{8}-\\d{6})\\.sqlite$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    if (!match.hasMatch())
        return {};
    QDateTime time = QDateTime::fromString(match.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
    if (!time.isValid())
        return {};
    time.setTimeSpec(Qt::UTC);
    return time;
}

QStringList LogBackups::copiesToRemove(const QStringList& fileNames, const QDateTime& nowUtc)
{
    struct Copy {
        QString name;
        QDateTime time;
    };
    std::vector<Copy> copies;
    for (const QString& name : fileNames) {
        const QDateTime time = timeOfCopy(name);
        if (time.isValid())
            copies.push_back({name, time});
    }
    std::sort(copies.begin(), copies.end(),
              [](const Copy& a, const Copy& b) { return a.time != b.time ? a.time > b.time : a.name > b.name; });
    const QDateTime yearAgo = nowUtc.addYears(-1);
    QSet<QString> monthsKept;
    QStringList removed;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const QString month = copies[i].time.toString(QStringLiteral("yyyyMM"));
        if (i < std::size_t(kNewestKept) || (copies[i].time >= yearAgo && !monthsKept.contains(month)))
            monthsKept.insert(month);
        else
            removed << copies[i].name;
    }
    return removed;
}

QDateTime LogBackups::newestBackupTime() const
{
    QDateTime newest;
    for (const QString& name : QDir(m_folder).entryList({QStringLiteral("backup-*.sqlite")}, QDir::Files)) {
        const QDateTime time = timeOfCopy(name);
        if (time.isValid() && (!newest.isValid() || time > newest))
            newest = time;
    }
    return newest;
}

void LogBackups::removeOldCopies(const QDateTime& nowUtc) const
{
    QDir folder(m_folder);
    for (const QString& name :
         copiesToRemove(folder.entryList({QStringLiteral("backup-*.sqlite")}, QDir::Files), nowUtc))
        folder.remove(name);
}

QString LogBackups::makeBackup(const QDateTime& nowUtc, QString* error) const
{
    const auto fail = [&](const QString& reason) {
        setError(error, QStringLiteral("No backup of the log %1 could be made in %2: %3")
                            .arg(shown(m_logPath), shown(m_folder), reason));
        return QString();
    };
    if (!QDir().mkpath(m_folder))
        return fail(QStringLiteral("the folder cannot be created"));
    // Two copies within one second get names a second apart.
    QDateTime time = nowUtc.toUTC();
    QString path = QDir(m_folder).filePath(copyName(time));
    while (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        time = time.addSecs(1);
        path = QDir(m_folder).filePath(copyName(time));
    }
    QString reason;
    if (!copyDatabase(m_logPath, path, false, &reason))
        return fail(reason);
    removeOldCopies(nowUtc);
    return path;
}

bool LogBackups::makeDailyBackup(const QDateTime& nowUtc, QString* error) const
{
    const QDateTime newest = newestBackupTime();
    if (newest.isValid() && newest.secsTo(nowUtc) < kSecondsPerDay && newest <= nowUtc)
        return true;
    return !makeBackup(nowUtc, error).isEmpty();
}

bool LogBackups::restore(const QString& file, const QDateTime& nowUtc, QString* error) const
{
    const QString refused = QStringLiteral("%1 was not restored: %2; nothing was changed.");
    const auto fail = [&](const QString& reason) {
        setError(error, refused.arg(shown(file), reason));
        return false;
    };
    if (!QFileInfo(file).isFile())
        return fail(QStringLiteral("it is not a file"));
    if (WriteTarget::resolvedPath(file) == WriteTarget::resolvedPath(m_logPath))
        return fail(QStringLiteral("it is the log itself"));
    if (!isSqliteFile(file))
        return fail(QStringLiteral("it is not an SQLite database"));

    // The file is checked as a copy beside the log, which is then renamed into place.
    const QString candidate = QFileInfo(m_logPath).absoluteDir().filePath(
        QStringLiteral(".restore-%1.sqlite").arg(QUuid::createUuid().toString(QUuid::WithoutBraces)));
    const auto dropCandidate = [&candidate] {
        QFile::remove(candidate);
        QFile::remove(candidate + QStringLiteral("-journal"));
    };
    QString reason;
    if (!copyDatabase(file, candidate, true, &reason))
        return fail(QStringLiteral("it cannot be read: ") + reason);
    if (!checkDatabaseIntegrity(candidate, &reason)) {
        dropCandidate();
        return fail(QStringLiteral("its integrity check says: ") + reason);
    }
    if (!checkLogFile(candidate, &reason)) {
        dropCandidate();
        return fail(QStringLiteral("it is not a log: ") + reason.replace(shown(candidate), shown(file)));
    }

    if (QFileInfo::exists(m_logPath)) {
        // The present log is kept. One that SQLite cannot read at all is kept as it is.
        if (makeBackup(nowUtc, &reason).isEmpty()) {
            const QString journal = m_logPath + QStringLiteral("-journal");
            const QString copy = QDir(m_folder).filePath(
                copyName(nowUtc.toUTC()).replace(QStringLiteral(".sqlite"), QStringLiteral("-unreadable.sqlite")));
            if (QFileInfo::exists(journal) || !QDir().mkpath(m_folder) || !QFile::copy(m_logPath, copy)) {
                dropCandidate();
                return fail(QStringLiteral("the present log cannot be backed up first: ") + reason);
            }
        }
    }
    clearStaleJournal(m_logPath);
    for (const char* suffix : {"-journal", "-wal"}) {
        if (QFileInfo::exists(m_logPath + QLatin1String(suffix))) {
            dropCandidate();
            return fail(QStringLiteral("the present log has a journal that cannot be rolled back (%1)")
                            .arg(shown(m_logPath + QLatin1String(suffix))));
        }
    }
    if (std::rename(QFile::encodeName(candidate).constData(), QFile::encodeName(m_logPath).constData()) != 0) {
        reason = QString::fromLocal8Bit(std::strerror(errno));
        dropCandidate();
        return fail(reason);
    }
    return true;
}

} // namespace mivra
