#include "QslStateChanges.h"

#include <QDateTime>

#include "ErrorText.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mivra {

namespace {

constexpr qint64 kLongestFile = 64 * 1024 * 1024;

QString systemText(int systemError)
{
    return QString::fromLocal8Bit(std::strerror(systemError));
}

QByteArray headerOf(const QString& logPath)
{
    struct stat info { };
    if (::stat(QFile::encodeName(logPath).constData(), &info) != 0)
        return {};
    return QByteArrayLiteral("mivra qsl states of ") + QByteArray::number(quint64(info.st_dev)) + ' '
           + QByteArray::number(quint64(info.st_ino)) + '\n';
}

bool writeAll(int handle, const QByteArray& bytes, QString* error)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(handle, data, std::size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            setError(error, systemText(written < 0 ? errno : ENOSPC));
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

QByteArray lineOf(const QslStateChange& change)
{
    return QByteArray::number(change.id) + '\t' + change.from.toUtf8().toPercentEncoding() + '\t'
           + change.to.toUtf8().toPercentEncoding() + '\n';
}

// The changes of whole lines; a line cut short by a full disk is no change.
std::vector<QslStateChange> changesIn(const QByteArray& bytes)
{
    std::vector<QslStateChange> changes;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        bool number = false;
        const qint64 id = fields.value(0).toLongLong(&number);
        if (fields.size() != 3 || !number)
            continue;
        changes.push_back({id, QString::fromUtf8(QByteArray::fromPercentEncoding(fields[1])),
                           QString::fromUtf8(QByteArray::fromPercentEncoding(fields[2]))});
    }
    return changes;
}

bool readAll(int handle, QByteArray* bytes)
{
    struct stat info { };
    if (::fstat(handle, &info) != 0 || info.st_size > kLongestFile)
        return false;
    bytes->resize(qsizetype(info.st_size));
    qsizetype filled = 0;
    while (filled < bytes->size()) {
        const ssize_t got = ::read(handle, bytes->data() + filled, std::size_t(bytes->size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        filled += got;
    }
    bytes->truncate(filled);
    return true;
}

} // namespace

bool storeQslStateChanges(SqliteConnection& db, std::span<const QslStateChange> changes, QString* error)
{
    return db.transaction(
        [&](QString* failure) {
            // The day the card went out stays with the contact: the export says QSL_SENT Y with it.
            SqliteStatement update(db, QStringLiteral("UPDATE logtab SET QSL = ?1, QslSdate = ?4 WHERE ID = ?2"
                                                      " AND QSL = ?3 COLLATE BINARY"));
            const QString today = QDateTime::currentDateTimeUtc().date().toString(Qt::ISODate);
            for (const QslStateChange& change : changes) {
                update.reset();
                update.bindText(1, change.to);
                update.bindInteger(2, change.id);
                update.bindText(3, change.from);
                update.bindText(4, today);
                if (!update.run()) {
                    setError(failure, update.error());
                    return false;
                }
            }
            return true;
        },
        error);
}

PendingQslStates::PendingQslStates(const QString& logPath)
    : m_logPath(QFileInfo(logPath).absoluteFilePath())
    , m_path(pathFor(logPath))
{
}

PendingQslStates::~PendingQslStates()
{
    if (m_handle < 0)
        return;
    // Nothing left to store: the file goes, while it is still locked.
    struct stat info { };
    if (::fstat(m_handle, &info) == 0 && qint64(info.st_size) <= headerOf(m_logPath).size())
        ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_handle);
}

// Which file the changes belong to, so that a log put in this one's place (a restore) never takes them.
QByteArray PendingQslStates::headerFor(const QString& logPath)
{
    return headerOf(QFileInfo(logPath).absoluteFilePath());
}

QString PendingQslStates::pathFor(const QString& logPath)
{
    const QFileInfo log(logPath);
    return log.absoluteDir().filePath(QStringLiteral(".") + log.fileName() + QStringLiteral("-qslrun"));
}

bool PendingQslStates::open(QString* error)
{
    const QByteArray path = QFile::encodeName(m_path);
    for (int attempt = 0; attempt < 10; ++attempt) {
        m_handle = ::open(path.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (m_handle < 0)
            break;
        if (::flock(m_handle, LOCK_EX | LOCK_NB) != 0) {
            ::close(m_handle);
            m_handle = -1;
            setError(error, QStringLiteral("another QSL run is writing %1").arg(m_path));
            return false;
        }
        // Locked: still the file of that name (a recovery may have removed it meanwhile)?
        struct stat opened { };
        struct stat named { };
        if (::fstat(m_handle, &opened) == 0 && ::stat(path.constData(), &named) == 0 && opened.st_ino == named.st_ino
            && opened.st_dev == named.st_dev) {
            if (opened.st_size == 0 && !writeAll(m_handle, headerOf(m_logPath), error)) {
                ::ftruncate(m_handle, 0);
                return false;
            }
            return true;
        }
        ::close(m_handle);
        m_handle = -1;
    }
    setError(error, systemText(errno));
    return false;
}

bool PendingQslStates::record(std::span<const QslStateChange> changes, QString* error)
{
    if (m_handle < 0 && !open(error))
        return false;
    QByteArray lines;
    for (const QslStateChange& change : changes)
        lines += lineOf(change);
    struct stat before { };
    ::fstat(m_handle, &before);
    if (writeAll(m_handle, lines, error))
        return true;
    // A line cut short by a full disk is dropped, so the file stays readable.
    ::ftruncate(m_handle, before.st_size);
    return false;
}

void PendingQslStates::clear()
{
    if (m_handle < 0)
        return;
    const QByteArray header = headerOf(m_logPath);
    ::ftruncate(m_handle, header.size());
}

bool PendingQslStates::recover(SqliteConnection& db, const QString& logPath, QString* error)
{
    const QByteArray path = QFile::encodeName(pathFor(logPath));
    const int handle = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (handle < 0)
        return true;
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        ::close(handle);
        return true;
    }
    QByteArray bytes;
    if (!readAll(handle, &bytes)) {
        ::close(handle);
        setError(error, QStringLiteral("%1 cannot be read").arg(QFile::decodeName(path)));
        return false;
    }
    const QByteArray header = headerOf(QFileInfo(logPath).absoluteFilePath());
    bool stored = true;
    if (!header.isEmpty() && bytes.startsWith(header)) {
        const std::vector<QslStateChange> changes = changesIn(bytes);
        stored = changes.empty() || storeQslStateChanges(db, changes, error);
    }
    if (stored)
        ::unlink(path.constData());
    ::close(handle);
    return stored;
}

} // namespace mivra
