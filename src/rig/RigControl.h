#pragma once

#include "RigReading.h"
#include "RigSettings.h"

#include <QObject>

#include <atomic>
#include <memory>

class QTimer;

namespace mivra {
class WorkerThread;
}

namespace mivra::rig {

class RigPoller;

// Polls a radio on a worker thread of its own (WorkerThread), so the window never waits for it;
// readings arrive as queued signals on the owner's thread. A radio that gives no reading within its time (one that stopped
// in the middle of a reply, whose line Hamlib may wait on for long) is reported as not answering,
// and a poll stuck in it never holds the end of the program.
class RigControl : public QObject {
    Q_OBJECT
public:
    // How long after the poll's interval a reading may take before the radio counts as silent.
    static constexpr int kAnswerMs = 2000;
    // How long stopping waits for a poll under way.
    static constexpr int kStopWaitMs = 250;

    explicit RigControl(QObject* parent = nullptr);
    ~RigControl() override;

    // Stops any poll running, then polls the radio of these settings (nothing when not enabled).
    void start(const RigSettings& settings, int intervalMs = 1000);
    void stop();
    bool isRunning() const { return m_poller != nullptr; }

signals:
    void polled(const mivra::rig::RigReading& reading);

private:
    // Stops the poll; a poll that does not end in time is left to end by itself, or, when
    // forGood, to stay where it is until the program ends.
    void stop(bool forGood);
    void onPolled(const RigReading& reading);

    WorkerThread* m_worker = nullptr;
    RigPoller* m_poller = nullptr;
    QTimer* m_silence = nullptr;
    int m_intervalMs = 1000;
    std::shared_ptr<std::atomic_bool> m_leftForGood;
};

} // namespace mivra::rig
