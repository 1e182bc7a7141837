#pragma once

#include "RigReading.h"
#include "RigSettings.h"

#include <QObject>

#include <memory>

class QTimer;

namespace mivra::rig {

class HamlibConnection;

// Lives on the worker thread: opens the radio, reads it about once a second and opens it again
// after it stopped answering.
class RigPoller : public QObject {
    Q_OBJECT
public:
    explicit RigPoller(RigSettings settings, int intervalMs = 1000);
    ~RigPoller() override;

    // Starts polling; call it on the worker thread.
    void start();

signals:
    void polled(const mivra::rig::RigReading& reading);

private:
    void poll();

    RigSettings m_settings;
    int m_intervalMs;
    QTimer* m_timer = nullptr;
    std::unique_ptr<HamlibConnection> m_connection;
};

} // namespace mivra::rig
