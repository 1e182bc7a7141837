#include "LogFile.h"
#include "CtyCsv.h"
#include "LogTestSupport.h"
#include "ProcessLocks.h"
#include "RunAsNobody.h"
#include "SqliteConnection.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace mivra {
namespace {

using test::anotherProcessCouldWrite;
using test::column0;
using test::execAll;
using test::fileHash;
using test::kRealCtyCsv;
using test::writeFile;

using test::kDxccTable;
using test::logColumns;
using test::makeSqliteFile;

TEST(LogFile, CreatesAMissingLogFromTheRealPrefixFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"backup.sqlite"_qs);
    QString error;
    auto log = LogDatabase::open(path, kRealCtyCsv, &error);
    ASSERT_TRUE(log) << error.toStdString();

    const QStringList expectedColumns = {
        u"ID"_qs,        u"Date"_qs,   u"GMT"_qs,      u"Callsign"_qs, u"Grid"_qs,     u"rsts"_qs,      u"rstr"_qs,
        u"DXCC"_qs,      u"QSL"_qs,    u"Nam"_qs,      u"Band"_qs,     u"mode"_qs,     u"QRB"_qs,       u"QTF"_qs,
        u"Comment"_qs,   u"Prop"_qs,   u"QSLman"_qs,   u"GEdata"_qs,   u"GEpoly"_qs,   u"GEgridXY"_qs,  u"Freq"_qs,
        u"FreqRx"_qs,    u"MyGrid"_qs, u"QslSdate"_qs, u"QslRdate"_qs, u"LotwRcvd"_qs, u"LotwRdate"_qs, u"EqslRcvd"_qs,
        u"EqslRdate"_qs, u"Uuid"_qs,   u"Position"_qs};
    EXPECT_EQ(logColumns(*log), expectedColumns);
    EXPECT_EQ(column0(*log, u"SELECT count(*) FROM logtab"_qs), QStringList{u"0"_qs});

    // dxccdata holds the prefix file's rows in their order.
    const std::vector<DxccRow> rows = readCtyCsv(kRealCtyCsv, &error);
    const QStringList stored = column0(*log, u"SELECT dxcccode FROM dxccdata ORDER BY rowid"_qs);
    ASSERT_EQ(stored.size(), qsizetype(rows.size()));
    for (size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(stored.at(qsizetype(i)), rows[i].pattern) << i;

    // Nothing is left beside the log but the prefix file's absence.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"backup.sqlite"_qs});
}

TEST(LogFile, ReopensAnExistingLogWithItsRows)
{
    QTemporaryDir dir;
    {
        auto log = test::createSmallLog(dir);
        ASSERT_TRUE(log);
        Contact qso;
        qso.date = u"2024-05-01"_qs;
        qso.callsign = u"DL1ABC"_qs;
        ASSERT_TRUE(log->saveQso(qso));
    }
    QString error;
    auto log = LogDatabase::open(dir.filePath(u"backup.sqlite"_qs), dir.filePath(u"gone.csv"_qs), &error);
    ASSERT_TRUE(log) << error.toStdString();
    EXPECT_EQ(column0(*log, u"SELECT Callsign FROM logtab"_qs), QStringList{u"DL1ABC"_qs});
}

TEST(LogFile, WithoutAPrefixFileNoLogIsCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"backup.sqlite"_qs);
    QString error;
    EXPECT_FALSE(LogDatabase::open(path, dir.filePath(u"missing.csv"_qs), &error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_TRUE(error.contains(u"missing.csv"_qs)) << error.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(LogFile, RefusesFilesThatAreNotLogsAndLeavesThemUntouched)
{
    const QString fullLog = QStringLiteral("CREATE TABLE logtab (ID INTEGER PRIMARY KEY, Date, GMT, Callsign, Grid,"
                                           " rsts, rstr, DXCC, QSL, Nam, Band, mode, QRB, QTF, Comment, Prop)");
    struct Case {
        const char* name;
        QByteArray bytes;       // written as they are, unless statements are given
        QStringList statements; // an SQLite file built with these
        const char* expectedInError;
    };
    const Case cases[] = {
        {"text", "Date;Callsign\n2024-01-01;DL1ABC\n", {}, "not an SQLite database"},
        {"zero length", "", {}, "empty"},
        {"shorter than a header", "PK\x03", {}, "not an SQLite database"},
        {"damaged", QByteArray("SQLite format 3\0", 16) + QByteArray(600, 'x'), {}, "backup.sqlite"},
        {"no logtab", {}, {kDxccTable}, "logtab"},
        {"no dxccdata", {}, {fullLog}, "dxccdata"},
        {"no Callsign column", {}, {u"CREATE TABLE logtab (Date, GMT, Grid)"_qs, kDxccTable}, "Callsign"},
        {"dxccdata too narrow", {}, {fullLog, u"CREATE TABLE dxccdata (dxcccode)"_qs}, "dxccdata"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"backup.sqlite"_qs);
        const QString cty = dir.filePath(u"cty.csv"_qs);
        writeFile(cty, test::smallCtyCsv());
        if (c.statements.isEmpty())
            writeFile(path, c.bytes);
        else
            makeSqliteFile(path, c.statements);
        const QByteArray before = fileHash(path);
        const qint64 sizeBefore = QFileInfo(path).size();

        QString error;
        EXPECT_FALSE(LogDatabase::open(path, cty, &error));
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        EXPECT_TRUE(error.contains(QLatin1String(c.expectedInError))) << error.toStdString();
        EXPECT_EQ(fileHash(path), before);
        EXPECT_EQ(QFileInfo(path).size(), sizeBefore);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                  (QStringList{u"backup.sqlite"_qs, u"cty.csv"_qs}));
    }
}

TEST(LogFile, RefusesAFolderInThePlaceOfTheLog)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"backup.sqlite"_qs);
    ASSERT_TRUE(QDir().mkdir(path));
    QString error;
    EXPECT_FALSE(LogDatabase::open(path, kRealCtyCsv, &error));
    EXPECT_TRUE(error.contains(u"not a file"_qs)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST(LogFile, RefusesAnUnreadableOrReadOnlyLog)
{
    if (test::ranAsNobody())
        return;
    struct Case {
        const char* name;
        QFile::Permissions permissions;
        bool folderWritable;
        const char* expectedInError;
    };
    const QFile::Permissions readWrite = QFile::ReadOwner | QFile::WriteOwner;
    const QFile::Permissions folder = QFile::ReadOwner | QFile::ExeOwner;
    const Case cases[] = {
        {"file not readable", QFile::WriteOwner, true, "cannot be read"},
        {"file read-only", QFile::ReadOwner, true, "read-only"},
        // SQLite keeps its journal beside the log: a folder it cannot write makes the log read-only too.
        {"folder read-only", readWrite, false, "read-only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"backup.sqlite"_qs);
        test::createSmallLog(dir);
        const QByteArray before = fileHash(path);
        ASSERT_TRUE(QFile::setPermissions(path, c.permissions));
        if (!c.folderWritable) {
            ASSERT_TRUE(QFile::setPermissions(dir.path(), folder));
        }
        QString error;
        EXPECT_FALSE(LogDatabase::open(path, dir.filePath(u"cty.csv"_qs), &error));
        EXPECT_TRUE(error.contains(QLatin1String(c.expectedInError))) << error.toStdString();
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
        QFile::setPermissions(dir.path(), folder | QFile::WriteOwner);
        QFile::setPermissions(path, readWrite);
        EXPECT_EQ(fileHash(path), before);
    }
}

TEST(LogFile, CheckingTheLogLeavesTheLocksOfItsOpenConnections)
{
    // An import from the menu checks the log while the window's connection is in a write.
    QTemporaryDir dir;
    test::createSmallLog(dir);
    const QString path = dir.filePath(u"backup.sqlite"_qs);
    SqliteConnection window(path, SqliteConnection::Mode::ReadWrite);
    ASSERT_TRUE(window.exec(u"BEGIN IMMEDIATE"_qs));
    ASSERT_FALSE(anotherProcessCouldWrite(path));
    QString error;
    EXPECT_TRUE(checkLogFile(path, &error)) << error.toStdString();
    EXPECT_FALSE(anotherProcessCouldWrite(path));
    ASSERT_TRUE(window.exec(u"ROLLBACK"_qs));
    EXPECT_TRUE(anotherProcessCouldWrite(path));
}

} // namespace
} // namespace mivra
