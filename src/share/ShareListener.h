#pragma once

#include "PgConnection.h"

#include <QString>

namespace mivra::share {

// Waits for other positions' pushes: a connection of its own that LISTENs on the shared log's
// channel. Runs on one thread (a worker's).
class ShareListener {
public:
    explicit ShareListener(QString url)
        : m_url(std::move(url))
    {
    }

    enum class Heard { Nothing, Change, Reconnected, Away };
    // Waits up to ms for a change; reconnects first when the server had gone (Reconnected then
    // means: it is back, and what was missed should be pulled).
    Heard wait(int ms);

private:
    QString m_url;
    PgConnection m_server;
};

} // namespace mivra::share
