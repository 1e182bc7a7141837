#include "LogBackups.h"

#include "ErrorText.h"
#include "IniFile.h"
#include "LogFile.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "WriteTarget.h"
#include "ZstdFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace mivra {

namespace {

constexpr qint64 kSecondsPerDay = 24 * 60 * 60;
// The mark at the start of every copy: what tells a copy this program made from a file of that name.
const QByteArray kCopyMark = QByteArrayLiteral("Mivra backup of the log ");
const QByteArray kSqliteMagic("SQLite format 3\0", 16);

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString systemText(int systemError)
{
    return QString::fromLocal8Bit(std::strerror(systemError));
}

bool isSqliteFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == kSqliteMagic;
}

bool syncHandle(int handle, QString* error)
{
    if (::fsync(handle) == 0)
        return true;
    setError(error, systemText(errno));
    return false;
}

void syncFolder(const QString& folder)
{
    const int handle = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle >= 0) {
        ::fsync(handle);
        ::close(handle);
    }
}

// One copy at a time in a backups folder, across programs: an exclusive lock on its file .lock,
// which the system drops with a program that is killed.
class FolderLock {
public:
    explicit FolderLock(const QString& folder)
        : m_handle(::open(QFile::encodeName(QDir(folder).filePath(QStringLiteral(".lock"))).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC, 0644))
    {
        while (m_handle >= 0 && ::flock(m_handle, LOCK_EX) != 0 && errno == EINTR) { }
    }
    ~FolderLock()
    {
        if (m_handle >= 0)
            ::close(m_handle);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool isHeld() const { return m_handle >= 0; }

private:
    int m_handle;
};

// A plain copy of an earlier version: a SQLite file that holds a log table.
bool isPlainLogCopy(const QString& path)
{
    if (!isSqliteFile(path))
        return false;
    const SqliteConnection db(path, SqliteConnection::Mode::ReadOnly);
    SqliteStatement query(db, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'logtab'"));
    return query.step();
}

bool isCompressedLogCopy(const QString& path)
{
    QByteArray mark;
    QByteArray head;
    return readZstdStart(path, &mark, &head, int(kSqliteMagic.size())) && mark.startsWith(kCopyMark)
           && head == kSqliteMagic;
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

// The log at from copied whole into the new file at to, through SQLite's online backup.
bool copyPages(const QString& from, const QString& to, bool readOnlySource, bool durable, QString* error)
{
    const SqliteConnection source(from, readOnlySource ? SqliteConnection::Mode::ReadOnly
                                                       : SqliteConnection::Mode::ReadWrite);
    SqliteConnection copy(to, SqliteConnection::Mode::ReadWriteCreate);
    if (!source.isOpen() || !copy.isOpen()) {
        setError(error, source.isOpen() ? copy.errorMessage() : source.errorMessage());
        return false;
    }
    // A copy that is compressed afterwards needs neither journal nor sync of its own.
    if (!durable && !copy.exec(QStringLiteral("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF"), error))
        return false;
    return source.copyInto(copy, error);
}

// Writes the compressed form of plain into a hidden file in folder, syncs it and reads it back
// whole. The hidden file's path, or an empty text with *error set.
QString packCopy(const QString& plain, const QString& folder, const QString& name, const QDateTime& time,
                 const QString& logPath, QString* error)
{
    QTemporaryFile packed(QDir(folder).filePath(QStringLiteral(".") + name + QStringLiteral(".XXXXXX")));
    if (!packed.open()) {
        setError(error, packed.errorString());
        return {};
    }
    const QByteArray mark = kCopyMark + QFile::encodeName(QFileInfo(logPath).fileName()) + " made "
                            + time.toUTC().toString(Qt::ISODate).toLatin1();
    if (!zstdCompressFile(plain, packed.handle(), mark, error) || !syncHandle(packed.handle(), error))
        return {};
    packed.close();
    qint64 unpacked = -1;
    QString reason;
    if (!zstdDecompressFile(packed.fileName(), -1, &reason, &unpacked) || unpacked != QFileInfo(plain).size()
        || !isCompressedLogCopy(packed.fileName())) {
        setError(error, QStringLiteral("the compressed copy does not read back whole")
                            + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
        return {};
    }
    packed.setAutoRemove(false);
    return packed.fileName();
}

} // namespace

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

std::vector<BackupCopy> LogBackups::copies() const
{
    std::vector<BackupCopy> found;
    const QDir folder(m_folder);
    for (const QFileInfo& file : folder.entryInfoList(QDir::Files | QDir::NoSymLinks)) {
        std::optional<BackupCopy> copy = parseBackupCopyName(file.fileName());
        if (!copy)
            continue;
        const bool compressed = copy->name.endsWith(u".zst");
        if (compressed ? !isCompressedLogCopy(file.filePath()) : !isPlainLogCopy(file.filePath()))
            continue;
        copy->bytes = file.size();
        found.push_back(std::move(*copy));
    }
    return found;
}

QDateTime LogBackups::newestBackupTime() const
{
    QDateTime newest;
    for (const BackupCopy& copy : copies()) {
        if (!newest.isValid() || copy.time > newest)
            newest = copy.time;
    }
    return newest;
}

BackupBudget LogBackups::budget() const
{
    QVariantMap values;
    QString error;
    const QString ini = QFileInfo(m_logPath).absoluteDir().filePath(QStringLiteral("mivra.ini"));
    const bool read = IniFile(ini).readSection(QStringLiteral("backups"), &values, &error);
    BackupBudget budget = backupBudget(values.value(QStringLiteral("budget")).toString(), QFileInfo(m_logPath).size());
    if (!read)
        budget.problem = error;
    return budget;
}

void LogBackups::removePartialCopies() const
{
    QDir folder(m_folder);
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (isPartialCopyName(name))
            folder.remove(name);
    }
}

void LogBackups::removeLeftoversBesideLog() const
{
    const QFileInfo log(m_logPath);
    QDir folder = log.absoluteDir();
    const QRegularExpression leftover(
        QStringLiteral("^\\.(restore-[0-9a-f-]{36}\\.sqlite|%1\\.[A-Za-z0-9]{6})(-journal)?$")
            .arg(QRegularExpression::escape(log.fileName())));
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (leftover.match(name).hasMatch())
            folder.remove(name);
    }
}

void LogBackups::rotate(const QDateTime& nowUtc, const QString& justMade, QString* note) const
{
    const BackupBudget budget = this->budget();
    if (!budget.problem.isEmpty())
        setError(note, budget.problem);
    BackupRotation rotation;
    rotation.budgetBytes = budget.bytes;
    rotation.nowUtc = nowUtc;
    rotation.justMade = justMade;
    QDir folder(m_folder);
    for (const QString& name : rotation.copiesToRemove(copies()))
        folder.remove(name);
}

QString LogBackups::makeBackup(const QDateTime& nowUtc, QString* error, BackupKind kind, QString* note) const
{
    const auto fail = [&](const QString& reason) {
        setError(error, QStringLiteral("No backup of the log %1 could be made in %2: %3")
                            .arg(shown(m_logPath), shown(m_folder), reason));
        return QString();
    };
    if (!QDir().mkpath(m_folder))
        return fail(QStringLiteral("the folder cannot be created"));
    const FolderLock lock(m_folder);
    if (!lock.isHeld())
        return fail(systemText(errno));
    removePartialCopies();
    QString reason;
    const QString path = makeLockedBackup(nowUtc, kind, &reason);
    if (path.isEmpty())
        return fail(reason);
    rotate(nowUtc, QFileInfo(path).fileName(), note);
    return path;
}

QString LogBackups::makeLockedBackup(const QDateTime& nowUtc, BackupKind kind, QString* error) const
{
    QDateTime time = nowUtc.toUTC();
    const bool beforeImport = kind == BackupKind::BeforeImport;
    QString name = backupCopyName(time, beforeImport);
    QTemporaryFile plain(QDir(m_folder).filePath(QStringLiteral(".") + name.chopped(4) + QStringLiteral(".XXXXXX")));
    if (!plain.open()) {
        setError(error, plain.errorString());
        return {};
    }
    plain.close();
    const QString plainJournal = plain.fileName() + QStringLiteral("-journal");
    const bool copied = copyPages(m_logPath, plain.fileName(), false, false, error);
    QFile::remove(plainJournal);
    if (!copied)
        return {};
    const QString packed = packCopy(plain.fileName(), m_folder, name, time, m_logPath, error);
    plain.remove();
    if (packed.isEmpty())
        return {};

    // Into place without replacing a copy of the same second that another program made.
    for (;;) {
        const QString path = QDir(m_folder).filePath(name);
        if (::link(QFile::encodeName(packed).constData(), QFile::encodeName(path).constData()) == 0) {
            QFile::remove(packed);
            syncFolder(m_folder);
            return path;
        }
        if (errno != EEXIST) {
            setError(error, systemText(errno));
            QFile::remove(packed);
            return {};
        }
        time = time.addSecs(1);
        name = backupCopyName(time, beforeImport);
    }
}

bool LogBackups::makeDailyBackup(const QDateTime& nowUtc, QString* error, QString* note, QString* made) const
{
    if (made)
        made->clear();
    QDateTime newest;
    for (const BackupCopy& copy : copies()) {
        if (copy.time <= nowUtc && (!newest.isValid() || copy.time > newest))
            newest = copy.time;
    }
    if (newest.isValid() && newest.secsTo(nowUtc) < kSecondsPerDay)
        return true;
    const QString path = makeBackup(nowUtc, error, BackupKind::Daily, note);
    if (made)
        *made = path;
    return !path.isEmpty();
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
    const bool compressed = hasZstdMagic(file);
    if (!compressed && !isSqliteFile(file))
        return fail(QStringLiteral("it is neither an SQLite database nor a Zstandard-compressed one"));
    removeLeftoversBesideLog();

    // The file is checked as a copy beside the log, which is then renamed into place.
    const QString candidate = QFileInfo(m_logPath).absoluteDir().filePath(
        QStringLiteral(".restore-%1.sqlite").arg(QUuid::createUuid().toString(QUuid::WithoutBraces)));
    const auto dropCandidate = [&candidate] {
        QFile::remove(candidate);
        QFile::remove(candidate + QStringLiteral("-journal"));
    };
    QString reason;
    if (compressed) {
        QFile unpacked(candidate);
        const bool written = unpacked.open(QIODevice::WriteOnly | QIODevice::NewOnly)
                             && zstdDecompressFile(file, unpacked.handle(), &reason)
                             && syncHandle(unpacked.handle(), &reason);
        if (!written && reason.isEmpty())
            reason = unpacked.errorString();
        unpacked.close();
        if (!written) {
            dropCandidate();
            return fail(QStringLiteral("it cannot be decompressed: ") + reason);
        }
        if (!isSqliteFile(candidate)) {
            dropCandidate();
            return fail(QStringLiteral("it holds no SQLite database"));
        }
    } else if (!copyPages(file, candidate, true, true, &reason)) {
        dropCandidate();
        return fail(QStringLiteral("it cannot be read: ") + reason);
    }
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
        if (makeBackup(nowUtc, &reason, BackupKind::BeforeRestore).isEmpty()) {
            const QString journal = m_logPath + QStringLiteral("-journal");
            const QString copy = QDir(m_folder).filePath(
                QStringLiteral("backup-%1-unreadable.sqlite").arg(nowUtc.toUTC().toString(u"yyyyMMdd-HHmmss"_qs)));
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
        reason = systemText(errno);
        dropCandidate();
        return fail(reason);
    }
    syncFolder(QFileInfo(m_logPath).absolutePath());
    return true;
}

} // namespace mivra
