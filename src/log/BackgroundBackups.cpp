#include "BackgroundBackups.h"

#include "WorkerThread.h"

#include <sys/resource.h>
#include <unistd.h>

namespace mivra {

BackgroundBackups::BackgroundBackups(const QString& logPath, BackgroundWork* work)
    : m_logPath(logPath)
    , m_worker(std::make_unique<WorkerThread>(QStringLiteral("backup"), work))
{
}

BackgroundBackups::~BackgroundBackups() = default;

void BackgroundBackups::makeDailyBackup(const QDateTime& nowUtc, Done done)
{
    run(nowUtc, BackupKind::Daily, true, std::move(done));
}

void BackgroundBackups::makeBackup(const QDateTime& nowUtc, BackupKind kind, Done done)
{
    run(nowUtc, kind, false, std::move(done));
}

bool BackgroundBackups::isBusy() const
{
    return m_worker->isBusy();
}

void BackgroundBackups::run(const QDateTime& nowUtc, BackupKind kind, bool onlyWhenDue, Done done)
{
    const QString logPath = m_logPath;
    m_worker->run(
        [logPath, nowUtc, kind, onlyWhenDue] {
            // Compressing a big log takes seconds of a core: the window's thread goes first.
            ::setpriority(PRIO_PROCESS, ::gettid(), 10);
            const LogBackups backups(logPath);
            BackupOutcome outcome;
            if (onlyWhenDue) {
                backups.makeDailyBackup(nowUtc, &outcome.error, &outcome.note, &outcome.path);
            } else {
                outcome.path = backups.makeBackup(nowUtc, &outcome.error, kind, &outcome.note);
            }
            return outcome;
        },
        [done = std::move(done)](const BackupOutcome& outcome) {
            if (done)
                done(outcome);
        });
}

} // namespace mivra
