#pragma once

#include "RigReading.h"
#include "RigSettings.h"

#include <QObject>

#include <atomic>
#include <memory>

class QTimer;

namespace mivra::rig {

class HamlibConnection;

// Lives on the worker thread: opens the radio, reads it about once a second and opens it again
// after it stopped answering.
class RigPoller : public QObject {
    Q_OBJECT
public:
    // Once leftForGood is set, a poll under way does not return when the radio lets it go: the
    // program is ending without it.
    RigPoller(RigSettings settings, int intervalMs, std::shared_ptr<std::atomic_bool> leftForGood);
    ~RigPoller() override;

    // Starts polling; call it on the worker thread.
    void start();

signals:
    void polled(const mivra::rig::RigReading& reading);

private:
    void poll();
    void stayIfLeft() const;

    RigSettings m_settings;
    int m_intervalMs;
    QTimer* m_timer = nullptr;
    std::unique_ptr<HamlibConnection> m_connection;
    std::shared_ptr<std::atomic_bool> m_leftForGood;
};

} // namespace mivra::rig
