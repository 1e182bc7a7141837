#include "WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mivra {

namespace {

QString systemText(int systemError)
{
    return QString::fromLocal8Bit(std::strerror(systemError));
}

QString causeOf(const QSaveFile& file, int systemError)
{
    const QString text = file.errorString();
    if (systemError != 0 && (text.isEmpty() || text == u"Unknown error"))
        return systemText(systemError);
    return text;
}

bool failWith(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

QString sizeText(qint64 bytes)
{
    if (bytes >= (qint64(1) << 20) && bytes % (qint64(1) << 20) == 0)
        return QStringLiteral("%1 MB").arg(bytes >> 20);
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KB").arg(bytes >> 10);
    return QStringLiteral("%1 bytes").arg(bytes);
}

// The new name in the folder reaches the disk too; a folder that cannot be synced is no failure
// of the file, which is in place.
void syncFolderOf(const QString& path)
{
    const int folder
        = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace

bool commitSaveFile(QSaveFile& file, QString* reason)
{
    const auto fail = [&](const QString& text) {
        file.cancelWriting();
        return failWith(reason, text);
    };
    // What was written, buffered bytes included; a write that failed already is said as such.
    const qint64 written = file.pos();
    if (file.error() != QFileDevice::NoError)
        return fail(causeOf(file, 0));
    errno = 0;
    if (!file.flush())
        return fail(causeOf(file, errno));
    const int handle = file.handle();
    if (handle < 0)
        return fail(QStringLiteral("the file is not open"));
    if (::fsync(handle) != 0)
        return fail(systemText(errno));
    struct stat info { };
    if (::fstat(handle, &info) != 0)
        return fail(systemText(errno));
    if (info.st_size != written)
        return fail(QStringLiteral("only %1 of its %2 bytes reached the disk").arg(info.st_size).arg(written));
    errno = 0;
    if (!file.commit())
        return failWith(reason, causeOf(file, errno));
    syncFolderOf(file.fileName());
    return true;
}

bool writeToSaveFile(QSaveFile& file, const QByteArray& bytes, QString* reason)
{
    errno = 0;
    if (file.write(bytes) == bytes.size())
        return true;
    return failWith(reason, causeOf(file, errno));
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* reason)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return failWith(reason, causeOf(file, errno));
    if (!writeToSaveFile(file, bytes, reason)) {
        file.cancelWriting();
        return false;
    }
    return commitSaveFile(file, reason);
}

int openRegularFile(const QString& path, QString* reason)
{
    // Not blocking, so that opening a FIFO does not wait for a writer; a regular file is read as usual.
    const int handle = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (handle < 0) {
        failWith(reason, systemText(errno));
        return -1;
    }
    struct stat info { };
    if (::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(handle);
        failWith(reason, QStringLiteral("it is not a regular file"));
        return -1;
    }
    ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) & ~O_NONBLOCK);
    return handle;
}

bool readRegularFile(const QString& path, qint64 maxBytes, QByteArray* bytes, QString* reason)
{
    const int handle = openRegularFile(path, reason);
    if (handle < 0)
        return false;
    const auto tooLarge
        = [&] { return failWith(reason, QStringLiteral("it is larger than %1").arg(sizeText(maxBytes))); };
    struct stat info { };
    ::fstat(handle, &info);
    if (info.st_size > maxBytes) {
        ::close(handle);
        return tooLarge();
    }
    // Read to its end, which may have moved since: never more than maxBytes.
    QByteArray read(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == read.size()) {
            if (filled > maxBytes)
                break;
            read.resize(std::min<qsizetype>(filled * 2 + 4096, maxBytes + 1));
        }
        const ssize_t got = ::read(handle, read.data() + filled, std::size_t(read.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const int systemError = errno;
            ::close(handle);
            return failWith(reason, systemText(systemError));
        }
        if (got == 0)
            break;
        filled += got;
    }
    ::close(handle);
    if (filled > maxBytes)
        return tooLarge();
    read.truncate(filled);
    *bytes = std::move(read);
    return true;
}

} // namespace mivra
