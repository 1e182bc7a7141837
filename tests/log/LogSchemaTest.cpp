#include "LogSchema.h"
#include "LogTestSupport.h"
#include "SqliteConnection.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace mivra {
namespace {

using test::column0;
using test::fileHash;
using test::kDxccTable;
using test::kRealCtyCsv;
using test::logColumns;
using test::makeSqliteFile;

// logtab as this program made it before the log carried its version.
const QString kFirstLayoutTable = QStringLiteral(
    "CREATE TABLE logtab (ID INTEGER PRIMARY KEY, Date TEXT COLLATE NOCASE NOT NULL, GMT TEXT COLLATE NOCASE,"
    " Callsign TEXT COLLATE NOCASE NOT NULL, Grid TEXT COLLATE NOCASE, rsts TEXT COLLATE NOCASE,"
    " rstr TEXT COLLATE NOCASE, DXCC TEXT COLLATE NOCASE, QSL TEXT COLLATE NOCASE, Nam TEXT COLLATE NOCASE,"
    " Band TEXT COLLATE NOCASE, mode TEXT COLLATE NOCASE, QRB REAL, QTF REAL, Comment TEXT COLLATE NOCASE,"
    " Prop TEXT COLLATE NOCASE, QSLman TEXT COLLATE NOCASE, GEdata TEXT COLLATE NOCASE, GEpoly TEXT COLLATE NOCASE,"
    " GEgridXY TEXT COLLATE NOCASE%1)");

// The layout of logs made before the program: the ID, the 16 named columns and 14 others, 31 in all.
QString oldLogTable()
{
    QStringList columns = {u"ID INTEGER PRIMARY KEY"_qs,
                           u"Date"_qs,
                           u"GMT"_qs,
                           u"Callsign"_qs,
                           u"Grid"_qs,
                           u"rsts"_qs,
                           u"rstr"_qs,
                           u"DXCC"_qs,
                           u"QSL"_qs,
                           u"Nam"_qs,
                           u"Band"_qs,
                           u"mode"_qs,
                           u"QRB"_qs,
                           u"QTF"_qs,
                           u"Comment"_qs,
                           u"Prop"_qs,
                           u"QSLman"_qs};
    for (int i = 1; i <= 14; ++i)
        columns << QStringLiteral("Extra%1").arg(i);
    return QStringLiteral("CREATE TABLE logtab (%1)").arg(columns.join(u", "));
}

// The first column of every row of a statement, read through a connection of its own.
QStringList readFile(const QString& path, const QString& statement)
{
    const QString name = QUuid::createUuid().toString();
    QStringList values;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(statement)) {
                while (query.next())
                    values << query.value(0).toString();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return values;
}

// Every stored value of the columns, row by row, quoted as SQLite quotes them.
QString rowsStatement(const QStringList& columns)
{
    QStringList quoted;
    for (const QString& column : columns)
        quoted << QStringLiteral("quote(\"%1\")").arg(column);
    return QStringLiteral("SELECT %1 FROM logtab ORDER BY rowid").arg(quoted.join(u" || '|' || "));
}

QStringList backupsIn(const QTemporaryDir& dir)
{
    return QDir(dir.filePath(u"backups"_qs)).entryList({u"backup-*.sqlite.zst"_qs}, QDir::Files);
}

// A compressed copy as the zstd tool unpacks it, beside it.
QString unpackedCopy(const QString& copy)
{
    const QString plain = copy + u".unpacked"_qs;
    EXPECT_EQ(QProcess::execute(u"zstd"_qs, {u"-q"_qs, u"-d"_qs, u"-f"_qs, copy, u"-o"_qs, plain}), 0);
    return plain;
}

// Each layout a log of this program (or before it) ever had opens, arrives at the newest layout
// with every row and value kept, and is copied into backups/ first when its layout changes.
TEST(LogSchema, OpensEveryEarlierLayoutAndBringsItToTheNewest)
{
    struct Case {
        const char* name;
        QStringList statements;
        QStringList added; // the columns the upgrade appends
    };
    const QString row = u"INSERT INTO logtab (Date, GMT, Callsign, Grid, QSLman, QRB) VALUES"
                        " ('2001-02-03', '12:34', 'OK1XY', 'JO70FD', 'DL1MGR', 123.5)"_qs;
    const QStringList map{u"GEdata"_qs, u"GEpoly"_qs, u"GEgridXY"_qs};
    // Where each contact was made from and how it is confirmed: the last step's columns.
    const QStringList station{u"MyGrid"_qs,    u"QslSdate"_qs, u"QslRdate"_qs, u"LotwRcvd"_qs,
                              u"LotwRdate"_qs, u"EqslRcvd"_qs, u"EqslRdate"_qs,
                              u"Uuid"_qs,     u"Position"_qs};
    const Case cases[] = {
        {"31 columns, a row",
         {oldLogTable(), kDxccTable, row, u"UPDATE logtab SET Extra14 = 'kept'"_qs},
         map + QStringList{u"Freq"_qs, u"FreqRx"_qs} + station},
        {"31 columns, empty", {oldLogTable(), kDxccTable}, map + QStringList{u"Freq"_qs, u"FreqRx"_qs} + station},
        {"with the map columns",
         {kFirstLayoutTable.arg(QString()), kDxccTable, row},
         QStringList{u"Freq"_qs, u"FreqRx"_qs} + station},
        {"with Freq",
         {kFirstLayoutTable.arg(u", Freq REAL"_qs), kDxccTable, row, u"UPDATE logtab SET Freq = 144.3"_qs},
         QStringList{u"FreqRx"_qs} + station},
        {"version 1",
         {kFirstLayoutTable.arg(QString()), kDxccTable, row, u"PRAGMA user_version = 1"_qs},
         QStringList{u"Freq"_qs, u"FreqRx"_qs} + station},
        {"version 2, gaps in the IDs and its indexes",
         {kFirstLayoutTable.arg(u", Freq REAL"_qs), kDxccTable, row, row, row, u"DELETE FROM logtab WHERE ID = 2"_qs,
          u"CREATE INDEX logtab_band ON logtab (Band)"_qs, u"CREATE INDEX mine ON logtab (Comment)"_qs,
          u"PRAGMA user_version = 2"_qs},
         QStringList{u"FreqRx"_qs} + station},
        {"version 4, a row",
         {QString(kFirstLayoutTable)
              .replace(u"PRIMARY KEY"_qs, u"PRIMARY KEY AUTOINCREMENT"_qs)
              .arg(u", Freq REAL, FreqRx REAL"_qs),
          kDxccTable, row, u"CREATE TABLE logfields (ID INTEGER PRIMARY KEY, fields TEXT NOT NULL)"_qs,
          u"CREATE TRIGGER logtab_fields_delete AFTER DELETE ON logtab"
          " BEGIN DELETE FROM logfields WHERE ID = old.ID; END"_qs,
          u"PRAGMA user_version = 4"_qs},
         station},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"backup.sqlite"_qs);
        makeSqliteFile(path, c.statements);
        const QStringList before = readFile(path, u"SELECT name FROM pragma_table_info('logtab')"_qs);
        const QStringList rowsBefore = readFile(path, rowsStatement(before));
        const QStringList versionBefore = readFile(path, u"PRAGMA user_version"_qs);
        const QString indexes = u"SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'logtab'"_qs;
        const QStringList indexesBefore = readFile(path, indexes);

        QString error;
        {
            auto log = LogDatabase::open(path, kRealCtyCsv, &error);
            ASSERT_TRUE(log) << error.toStdString();
            EXPECT_EQ(logColumns(*log), before + c.added);
            // IDs are never given twice, every index stays, and the other fields have their table.
            EXPECT_TRUE(column0(*log, u"SELECT sql FROM sqlite_master WHERE name = 'logtab'"_qs)
                            .join(QString())
                            .contains(u"AUTOINCREMENT"_qs));
            for (const QString& index : indexesBefore)
                EXPECT_TRUE(column0(*log, indexes).contains(index)) << index.toStdString();
            EXPECT_EQ(column0(*log, u"SELECT count(*) FROM logfields"_qs), QStringList{u"0"_qs});
            EXPECT_EQ(column0(*log, u"PRAGMA user_version"_qs), QStringList{QString::number(kNewestLogVersion)});
            EXPECT_EQ(column0(*log, rowsStatement(before)), rowsBefore);
            EXPECT_EQ(column0(*log, u"PRAGMA integrity_check"_qs), QStringList{u"ok"_qs});

            // The copy holds the log as it was.
            const QStringList copies = backupsIn(dir);
            ASSERT_EQ(copies.size(), 1);
            if (!copies.isEmpty()) {
                const QString copy = unpackedCopy(dir.filePath(u"backups/"_qs + copies[0]));
                EXPECT_EQ(readFile(copy, u"SELECT name FROM pragma_table_info('logtab')"_qs), before);
                EXPECT_EQ(readFile(copy, u"PRAGMA user_version"_qs), versionBefore);
            }

            // The upgraded log takes a whole contact.
            Contact qso;
            qso.date = u"2026-06-06"_qs;
            qso.callsign = u"DL1ABC"_qs;
            qso.qslVia = u"DL9MGR"_qs;
            qso.frequencyMHz = 432.2;
            qso.frequencyRxMHz = 432.25;
            qso.otherFields = u"<QTH:5>Praha"_qs;
            const QStringList idsBefore = column0(*log, u"SELECT max(ID) FROM logtab"_qs);
            ASSERT_TRUE(log->saveQso(qso, &error)) << error.toStdString();
            EXPECT_EQ(column0(*log, u"SELECT QSLman || ' ' || Freq || ' ' || FreqRx || ' ' || fields FROM logtab"
                                    " JOIN logfields USING (ID) WHERE Callsign = 'DL1ABC'"_qs),
                      QStringList{u"DL9MGR 432.2 432.25 <QTH:5>Praha"_qs});
            // The newest contact deleted: its ID is not given again.
            const QString newest = column0(*log, u"SELECT max(ID) FROM logtab"_qs).value(0);
            EXPECT_GT(newest.toLongLong(), idsBefore.value(0).toLongLong());
            ASSERT_TRUE(log->deleteRow(newest.toLongLong(), &error)) << error.toStdString();
            EXPECT_EQ(column0(*log, u"SELECT count(*) FROM logfields"_qs), QStringList{u"0"_qs});
            ASSERT_TRUE(log->saveQso(qso, &error)) << error.toStdString();
            EXPECT_GT(column0(*log, u"SELECT max(ID) FROM logtab"_qs).value(0).toLongLong(), newest.toLongLong());
        }

        // Opened again, nothing more changes.
        const QByteArray upgraded = fileHash(path);
        {
            auto log = LogDatabase::open(path, kRealCtyCsv, &error);
            ASSERT_TRUE(log) << error.toStdString();
        }
        EXPECT_EQ(fileHash(path), upgraded);
        EXPECT_EQ(backupsIn(dir).size(), 1);
    }
}

// Both ways of declaring the ID AUTOINCREMENT keep every row with its ID, the columns in their
// order and every index, and from then on a deleted contact's ID is never given again, also on
// the connection that made the change.
TEST(LogSchema, IdsNeverGivenTwiceKeepEveryRowAndIndex)
{
    for (const IdDeclarationChange change : {IdDeclarationChange::Edit, IdDeclarationChange::Rebuild}) {
        SCOPED_TRACE(change == IdDeclarationChange::Edit ? "edit" : "rebuild");
        QTemporaryDir dir;
        const QString path = dir.filePath(u"backup.sqlite"_qs);
        QStringList statements{kFirstLayoutTable.arg(u", Freq REAL"_qs),
                               u"CREATE INDEX logtab_band ON logtab (Band)"_qs,
                               u"CREATE INDEX mine ON logtab (upper(Comment))"_qs,
                               u"CREATE TRIGGER mine_too AFTER UPDATE ON logtab BEGIN SELECT 1; END"_qs};
        for (int i = 1; i <= 50; ++i)
            statements << QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Band, QRB, Freq) VALUES"
                                         " ('2001-02-03', '12:%1', 'OK1X%1', '144', %1.5, 144.%1)")
                              .arg(i, 2, 10, QLatin1Char('0'));
        statements << u"DELETE FROM logtab WHERE ID IN (7, 50)"_qs;
        makeSqliteFile(path, statements);
        const QString schema = u"SELECT type || ' ' || name || ' ' || coalesce(sql, '') FROM sqlite_master"
                               " WHERE tbl_name = 'logtab' AND type <> 'table' ORDER BY name"_qs;
        const QStringList columns = readFile(path, u"SELECT name FROM pragma_table_info('logtab')"_qs);
        const QStringList rows = readFile(path, rowsStatement(columns));
        const QStringList others = readFile(path, schema);

        SqliteConnection db(path, SqliteConnection::Mode::ReadWrite);
        ASSERT_TRUE(db.isOpen());
        QString error;
        ASSERT_TRUE(db.transaction([&](QString* failure) { return makeIdsNeverReused(db, change, failure); }, &error))
            << error.toStdString();
        // The contact saved last deleted, then a new one: a new ID, on this connection too.
        ASSERT_TRUE(db.exec(u"DELETE FROM logtab WHERE ID = 49"_qs));
        ASSERT_TRUE(db.exec(u"INSERT INTO logtab (Date, Callsign) VALUES ('2001-02-04', 'OK1NEW')"_qs));
        EXPECT_EQ(db.lastInsertId(), 50);
        db = SqliteConnection();

        EXPECT_TRUE(readFile(path, u"SELECT sql FROM sqlite_master WHERE name = 'logtab'"_qs)
                        .join(QString())
                        .contains(u"ID INTEGER PRIMARY KEY AUTOINCREMENT"_qs));
        EXPECT_EQ(readFile(path, u"SELECT name FROM pragma_table_info('logtab')"_qs), columns);
        EXPECT_EQ(readFile(path, rowsStatement(columns)).mid(0, 47), rows.mid(0, 47));
        EXPECT_EQ(readFile(path, schema), others);
        EXPECT_EQ(readFile(path, u"PRAGMA integrity_check"_qs), QStringList{u"ok"_qs});
        EXPECT_EQ(readFile(path, u"SELECT name FROM sqlite_master WHERE name LIKE 'logtab_%'"_qs),
                  QStringList{u"logtab_band"_qs});
        // Again on a new connection.
        SqliteConnection again(path, SqliteConnection::Mode::ReadWrite);
        ASSERT_TRUE(again.exec(u"DELETE FROM logtab WHERE ID = 50"_qs));
        ASSERT_TRUE(again.exec(u"INSERT INTO logtab (Date, Callsign) VALUES ('2001-02-05', 'OK1NEXT')"_qs));
        EXPECT_EQ(again.lastInsertId(), 51);
    }
}

TEST(LogSchema, ANewLogHasTheNewestLayout)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    EXPECT_EQ(column0(*log, u"PRAGMA user_version"_qs), QStringList{QString::number(kNewestLogVersion)});
    EXPECT_TRUE(logColumns(*log).contains(u"Freq"_qs));
    EXPECT_TRUE(backupsIn(dir).isEmpty());
}

// A log written by a newer program is refused before anything is asked of it: not a byte of it
// changes and nothing is made beside it.
TEST(LogSchema, RefusesANewerLogAndLeavesItAsItIs)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"backup.sqlite"_qs);
    test::createSmallLog(dir);
    makeSqliteFile(path, {QStringLiteral("PRAGMA user_version = %1").arg(kNewestLogVersion + 1),
                          u"ALTER TABLE logtab RENAME COLUMN Grid TO Locator"_qs});
    const QByteArray before = fileHash(path);
    const QStringList files = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    QString error;
    EXPECT_FALSE(LogDatabase::open(path, dir.filePath(u"cty.csv"_qs), &error));
    EXPECT_TRUE(error.contains(u"newer version"_qs)) << error.toStdString();
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
    EXPECT_TRUE(error.contains(QString::number(kNewestLogVersion + 1))) << error.toStdString();
    EXPECT_EQ(fileHash(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), files);
}

// An upgrade that cannot be made leaves the log whole at the version it had.
TEST(LogSchema, AFailedUpgradeLeavesTheLogAtItsVersion)
{
    struct Case {
        const char* name;
        QStringList statements;
        bool backupsFolderIsAFile;
        const char* expectedInError;
    };
    const Case cases[] = {
        // A log that says it is at version 1 but already has the column of step 2.
        {"step refused",
         {kFirstLayoutTable.arg(u", Freq REAL"_qs), kDxccTable, u"PRAGMA user_version = 1"_qs},
         false,
         "frequency column"},
        {"no backup", {oldLogTable(), kDxccTable}, true, "No backup"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"backup.sqlite"_qs);
        makeSqliteFile(path, c.statements
                                 + QStringList{u"INSERT INTO logtab (Date, Callsign) VALUES ('2001-02-03', "
                                               "'OK1XY')"_qs});
        if (c.backupsFolderIsAFile)
            test::writeFile(dir.filePath(u"backups"_qs), "not a folder");
        const QStringList versionBefore = readFile(path, u"PRAGMA user_version"_qs);
        const QStringList columnsBefore = readFile(path, u"SELECT name FROM pragma_table_info('logtab')"_qs);
        const QByteArray before = fileHash(path);

        QString error;
        EXPECT_FALSE(LogDatabase::open(path, kRealCtyCsv, &error));
        EXPECT_TRUE(error.contains(QLatin1String(c.expectedInError))) << error.toStdString();
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
        EXPECT_EQ(readFile(path, u"PRAGMA user_version"_qs), versionBefore);
        EXPECT_EQ(readFile(path, u"SELECT name FROM pragma_table_info('logtab')"_qs), columnsBefore);
        EXPECT_EQ(readFile(path, u"SELECT Callsign FROM logtab"_qs), QStringList{u"OK1XY"_qs});
        EXPECT_EQ(readFile(path, u"PRAGMA integrity_check"_qs), QStringList{u"ok"_qs});
        if (c.backupsFolderIsAFile) {
            EXPECT_EQ(fileHash(path), before);
        }
    }
}

} // namespace
} // namespace mivra
