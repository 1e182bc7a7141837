#pragma once

#include "LogDatabase.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

#include <memory>
#include <utility>
#include <vector>

namespace mivra::test {

inline const QString kRealCtyCsv = QStringLiteral("/usr/share/hamradio-files/cty.csv");

// Files of this process may grow to limit bytes and no further, as on a disk that is full: a
// write beyond gets EFBIG. Unprivileged, unlike filling a disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_before);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = m_before;
        lower.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &lower);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, m_signal);
    }

private:
    rlimit m_before{};
    void (*m_signal)(int) = nullptr;
};

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray fileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// A cty.csv of a few entities, enough to create a log quickly.
inline QByteArray smallCtyCsv()
{
    return "DL,Fed. Rep. of Germany,230,EU,14,28,51.00,-10.00,-1.0,DA DL =DL0ABC;\n"
           "OK,Czech Republic,503,EU,15,28,50.00,-16.00,-1.0,OK OL;\n";
}

// Opens a new log in dir created from smallCtyCsv(); fails the test when it cannot.
inline std::unique_ptr<LogDatabase> createSmallLog(const QTemporaryDir& dir)
{
    const QString cty = dir.filePath(QStringLiteral("cty.csv"));
    writeFile(cty, smallCtyCsv());
    QString error;
    auto log = LogDatabase::open(dir.filePath(QStringLiteral("backup.sqlite")), cty, &error);
    EXPECT_TRUE(log) << error.toStdString();
    return log;
}

// Runs statements on the log's connection, failing the test on the first error.
inline void execAll(const LogDatabase& log, const QStringList& statements)
{
    QSqlQuery query(log.database());
    for (const QString& statement : statements)
        ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
}

// The first column of every row the statement returns, as text.
inline QStringList column0(const LogDatabase& log, const QString& statement)
{
    QSqlQuery query(log.database());
    QStringList values;
    if (!query.exec(statement))
        return {QStringLiteral("<error>")};
    while (query.next())
        values << query.value(0).toString();
    return values;
}

// Replaces dxccdata's rows by these patterns and entities, in this order.
inline void setDxccRows(const LogDatabase& log, const std::vector<std::pair<QString, QString>>& rows)
{
    QSqlQuery query(log.database());
    ASSERT_TRUE(query.exec(QStringLiteral("DELETE FROM dxccdata")));
    ASSERT_TRUE(query.prepare(QStringLiteral("INSERT INTO dxccdata VALUES (0, ?, ?)")));
    for (const auto& [pattern, entity] : rows) {
        query.addBindValue(pattern);
        query.addBindValue(entity);
        ASSERT_TRUE(query.exec());
    }
    log.reloadDxccPatterns();
}

// Builds an SQLite file at path with these statements, through a connection of its own.
inline void makeSqliteFile(const QString& path, const QStringList& statements)
{
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        for (const QString& statement : statements)
            ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
        query.clear();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

inline const QString kDxccTable = QStringLiteral("CREATE TABLE dxccdata (ADIF INTEGER, dxcccode TEXT, entity TEXT)");

inline QStringList logColumns(const LogDatabase& log)
{
    return column0(log, QStringLiteral("SELECT name FROM pragma_table_info('logtab')"));
}

} // namespace mivra::test
