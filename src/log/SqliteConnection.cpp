#include "SqliteConnection.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <utility>

namespace mivra {

SqliteConnection::SqliteConnection(const QString& path, Mode mode)
    : m_owned(true)
{
    const int flags = mode == Mode::ReadOnly    ? SQLITE_OPEN_READONLY
                      : mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE
                                                : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    m_status = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
}

SqliteConnection SqliteConnection::borrowed(const QSqlDatabase& db)
{
    SqliteConnection connection;
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        connection.m_db = *static_cast<sqlite3* const*>(handle.constData());
    connection.m_status = connection.m_db ? SQLITE_OK : SQLITE_MISUSE;
    return connection;
}

SqliteConnection::~SqliteConnection()
{
    if (m_owned)
        sqlite3_close(m_db);
}

SqliteConnection::SqliteConnection(SqliteConnection&& other) noexcept
    : m_db(std::exchange(other.m_db, nullptr))
    , m_status(other.m_status)
    , m_owned(std::exchange(other.m_owned, false))
{
}

SqliteConnection& SqliteConnection::operator=(SqliteConnection&& other) noexcept
{
    if (this != &other) {
        if (m_owned)
            sqlite3_close(m_db);
        m_db = std::exchange(other.m_db, nullptr);
        m_status = other.m_status;
        m_owned = std::exchange(other.m_owned, false);
    }
    return *this;
}

void SqliteConnection::setBusyTimeout(int ms)
{
    sqlite3_busy_timeout(m_db, ms);
}

QString SqliteConnection::errorMessage() const
{
    if (!m_db)
        return m_status == SQLITE_MISUSE ? QStringLiteral("the log is not an open SQLite database")
                                         : QString::fromUtf8(sqlite3_errstr(m_status));
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

bool SqliteConnection::exec(const QString& sql, QString* error)
{
    if (isOpen() && sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    if (error)
        *error = errorMessage();
    return false;
}

int SqliteConnection::userVersion() const
{
    sqlite3_stmt* statement = nullptr;
    int version = -1;
    if (isOpen() && sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        version = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return version;
}

qint64 SqliteConnection::lastInsertId() const
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

qint64 SqliteConnection::changes() const
{
    return m_db ? sqlite3_changes64(m_db) : 0;
}

bool SqliteConnection::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

bool SqliteConnection::transaction(const std::function<bool(QString* error)>& work, QString* error)
{
    if (!exec(QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    QString failure;
    if (work(&failure) && exec(QStringLiteral("COMMIT"), &failure))
        return true;
    if (failure.isEmpty())
        failure = errorMessage();
    if (inTransaction())
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    if (error)
        *error = failure;
    return false;
}

bool SqliteConnection::copyInto(const SqliteConnection& target, QString* error) const
{
    // A few MiB a step: between steps the source is free for writers, so a copy of a big log
    // never holds up a Save for longer than one step.
    constexpr int kPagesPerStep = 1024;
    // A source written between steps makes the copy start again; after this many fresh starts the
    // rest is copied in one step, which writers wait for.
    constexpr int kFreshStarts = 3;
    constexpr int kBusyWaitMs = 10000;
    constexpr int kBusyStepMs = 20;
    sqlite3_backup* backup = nullptr;
    int status = SQLITE_OK;
    int busyMs = 0;
    int freshStarts = 0;
    int remaining = -1;
    for (;;) {
        if (!backup) {
            backup = sqlite3_backup_init(target.m_db, "main", m_db, "main");
            if (!backup) {
                if (error)
                    *error = target.errorMessage();
                return false;
            }
        }
        status = sqlite3_backup_step(backup, freshStarts < kFreshStarts ? kPagesPerStep : -1);
        if (status == SQLITE_DONE)
            break;
        if (status == SQLITE_OK) {
            busyMs = 0;
            const int left = sqlite3_backup_remaining(backup);
            freshStarts += remaining >= 0 && left > remaining ? 1 : 0;
            remaining = left;
            continue;
        }
        const int primary = status & 0xff;
        if ((primary == SQLITE_BUSY || primary == SQLITE_LOCKED) && busyMs < kBusyWaitMs) {
            // An extended busy code (SQLITE_BUSY_RECOVERY: another connection recovers a write-ahead
            // log's index) ends the backup for good: it is made anew.
            if (status != primary) {
                sqlite3_backup_finish(backup);
                backup = nullptr;
                remaining = -1;
            }
            sqlite3_sleep(kBusyStepMs);
            busyMs += kBusyStepMs;
            continue;
        }
        break;
    }
    sqlite3_backup_finish(backup);
    if (status == SQLITE_DONE)
        return true;
    // The source's message says why a read failed; the copy's why a write failed.
    if (error)
        *error = QString::fromUtf8(sqlite3_errcode(m_db) != SQLITE_OK ? sqlite3_errmsg(m_db) : sqlite3_errstr(status));
    return false;
}

bool SqliteConnection::defineFunction(const char* name, int arguments, ScalarFunction function)
{
    return isOpen()
           && sqlite3_create_function(m_db, name, arguments, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, function,
                                      nullptr, nullptr)
                  == SQLITE_OK;
}

} // namespace mivra
