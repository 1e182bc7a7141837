#pragma once

#include "RigReading.h"
#include "RigSettings.h"

#include <QObject>

namespace mivra {
class WorkerThread;
}

namespace mivra::rig {

class RigPoller;

// Polls a radio on a worker thread of its own (WorkerThread), so the window never waits for it;
// readings arrive as queued signals on the owner's thread.
class RigControl : public QObject {
    Q_OBJECT
public:
    explicit RigControl(QObject* parent = nullptr);
    ~RigControl() override;

    // Stops any poll running, then polls the radio of these settings (nothing when not enabled).
    void start(const RigSettings& settings, int intervalMs = 1000);
    void stop();
    bool isRunning() const { return m_poller != nullptr; }

signals:
    void polled(const mivra::rig::RigReading& reading);

private:
    WorkerThread* m_worker = nullptr;
    RigPoller* m_poller = nullptr;
};

} // namespace mivra::rig
