#pragma once

#include "ShareEngine.h"

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

// Where this position shares its log: the server's URL (credentials from ~/.pgpass or the libpq
// environment, or in the URL for this run only) and the position's name.
struct ShareSettings {
    QString url;
    QString position;
    bool isSet() const { return !url.isEmpty() && !position.isEmpty(); }
};

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
        std::function<void()> logChanged; // other positions' contacts arrived: reload what is shown
    };

    ShareLink(QWidget* window, Services services);
    ~ShareLink() override;

    // Starts sharing (again) with these settings; an empty one stops it, keeping the local log.
    void start(const ShareSettings& settings);
    ShareSettings settings() const { return m_settings; }
    QLabel* status() const { return m_status; }

private:
    void stop();
    void requestSync();
    void onSynced(const share::SyncReport& report);
    void listen();
    void onCheck();
    void showStatus();

    Services m_services;
    QLabel* m_status;
    ShareSettings m_settings;
    WorkerThread* m_syncWorker = nullptr;
    WorkerThread* m_listenWorker = nullptr;
    std::shared_ptr<share::ShareEngine> m_engine;
    std::shared_ptr<share::ShareListener> m_listener;
    QTimer m_check; // local changes, and the retry while the server is away
    qint64 m_changesSeen = -1;
    int m_sinceRetry = 0; // ms since the last retry
    bool m_syncAgain = false;
    QDateTime m_awaySince;
    share::SyncReport m_last;
    int m_generation = 0; // results of an earlier start are dropped
};

} // namespace mivra
