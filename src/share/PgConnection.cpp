#include "PgConnection.h"

#include <libpq-fe.h>

#include <poll.h>

#include <vector>

namespace mivra::share {

PgResult::PgResult(pg_result* result)
    : m_result(result, PQclear)
{
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    m_ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    if (!m_ok)
        m_error = result ? QString::fromUtf8(PQresultErrorMessage(result)).trimmed()
                         : QStringLiteral("the server did not answer");
}

int PgResult::rows() const
{
    return m_result ? PQntuples(m_result.get()) : 0;
}

QString PgResult::text(int row, int column) const
{
    return QString::fromUtf8(PQgetvalue(m_result.get(), row, column));
}

bool PgResult::isNull(int row, int column) const
{
    return PQgetisnull(m_result.get(), row, column) != 0;
}

PgConnection::~PgConnection()
{
    close();
}

bool PgConnection::open(const QString& url, QString* error)
{
    close();
    const QByteArray info = url.toUtf8();
    const char* keys[] = {"dbname", "connect_timeout", "client_encoding", "application_name", nullptr};
    const char* values[] = {info.constData(), "5", "UTF8", "mivra", nullptr};
    m_conn = PQconnectdbParams(keys, values, 1);
    if (PQstatus(m_conn) != CONNECTION_OK) {
        if (error)
            *error = errorMessage();
        close();
        return false;
    }
    return true;
}

bool PgConnection::isOpen() const
{
    return m_conn && PQstatus(m_conn) == CONNECTION_OK;
}

void PgConnection::close()
{
    if (m_conn)
        PQfinish(m_conn);
    m_conn = nullptr;
}

QString PgConnection::errorMessage() const
{
    return m_conn ? QString::fromUtf8(PQerrorMessage(m_conn)).trimmed() : QStringLiteral("not connected");
}

PgResult PgConnection::exec(const QString& sql, const QStringList& parameters)
{
    if (!m_conn)
        return PgResult(nullptr);
    std::vector<QByteArray> bytes;
    std::vector<const char*> values;
    bytes.reserve(parameters.size());
    for (const QString& parameter : parameters) {
        bytes.push_back(parameter.toUtf8());
        values.push_back(parameter.isNull() ? nullptr : bytes.back().constData());
    }
    return PgResult(PQexecParams(m_conn, sql.toUtf8().constData(), int(values.size()), nullptr, values.data(),
                                 nullptr, nullptr, 0));
}

bool PgConnection::run(const QString& sql, const QStringList& parameters, QString* error)
{
    const PgResult result = exec(sql, parameters);
    if (!result.ok() && error)
        *error = m_conn && PQstatus(m_conn) != CONNECTION_OK ? errorMessage() : result.error();
    return result.ok();
}

bool PgConnection::copyOut(const QString& sql, const std::function<bool(const QByteArray&)>& row, QString* error)
{
    if (!m_conn) {
        if (error)
            *error = errorMessage();
        return false;
    }
    PGresult* started = PQexec(m_conn, sql.toUtf8().constData());
    const bool copying = PQresultStatus(started) == PGRES_COPY_OUT;
    if (!copying) {
        if (error)
            *error = QString::fromUtf8(PQresultErrorMessage(started)).trimmed();
        PQclear(started);
        return false;
    }
    PQclear(started);
    bool stopped = false;
    for (;;) {
        char* buffer = nullptr;
        const int length = PQgetCopyData(m_conn, &buffer, 0);
        if (length < 0)
            break;
        if (!stopped) {
            QByteArray line = QByteArray::fromRawData(buffer, length > 0 && buffer[length - 1] == '\n' ? length - 1
                                                                                                      : length);
            stopped = !row(line);
        }
        PQfreemem(buffer);
        if (stopped)
            break;
    }
    if (stopped) {
        // Drops the rest of the copy: the connection is not reused in the middle of one.
        if (error)
            *error = QStringLiteral("the copy was stopped");
        close();
        return false;
    }
    bool ok = true;
    while (PGresult* result = PQgetResult(m_conn)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK) {
            ok = false;
            if (error)
                *error = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        }
        PQclear(result);
    }
    if (ok && PQstatus(m_conn) != CONNECTION_OK) {
        ok = false;
        if (error)
            *error = errorMessage();
    }
    return ok;
}

int PgConnection::socket() const
{
    return m_conn ? PQsocket(m_conn) : -1;
}

std::optional<int> PgConnection::takeNotifications()
{
    if (!m_conn || !PQconsumeInput(m_conn) || PQstatus(m_conn) != CONNECTION_OK)
        return std::nullopt;
    int count = 0;
    while (PGnotify* notify = PQnotifies(m_conn)) {
        ++count;
        PQfreemem(notify);
    }
    return count;
}

std::optional<int> PgConnection::waitForNotifications(int ms)
{
    const std::optional<int> waiting = takeNotifications();
    if (!waiting || *waiting > 0)
        return waiting;
    pollfd descriptor{socket(), POLLIN, 0};
    if (::poll(&descriptor, 1, ms) < 0)
        return 0;
    return takeNotifications();
}

QByteArray copyTextField(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c != '\\' || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const char next = field[++i];
        switch (next) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'v': out += '\v'; break;
        default: out += next; break;
        }
    }
    return out;
}

} // namespace mivra::share
