#include "WholeFile.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace mivra {

namespace {

QString causeOf(const QSaveFile& file, int systemError)
{
    const QString text = file.errorString();
    if (systemError != 0 && (text.isEmpty() || text == u"Unknown error"))
        return QString::fromLocal8Bit(std::strerror(systemError));
    return text;
}

} // namespace

bool commitSaveFile(QSaveFile& file, QString* reason)
{
    errno = 0;
    if (file.commit())
        return true;
    const int systemError = errno;
    if (reason)
        *reason = causeOf(file, systemError);
    return false;
}

bool writeToSaveFile(QSaveFile& file, const QByteArray& bytes, QString* reason)
{
    errno = 0;
    if (file.write(bytes) == bytes.size())
        return true;
    const int systemError = errno;
    if (reason)
        *reason = causeOf(file, systemError);
    return false;
}

bool writeWholeFile(const QString& path, const QByteArray& bytes, QString* reason)
{
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        if (reason)
            *reason = causeOf(file, errno);
        return false;
    }
    if (!writeToSaveFile(file, bytes, reason)) {
        file.cancelWriting();
        return false;
    }
    return commitSaveFile(file, reason);
}

} // namespace mivra
