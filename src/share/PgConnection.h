#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct pg_conn;
struct pg_result;

namespace mivra::share {

// One result of a statement: rows of text, NULL as a missing value.
class PgResult {
public:
    PgResult() = default;
    explicit PgResult(pg_result* result);
    bool ok() const { return m_ok; }
    QString error() const { return m_error; }
    int rows() const;
    QString text(int row, int column) const;
    bool isNull(int row, int column) const;

private:
    std::shared_ptr<pg_result> m_result;
    bool m_ok = false;
    QString m_error;
};

// One libpq connection to the shared log's server. Credentials come from the URL, ~/.pgpass or the
// libpq environment; nothing here stores them.
class PgConnection {
public:
    PgConnection() = default;
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Connects to url (postgresql://… or a key=value list); false with a message for the operator.
    bool open(const QString& url, QString* error);
    bool isOpen() const;
    void close();

    // Runs sql with text parameters bound (never spliced into the statement).
    PgResult exec(const QString& sql, const QStringList& parameters = {});
    // exec that must succeed; false with the server's message in *error.
    bool run(const QString& sql, const QStringList& parameters, QString* error);

    // Runs a COPY … TO STDOUT and hands every line (without its line break) to row, which may stop
    // the copy by returning false. False with a message when the copy failed or was stopped.
    bool copyOut(const QString& sql, const std::function<bool(const QByteArray& line)>& row, QString* error);

    // The socket, for waiting on notifications; -1 when closed.
    int socket() const;
    // Reads what arrived and returns the count of notifications on the channels listened to.
    // nullopt when the connection broke.
    std::optional<int> takeNotifications();
    // Waits up to ms for a notification; nullopt when the connection broke.
    std::optional<int> waitForNotifications(int ms);

    QString errorMessage() const;

private:
    pg_conn* m_conn = nullptr;
};

// A field of COPY's text format, its escapes undone.
QByteArray copyTextField(QByteArrayView field);

} // namespace mivra::share
