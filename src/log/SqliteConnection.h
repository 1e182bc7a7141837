#pragma once

#include <QString>

#include <functional>

struct sqlite3;
struct sqlite3_context;
struct sqlite3_value;
class QSqlDatabase;

namespace mivra {

// One SQLite connection through the C API: opened here and closed with this object, or borrowed
// from the QtSql connection of the log (then QtSql closes it). Every use of the C API in the
// program goes through this and SqliteStatement.
class SqliteConnection {
public:
    enum class Mode { ReadOnly, ReadWrite, ReadWriteCreate };

    SqliteConnection() = default;
    // Opens the file at path; isOpen() and errorMessage() tell how that went.
    SqliteConnection(const QString& path, Mode mode);
    // The connection under an open QtSql SQLite connection; not open when db is none.
    static SqliteConnection borrowed(const QSqlDatabase& db);
    ~SqliteConnection();

    SqliteConnection(SqliteConnection&& other) noexcept;
    SqliteConnection& operator=(SqliteConnection&& other) noexcept;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    bool isOpen() const { return m_db && m_status == 0; }
    sqlite3* handle() const { return m_db; }
    // SQLite's text for the last failure on this connection (or of the open).
    QString errorMessage() const;

    // How long a statement waits while another connection holds the lock it needs.
    void setBusyTimeout(int ms);
    // Runs statements that return no rows; false with SQLite's message in *error.
    bool exec(const QString& sql, QString* error = nullptr);
    // PRAGMA user_version: the layout version the file carries; -1 when it cannot be read.
    int userVersion() const;
    // The ID of the row the last INSERT on this connection made.
    qint64 lastInsertId() const;
    // The rows the last INSERT, UPDATE or DELETE on this connection changed.
    qint64 changes() const;
    // A transaction is open on this connection.
    bool inTransaction() const;
    // Runs work in one transaction (BEGIN IMMEDIATE): committed when it returns true, rolled back
    // otherwise. *error holds work's message, or SQLite's when work left none.
    bool transaction(const std::function<bool(QString* error)>& work, QString* error);

    // Copies this database whole into target with SQLite's online backup, a few MiB at a time so
    // that writers get in between, waiting up to 10 s while a writer holds it. False with the
    // reason in *error.
    bool copyInto(const SqliteConnection& target, QString* error) const;

    using ScalarFunction = void (*)(sqlite3_context*, int, sqlite3_value**);
    // Makes a deterministic SQL function of UTF-8 arguments known to this connection.
    bool defineFunction(const char* name, int arguments, ScalarFunction function);

private:
    sqlite3* m_db = nullptr;
    int m_status = 0;
    bool m_owned = false;
};

} // namespace mivra
