#pragma once

#include "ShareEngine.h"
#include "ShareSettings.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QLabel;
class QWidget;

namespace mivra {

class BackgroundWork;
class LogDatabase;
class Messages;
class WorkerThread;
namespace share {
class ShareListener;
}

// The shared log in the main window: syncs on worker threads at once after each change made here,
// when another position's change is announced and when the server comes back, and shows how it
// stands ("shared: 3 positions, all sent").
class ShareLink : public QObject {
    Q_OBJECT
public:
    struct Services {
        LogDatabase& log;
        Messages& messages;
        BackgroundWork& work;
        QString iniPath;                  // mivra.ini in the data folder: [share]
        std::function<void()> logChanged; // other positions' contacts arrived: reload what is shown
        std::function<bool()> viewBusy;   // a reload now would lose what is being typed (a cell's editor)
        // Runs work with the view's read of the log closed, and shows the log again after it.
        std::function<void(const std::function<void()>& work)> withViewReleased;
    };

    ShareLink(QWidget* window, Services services);
    ~ShareLink() override;

    // Starts sharing (again) with these settings; an empty one stops it, keeping the local log.
    void start(const ShareSettings& settings);
    // At the start of the program: these settings (--share, for this run only) when set, else
    // those kept in mivra.ini.
    void startUp(const ShareSettings& forThisRun);
    // The "Shared log…" dialog; a join is kept in mivra.ini and used at once, a leave stops
    // sharing and removes it there.
    void editSettings(QWidget* parent);
    // Commits to the log: through the window's connection, and data_version for the others.
    struct LogChanges {
        qint64 here = -1;
        qint64 elsewhere = -1;
    };

    // How the sharing stands, in a sentence.
    QString stateText() const;
    ShareSettings settings() const { return m_settings; }
    QLabel* status() const { return m_status; }

private:
    void stop();
    // New contacts logged here are marked with this position ("" when not shared).
    void markContactsAs(const QString& position);
    void requestSync();
    void onSynced(const share::SyncReport& report);
    void tell(const QString& message);
    void prepareLog();
    void listen();
    void onCheck();
    void showStatus();
    // Reloads what the window shows, or as soon as the view is no longer busy.
    void reloadView();

    Services m_services;
    QLabel* m_status;
    ShareSettings m_settings;
    WorkerThread* m_syncWorker = nullptr;
    WorkerThread* m_listenWorker = nullptr;
    std::shared_ptr<share::ShareEngine> m_engine;
    std::shared_ptr<share::ShareListener> m_listener;
    QTimer m_check; // local changes, and the retry while the server is away
    LogChanges m_changesSeen;
    int m_sinceRetry = 0; // ms since the last retry
    bool m_syncAgain = false;
    bool m_reloadPending = false; // contacts arrived while the view was busy
    QDateTime m_awaySince;
    share::SyncReport m_last;
    int m_generation = 0; // results of an earlier start are dropped
};

} // namespace mivra
