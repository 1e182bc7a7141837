#pragma once

#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mivra::test {

// Whether another process could take the log's write lock now: POSIX locks are the process's,
// so only a child sees the ones this process holds.
inline bool anotherProcessCouldWrite(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const pid_t child = fork();
    if (child == 0) {
        const int handle = ::open(name.constData(), O_RDWR);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0x40000001; // SQLite's reserved byte
        lock.l_len = 1;
        _exit(handle >= 0 && fcntl(handle, F_GETLK, &lock) == 0 && lock.l_type == F_UNLCK ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace mivra::test
