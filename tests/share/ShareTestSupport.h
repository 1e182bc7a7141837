#pragma once

#include "LogDatabase.h"
#include "PgTestServer.h"
#include "ServerSchema.h"
#include "ShareEngine.h"
#include "ShareTriggers.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mivra::test {

// One position's data folder with its log, made as the program makes it.
class TestPosition {
public:
    explicit TestPosition(QString name)
        : m_name(std::move(name))
    {
        QFile cty(m_dir.filePath(u"cty.csv"_qs));
        cty.open(QIODevice::WriteOnly);
        cty.write("OK,Czech Republic,503,EU,15,28,50.00,-16.00,-1.0,OK OL;\n");
        cty.close();
        QString error;
        const auto log = LogDatabase::open(logPath(), cty.fileName(), &error);
        EXPECT_TRUE(log) << error.toStdString();
    }

    QString name() const { return m_name; }
    QString logPath() const { return m_dir.filePath(u"backup.sqlite"_qs); }

    // Logs count contacts in one transaction, as any writer of the log would.
    void log(int first, int count, const QString& band = u"432"_qs) const
    {
        SqliteConnection db(logPath(), SqliteConnection::Mode::ReadWrite);
        db.setBusyTimeout(10000);
        QString error;
        const bool ok = db.transaction(
            [&](QString* failure) {
                SqliteStatement insert(db, u"INSERT INTO logtab (Date, GMT, Callsign, Grid, Band, mode, QRB, Freq,"
                                           " Comment) VALUES ('2026-06-06', ?, ?, 'JN79', ?, 'SSB', ?, ?, ?)"_qs);
                for (int i = first; i < first + count; ++i) {
                    insert.reset();
                    insert.bindText(1, QStringLiteral("%1").arg(i % 1440, 4, 10, QLatin1Char('0')));
                    insert.bindText(2, QStringLiteral("OK%1%2").arg(i).arg(m_name.right(1)));
                    insert.bindText(3, band);
                    insert.bindReal(4, 100.25 + i);
                    insert.bindReal(5, 432.0 + i / 1e6);
                    insert.bindText(6, QStringLiteral("de %1, tab\there \"quoted\" \\ ü").arg(m_name));
                    if (!insert.run()) {
                        *failure = insert.error();
                        return false;
                    }
                }
                return true;
            },
            &error);
        EXPECT_TRUE(ok) << error.toStdString();
    }

    // Runs one statement on the log.
    void exec(const QString& sql) const
    {
        SqliteConnection db(logPath(), SqliteConnection::Mode::ReadWrite);
        db.setBusyTimeout(10000);
        QString error;
        EXPECT_TRUE(db.exec(sql, &error)) << error.toStdString();
    }

    // Every contact, every column sent and its other fields, exactly as stored (type included), in
    // identity order.
    QStringList contacts() const
    {
        SqliteConnection db(logPath(), SqliteConnection::Mode::ReadOnly);
        QStringList quotedColumns;
        for (const QString& column : sharePayloadColumns(db))
            quotedColumns << QStringLiteral("quote(\"%1\")").arg(column);
        quotedColumns << u"quote((SELECT fields FROM logfields WHERE logfields.ID = logtab.ID))"_qs;
        SqliteStatement rows(db, QStringLiteral("SELECT Uuid || ' ' || %1 FROM logtab ORDER BY Uuid")
                                     .arg(quotedColumns.join(u" || '|' || "_qs)));
        QStringList out;
        while (rows.step())
            out << rows.text(0);
        return out;
    }

    // One value read from the log. Read-write, so that a journal left by a killed writer is rolled
    // back here instead of failing the read.
    QString value(const QString& sql) const
    {
        SqliteConnection db(logPath(), SqliteConnection::Mode::ReadWrite);
        db.setBusyTimeout(10000);
        SqliteStatement query(db, sql);
        return query.step() ? query.text(0) : QString();
    }

private:
    QTemporaryDir m_dir;
    QString m_name;
};

// A database "club" on the server made into an empty shared log, as `mivra share-init` does.
inline void makeSharedLog(PgTestServer& server, const QString& databaseOptions = {})
{
    ASSERT_TRUE(server.createDatabase(u"club"_qs, databaseOptions));
    share::PgConnection admin;
    ASSERT_TRUE(admin.open(server.url(u"club"_qs), nullptr));
    QString error;
    ASSERT_TRUE(share::initServer(admin, &error)) << error.toStdString();
}

} // namespace mivra::test
