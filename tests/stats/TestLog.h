#pragma once

#include "LogFile.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>

#include <gtest/gtest.h>

#include <map>

namespace mivra::test {

// A new log without DXCC patterns in a temporary folder, on a connection of its own.
class TestLog {
public:
    TestLog()
        : m_name(QUuid::createUuid().toString())
    {
        QString error;
        if (!createLogFile(path(), {}, &error))
            ADD_FAILURE() << error.toStdString();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path());
        if (!db.open())
            ADD_FAILURE() << db.lastError().text().toStdString();
    }
    ~TestLog()
    {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }

    QString path() const { return m_dir.filePath(QStringLiteral("backup.sqlite")); }
    QString folder() const { return m_dir.path(); }
    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

    // Appends a row: Date and Callsign get defaults, the rest are the given columns (an invalid
    // QVariant stores NULL).
    qint64 add(const std::map<QString, QVariant>& values)
    {
        std::map<QString, QVariant> row{{QStringLiteral("Date"), QStringLiteral("2026-01-02")},
                                        {QStringLiteral("Callsign"), QStringLiteral("OK1AA")}};
        for (const auto& [column, value] : values)
            row[column] = value;
        QStringList columns;
        QStringList marks;
        for (const auto& entry : row) {
            columns << entry.first;
            marks << QStringLiteral("?");
        }
        QSqlQuery insert(db());
        insert.prepare(QStringLiteral("INSERT INTO logtab (%1) VALUES (%2)").arg(columns.join(u','), marks.join(u',')));
        for (const auto& entry : row)
            insert.addBindValue(entry.second);
        if (!insert.exec())
            ADD_FAILURE() << insert.lastError().text().toStdString();
        return insert.lastInsertId().toLongLong();
    }

    QVariant value(qint64 id, const QString& column) const
    {
        QSqlQuery query(db());
        query.prepare(QStringLiteral("SELECT %1 FROM logtab WHERE ID = ?").arg(column));
        query.addBindValue(id);
        return query.exec() && query.next() ? query.value(0) : QVariant(QStringLiteral("<no row>"));
    }

    void exec(const QString& sql)
    {
        QSqlQuery query(db());
        if (!query.exec(sql))
            ADD_FAILURE() << query.lastError().text().toStdString();
    }

private:
    QTemporaryDir m_dir;
    QString m_name;
};

} // namespace mivra::test
