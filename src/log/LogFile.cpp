#include "LogFile.h"

#include "ErrorText.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryFile>
#include <QUuid>
#include <QVariant>

namespace mivra {

namespace {

const char* const kCreateStatements[] = {
    "CREATE TABLE logtab ("
    " ID INTEGER PRIMARY KEY,"
    " Date TEXT COLLATE NOCASE NOT NULL CHECK (length(trim(Date)) > 0),"
    " GMT TEXT COLLATE NOCASE,"
    " Callsign TEXT COLLATE NOCASE NOT NULL CHECK (length(trim(Callsign)) > 0),"
    " Grid TEXT COLLATE NOCASE,"
    " rsts TEXT COLLATE NOCASE,"
    " rstr TEXT COLLATE NOCASE,"
    " DXCC TEXT COLLATE NOCASE,"
    " QSL TEXT COLLATE NOCASE,"
    " Nam TEXT COLLATE NOCASE,"
    " Band TEXT COLLATE NOCASE,"
    " mode TEXT COLLATE NOCASE,"
    " QRB REAL,"
    " QTF REAL,"
    " Comment TEXT COLLATE NOCASE,"
    " Prop TEXT COLLATE NOCASE,"
    " QSLman TEXT COLLATE NOCASE,"
    " GEdata TEXT COLLATE NOCASE,"
    " GEpoly TEXT COLLATE NOCASE,"
    " GEgridXY TEXT COLLATE NOCASE)",
    "CREATE TABLE dxccdata ("
    " ADIF INTEGER,"
    " dxcccode TEXT COLLATE NOCASE,"
    " entity TEXT COLLATE NOCASE)",
};

// Made with a new log, and made at open where an older log lacks them.
const char* const kIndexStatements[] = {
    // The view walks logtab_time newest first and tests the band on the index entry, so the
    // first screen comes without sorting; logtab_band serves the counts, callsign and grid the searches.
    "CREATE INDEX IF NOT EXISTS logtab_time ON logtab (Date DESC, GMT DESC, Band)",
    "CREATE INDEX IF NOT EXISTS logtab_band ON logtab (Band)",
    "CREATE INDEX IF NOT EXISTS logtab_callsign ON logtab (Callsign COLLATE NOCASE)",
    "CREATE INDEX IF NOT EXISTS logtab_grid ON logtab (Grid)",
    // Worked before, new square and new entity on a band: one index seek each.
    "CREATE INDEX IF NOT EXISTS logtab_square ON logtab (upper(substr(Grid, 1, 4)), Band)",
    "CREATE INDEX IF NOT EXISTS logtab_dxcc ON logtab (DXCC COLLATE NOCASE, Band)",
    // The lookup narrows the patterns to those that can match the callsign's first character.
    "CREATE INDEX IF NOT EXISTS dxccdata_initial ON dxccdata (upper(substr(dxcccode, 1, 1)))",
};

// logtab columns the program reads or writes by name.
const char* const kNamedColumns[] = {"Date", "GMT",  "Callsign", "Grid", "rsts", "rstr",    "DXCC", "QSL",
                                     "Nam",  "Band", "mode",     "QRB",  "QTF",  "Comment", "Prop"};

// A connection of its own, closed and removed on leaving the scope.
class ScopedConnection {
public:
    ScopedConnection(const QString& path, const QString& options)
        : m_name(QStringLiteral("mivra-logfile-") + QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(options);
        m_opened = db.open();
        if (!m_opened)
            m_openError = db.lastError().text();
    }
    ~ScopedConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    ScopedConnection(const ScopedConnection&) = delete;
    ScopedConnection& operator=(const ScopedConnection&) = delete;

    bool isOpen() const { return m_opened; }
    QString openError() const { return m_openError; }
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
    bool m_opened = false;
    QString m_openError;
};

bool createIndexes(QSqlQuery& query)
{
    for (const char* statement : kIndexStatements) {
        if (!query.exec(QString::fromLatin1(statement)))
            return false;
    }
    return true;
}

bool fillNewLog(QSqlDatabase db, const std::vector<DxccRow>& dxccRows, QString* sqlError)
{
    return inTransaction(
        db,
        [&dxccRows](QSqlQuery& query) {
            for (const char* statement : kCreateStatements) {
                if (!query.exec(QString::fromLatin1(statement)))
                    return false;
            }
            if (!createIndexes(query)
                || !query.prepare(QStringLiteral("INSERT INTO dxccdata (ADIF, dxcccode, entity) VALUES (?, ?, ?)")))
                return false;
            for (const DxccRow& row : dxccRows) {
                query.bindValue(0, row.adifNumber);
                query.bindValue(1, row.pattern);
                query.bindValue(2, row.entity);
                if (!query.exec())
                    return false;
            }
            return true;
        },
        sqlError);
}

} // namespace

bool createMissingIndexes(QSqlDatabase db, QString* error)
{
    return inTransaction(db, createIndexes, error);
}

bool inTransaction(QSqlDatabase db, const std::function<bool(QSqlQuery&)>& work, QString* error)
{
    if (!db.transaction()) {
        setError(error, db.lastError().text());
        return false;
    }
    QSqlQuery query(db);
    if (!work(query)) {
        setError(error, query.lastError().text());
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        setError(error, db.lastError().text());
        db.rollback();
        return false;
    }
    return true;
}

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
        ScopedConnection connection(temporaryPath, QString());
        if (!connection.isOpen())
            sqlError = connection.openError();
        else
            filled = fillNewLog(connection.database(), dxccRows, &sqlError);
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

bool checkLogFile(const QString& path, QString* error)
{
    const QString shownPath = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.isFile()) {
        setError(error, QStringLiteral("The log %1 is not a file").arg(shownPath));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("The log %1 cannot be read: %2").arg(shownPath, file.errorString()));
        return false;
    }
    const QByteArray header = file.read(16);
    file.close();
    if (header.isEmpty()) {
        setError(error, QStringLiteral("The log %1 is empty; it is not a log").arg(shownPath));
        return false;
    }
    if (header != QByteArray("SQLite format 3\0", 16)) {
        setError(error, QStringLiteral("The log %1 is not an SQLite database").arg(shownPath));
        return false;
    }
    if (!info.isWritable()) {
        setError(error, QStringLiteral("The log %1 is read-only").arg(shownPath));
        return false;
    }

    // Read-write: the first read rolls back a journal that a crash left, which a read-only
    // connection cannot do. The header above is the only look at a file that may not be a log.
    ScopedConnection connection(path, QString());
    if (!connection.isOpen()) {
        setError(error, QStringLiteral("The log %1 cannot be opened: %2").arg(shownPath, connection.openError()));
        return false;
    }
    QSqlQuery query(connection.database());
    auto columnsOf = [&](const QString& table, QStringList* columns) {
        if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
            return false;
        while (query.next())
            columns->append(query.value(1).toString());
        return true;
    };
    QStringList logColumns;
    QStringList dxccColumns;
    if (!columnsOf(QStringLiteral("logtab"), &logColumns) || !columnsOf(QStringLiteral("dxccdata"), &dxccColumns)) {
        setError(error, QStringLiteral("The log %1 cannot be read: %2").arg(shownPath, query.lastError().text()));
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

} // namespace mivra
