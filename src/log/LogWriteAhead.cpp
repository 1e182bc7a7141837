#include "LogDatabase.h"

#include "ErrorText.h"

#include <QSqlError>
#include <QSqlQuery>

// Write-ahead mode of a shared log, and the connection its view's rows are read on then.

namespace mivra {

bool LogDatabase::isWriteAhead() const
{
    QSqlQuery mode(m_db);
    return mode.exec(QStringLiteral("PRAGMA journal_mode")) && mode.next()
           && mode.value(0).toString() == QLatin1String("wal");
}

bool LogDatabase::useWriteAheadLog(QString* error)
{
    QSqlQuery mode(m_db);
    if (!mode.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !mode.next()) {
        setError(error, mode.lastError().text());
        return false;
    }
    if (mode.value(0).toString() != QLatin1String("wal")) {
        setError(error, QStringLiteral("it stays in %1 journal mode").arg(mode.value(0).toString()));
        return false;
    }
    return openViewConnection(error);
}

QSqlDatabase LogDatabase::viewDatabase() const
{
    return m_viewDb.isOpen() ? m_viewDb : m_db;
}

bool LogDatabase::openViewConnection(QString* error)
{
    if (m_viewDb.isOpen())
        return true;
    const QString name = m_connectionName + QStringLiteral("-view");
    m_viewDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    m_viewDb.setDatabaseName(m_path);
    m_viewDb.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (m_viewDb.open())
        return true;
    setError(error, m_viewDb.lastError().text());
    m_viewDb = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    return false;
}

} // namespace mivra
