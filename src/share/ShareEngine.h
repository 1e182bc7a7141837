#pragma once

#include "PgConnection.h"
#include "SqliteConnection.h"

#include <QString>
#include <QStringList>

namespace mivra::share {

// What one round of sync did.
struct SyncReport {
    bool reached = false; // the server was reached and both directions went through
    QString error;        // why not
    int pushed = 0;       // changes the server took from here
    int pulled = 0;       // contacts changed here by other positions
    QStringList lost;     // changes made here that a later change elsewhere overrode, one line each
    qint64 queued = 0;    // changes made here still to send
    int positions = 0;    // positions that have pushed to the server
};

// Keeps one local log in step with the shared log on a server: pushes what share_outbox lists,
// pulls what other positions changed since the last pull. Runs on one thread (a worker's); its own
// connections to the log and to the server.
class ShareEngine {
public:
    ShareEngine(QString logPath, QString url, QString position);

    // Opens the log and the server, checks the server's layout, records the position name and
    // queues contacts never sent. False with a message; the log then goes on locally.
    bool connect(QString* error);
    bool isConnected() const { return m_server.isOpen(); }
    void disconnect() { m_server.close(); }

    // Push then pull; reconnects first when the server had gone.
    SyncReport sync();
    // The changes made here still to send; -1 when the log cannot be read.
    qint64 queuedCount();

    // Rows per push and per pull transaction.
    void setBatchSize(int rows)
    {
        m_batch = rows;
        m_pullBatch = rows;
    }

private:
    bool openLog(QString* error);
    // Notes the server in the log; a server other than the last one starts the pull from its
    // first change and queues every contact for it.
    bool joinServer(QString* error);
    bool push(SyncReport& report);
    bool pull(SyncReport& report);

    QString m_logPath;
    QString m_url;
    QString m_position;
    SqliteConnection m_log;
    PgConnection m_server;
    QStringList m_columns; // the local payload columns
    int m_batch = 10000;
    // A pull's commit writes every index page its rows touched; in a big log their random
    // identities touch nearly every page of the identity indexes, so fewer, bigger transactions
    // write far less. Its rows wait in memory (some 50 MiB), and other writers of the log wait for
    // its commit (about 3 s in a log of a million contacts).
    int m_pullBatch = 50000;
};

// The stamp's clock, for moving the local clock past a pulled change.
qint64 stampClock(const QString& stamp);
// The position that made a change, from its stamp.
QString stampPosition(const QString& stamp);

} // namespace mivra::share
