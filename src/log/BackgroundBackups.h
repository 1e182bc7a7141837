#pragma once

#include "LogBackups.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

namespace mivra {

class BackgroundWork;
class WorkerThread;

// What a copy made in the background came to.
struct BackupOutcome {
    QString path;  // the new copy; empty when none was made (not due, or failed)
    QString error; // why a copy that was due could not be made
    QString note;  // something to tell although the copy was made (a budget setting not understood)
};

// Copies of the log made off the window's thread, one after another in the order asked: the daily
// copy at start and the copy before an import. Each counts as work under way in work, so a close
// waits for a copy that is running; a copy not yet started when this object goes is dropped.
class BackgroundBackups {
public:
    BackgroundBackups(const QString& logPath, BackgroundWork* work);
    ~BackgroundBackups();
    BackgroundBackups(const BackgroundBackups&) = delete;
    BackgroundBackups& operator=(const BackgroundBackups&) = delete;

    using Done = std::function<void(const BackupOutcome&)>;
    // A copy when the newest is a day old or older; done gets the outcome on this thread.
    void makeDailyBackup(const QDateTime& nowUtc, Done done);
    void makeBackup(const QDateTime& nowUtc, BackupKind kind, Done done);
    // A copy has been asked for and its outcome not handed over yet.
    bool isBusy() const;

private:
    void run(const QDateTime& nowUtc, BackupKind kind, bool onlyWhenDue, Done done);

    QString m_logPath;
    std::unique_ptr<WorkerThread> m_worker;
};

} // namespace mivra
