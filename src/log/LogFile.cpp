#include "LogFile.h"

#include "ErrorText.h"
#include "LogSchema.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

namespace mivra {

namespace {

// How long opening waits for another connection's commit, as Qt's own connections do.
constexpr int kOpenBusyMs = 5000;

// logtab columns the program reads or writes by name.
const char* const kNamedColumns[] = {"Date", "GMT",  "Callsign", "Grid", "rsts", "rstr",    "DXCC", "QSL",
                                     "Nam",  "Band", "mode",     "QRB",  "QTF",  "Comment", "Prop"};

QStringList columnsOf(SqliteConnection& db, const QString& table, QString* error)
{
    QStringList columns;
    SqliteStatement query(db, QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table));
    while (query.step())
        columns << query.text(0);
    if (!query.isPrepared() || query.failed())
        *error = query.error();
    return columns;
}

} // namespace

bool createLogFile(const QString& path, const std::vector<DxccRow>& dxccRows, QString* error)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    QTemporaryFile temporary(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
    if (!temporary.open()) {
        setError(error, QStringLiteral("Cannot create the log %1: %2").arg(shownPath, temporary.errorString()));
        return false;
    }
    temporary.close();
    const QString temporaryPath = temporary.fileName();

    QString sqlError;
    bool filled = false;
    {
        SqliteConnection connection(temporaryPath, SqliteConnection::Mode::ReadWrite);
        if (!connection.isOpen())
            sqlError = connection.errorMessage();
        else
            filled = createLogTables(connection, dxccRows, &sqlError);
    }
    if (!filled) {
        setError(error, QStringLiteral("Cannot create the log %1: %2").arg(shownPath, sqlError));
        return false;
    }
    // rename() never replaces an existing file.
    if (!QFile::rename(temporaryPath, path)) {
        setError(error, QStringLiteral("Cannot create the log %1: the file cannot be put in place").arg(shownPath));
        return false;
    }
    temporary.setAutoRemove(false);
    return true;
}

namespace {

// The tables and named columns the program uses.
bool checkLogTables(SqliteConnection& connection, const QString& shownPath, QString* error)
{
    QString readError;
    const QStringList logColumns = columnsOf(connection, QStringLiteral("logtab"), &readError);
    const QStringList dxccColumns = columnsOf(connection, QStringLiteral("dxccdata"), &readError);
    if (!readError.isEmpty()) {
        setError(error, QStringLiteral("The log %1 cannot be read: %2").arg(shownPath, readError));
        return false;
    }
    if (logColumns.isEmpty() || dxccColumns.isEmpty()) {
        setError(error,
                 QStringLiteral("The log %1 has no table %2")
                     .arg(shownPath, logColumns.isEmpty() ? QStringLiteral("logtab") : QStringLiteral("dxccdata")));
        return false;
    }
    for (const char* column : kNamedColumns) {
        if (!logColumns.contains(QLatin1String(column), Qt::CaseInsensitive)) {
            setError(error,
                     QStringLiteral("The log %1 has no column %2 in logtab").arg(shownPath, QLatin1String(column)));
            return false;
        }
    }
    if (dxccColumns.size() < 3 || !dxccColumns.contains(QLatin1String("dxcccode"), Qt::CaseInsensitive)) {
        setError(error,
                 QStringLiteral("The log %1 has no dxcccode column and entity column in dxccdata").arg(shownPath));
        return false;
    }
    return true;
}

// Asked of SQLite, never read through a handle of our own: closing one drops every lock this
// process holds on the file (POSIX locks belong to the process), those of the log's open
// connections too, and another program could then write under them.
bool isNotSqlite(const QString& path)
{
    const SqliteConnection probe(path, SqliteConnection::Mode::ReadOnly);
    if (!probe.isOpen())
        return false;
    SqliteStatement query(probe, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    query.step();
    return sqlite3_errcode(probe.handle()) == SQLITE_NOTADB;
}

} // namespace

bool checkLogFile(const QString& path, QString* error)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.isFile()) {
        setError(error, QStringLiteral("The log %1 is not a file").arg(shownPath));
        return false;
    }
    if (!info.isReadable()) {
        setError(error, QStringLiteral("The log %1 cannot be read: %2")
                            .arg(shownPath, QString::fromLocal8Bit(std::strerror(EACCES))));
        return false;
    }
    if (info.size() == 0) {
        setError(error, QStringLiteral("The log %1 is empty; it is not a log").arg(shownPath));
        return false;
    }
    if (isNotSqlite(path)) {
        setError(error, QStringLiteral("The log %1 is not an SQLite database").arg(shownPath));
        return false;
    }
    if (!info.isWritable()) {
        setError(error, QStringLiteral("The log %1 is read-only").arg(shownPath));
        return false;
    }

    // Read-write: the first read rolls back a journal that a crash left, which a read-only
    // connection cannot do. The header above is the only look at a file that may not be a log.
    SqliteConnection connection(path, SqliteConnection::Mode::ReadWrite);
    if (!connection.isOpen()) {
        setError(error, QStringLiteral("The log %1 cannot be opened: %2").arg(shownPath, connection.errorMessage()));
        return false;
    }
    // Another connection may be committing (the shared log's sync, a window beside): it is waited for.
    connection.setBusyTimeout(kOpenBusyMs);
    // A newer program's log is refused before anything else is asked of it.
    const LogLayout layout = readLogLayout(connection);
    if (layout.version < 0) {
        setError(error, QStringLiteral("The log %1 cannot be read: %2").arg(shownPath, connection.errorMessage()));
        return false;
    }
    const QString newer = newerLogRefusal(path, layout);
    if (!newer.isEmpty()) {
        setError(error, newer);
        return false;
    }
    return checkLogTables(connection, shownPath, error);
}

bool checkLogFileForReading(const QString& path, QString* error)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile()) {
        setError(error, QStringLiteral("The log %1 is not a file").arg(shownPath));
        return false;
    }
    SqliteConnection connection(path, SqliteConnection::Mode::ReadOnly);
    if (connection.isOpen())
        connection.setBusyTimeout(kOpenBusyMs);
    const LogLayout layout = connection.isOpen() ? readLogLayout(connection) : LogLayout{};
    if (layout.version < 0) {
        setError(error, QStringLiteral("The log %1 cannot be read: %2").arg(shownPath, connection.errorMessage()));
        return false;
    }
    const QString newer = newerLogRefusal(path, layout);
    if (!newer.isEmpty()) {
        setError(error, newer);
        return false;
    }
    // Brought up to date only by a program that may write it.
    if (layout.version != kNewestLogVersion) {
        setError(error, QStringLiteral("The log %1 has an older layout; it is read once the program that holds it "
                                       "is closed.")
                            .arg(shownPath));
        return false;
    }
    return checkLogTables(connection, shownPath, error);
}

} // namespace mivra
