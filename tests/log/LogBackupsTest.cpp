#include "LogBackups.h"

#include "LogTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mivra::test {

namespace {

QDateTime utc(const char* text)
{
    QDateTime time = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    time.setTimeSpec(Qt::UTC);
    return time;
}

int rowsIn(const QString& path)
{
    const QString name = QStringLiteral("count-") + path;
    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT count(*) FROM logtab")) && query.next())
                rows = query.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

struct RotationCase {
    const char* name;
    std::vector<const char*> copies;
    std::vector<const char*> removed;
};

class RotationTest : public ::testing::TestWithParam<RotationCase> {};

} // namespace

TEST_P(RotationTest, KeepsTheNewestTenAndOneAMonthForAYear)
{
    QStringList names;
    for (const char* name : GetParam().copies)
        names << QString::fromLatin1(name);
    QStringList expected;
    for (const char* name : GetParam().removed)
        expected << QString::fromLatin1(name);
    QStringList removed = LogBackups::copiesToRemove(names, utc("2026-12-07T12:00:00"));
    removed.sort();
    expected.sort();
    EXPECT_EQ(removed, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Copies, RotationTest,
    ::testing::Values(
        RotationCase{"TenAreKept",
                     {"backup-20261201-000000.sqlite", "backup-20261202-000000.sqlite", "backup-20261203-000000.sqlite",
                      "backup-20261204-000000.sqlite", "backup-20261205-000000.sqlite", "backup-20261206-000000.sqlite",
                      "backup-20261206-010000.sqlite", "backup-20261206-020000.sqlite", "backup-20261206-030000.sqlite",
                      "backup-20261207-000000.sqlite"},
                     {}},
        RotationCase{"TheOldestOfTheMonthGoes",
                     {"backup-20261130-000000.sqlite", "backup-20261201-000000.sqlite", "backup-20261202-000000.sqlite",
                      "backup-20261203-000000.sqlite", "backup-20261204-000000.sqlite", "backup-20261205-000000.sqlite",
                      "backup-20261206-000000.sqlite", "backup-20261206-010000.sqlite", "backup-20261206-020000.sqlite",
                      "backup-20261206-030000.sqlite", "backup-20261207-000000.sqlite", "backup-20261201-120000.sqlite"},
                     {"backup-20261201-000000.sqlite"}},
        RotationCase{"OneAMonthForAYear",
                     {"backup-20261201-000000.sqlite", "backup-20261202-000000.sqlite", "backup-20261203-000000.sqlite",
                      "backup-20261204-000000.sqlite", "backup-20261205-000000.sqlite", "backup-20261206-000000.sqlite",
                      "backup-20261206-010000.sqlite", "backup-20261206-020000.sqlite", "backup-20261206-030000.sqlite",
                      "backup-20261207-000000.sqlite", "backup-20261015-000000.sqlite", "backup-20261020-000000.sqlite",
                      "backup-20260102-000000.sqlite", "backup-20251208-000000.sqlite", "backup-20251206-000000.sqlite"},
                     {"backup-20261015-000000.sqlite", "backup-20251206-000000.sqlite"}},
        RotationCase{"OtherNamesStay",
                     {"backup-20200101-000000.sqlite", "notes.txt", "backup-2020.sqlite", "backup-20201301-000000.sqlite"},
                     {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LogBackups, TimeOfCopyReadsOnlyItsOwnNames)
{
    EXPECT_EQ(LogBackups::timeOfCopy(QStringLiteral("backup-20261207-171127.sqlite")), utc("2026-12-07T17:11:27"));
    EXPECT_FALSE(LogBackups::timeOfCopy(QStringLiteral("backup-20261207-171127.sqlite-journal")).isValid());
    EXPECT_FALSE(LogBackups::timeOfCopy(QStringLiteral("backup-20261232-000000.sqlite")).isValid());
}

class LogBackupsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_log = createSmallLog(m_dir);
        ASSERT_TRUE(m_log);
        execAll(*m_log, {QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES ('2026-01-01', '10:00', 'OK1ABC', '144')"),
                         QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES ('2026-01-02', '11:00', 'DL1ABC', '432')")});
    }
    QString logPath() const { return m_dir.filePath(QStringLiteral("backup.sqlite")); }

    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

TEST_F(LogBackupsTest, ACopyWhileTheLogIsOpenHoldsItsRows)
{
    const LogBackups backups(logPath());
    QString error;
    const QString copy = backups.makeBackup(utc("2026-12-07T17:11:27"), &error);
    ASSERT_FALSE(copy.isEmpty()) << error.toStdString();
    EXPECT_EQ(copy, m_dir.filePath(QStringLiteral("backups/backup-20261207-171127.sqlite")));
    EXPECT_EQ(rowsIn(copy), 2);
    QString integrity;
    EXPECT_TRUE(checkDatabaseIntegrity(copy, &integrity)) << integrity.toStdString();
    // A second copy in the same second gets the next second's name; the daily copy is not due.
    EXPECT_TRUE(backups.makeBackup(utc("2026-12-07T17:11:27"), &error).endsWith(QStringLiteral("171128.sqlite")));
    EXPECT_EQ(backups.newestBackupTime(), utc("2026-12-07T17:11:28"));
    EXPECT_TRUE(backups.makeDailyBackup(utc("2026-12-08T17:00:00"), &error));
    EXPECT_EQ(QDir(backups.folder()).entryList(QDir::Files).size(), 2);
    EXPECT_TRUE(backups.makeDailyBackup(utc("2026-12-08T17:11:28"), &error));
    EXPECT_EQ(QDir(backups.folder()).entryList(QDir::Files).size(), 3);
}

TEST_F(LogBackupsTest, RestorePutsACheckedLogInPlaceAndKeepsTheOldOne)
{
    const LogBackups backups(logPath());
    QString error;
    const QString copy = backups.makeBackup(utc("2026-12-01T00:00:00"), &error);
    ASSERT_FALSE(copy.isEmpty()) << error.toStdString();
    execAll(*m_log, {QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES ('2026-01-03', '12:00', 'SP1ABC', '144')")});
    m_log.reset();

    writeFile(m_dir.filePath(QStringLiteral("junk.sqlite")), "not a database at all");
    const QByteArray before = fileHash(logPath());
    EXPECT_FALSE(backups.restore(m_dir.filePath(QStringLiteral("junk.sqlite")), utc("2026-12-07T00:00:00"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("nothing was changed"))) << error.toStdString();
    EXPECT_FALSE(backups.restore(logPath(), utc("2026-12-07T00:00:00"), &error));
    EXPECT_EQ(fileHash(logPath()), before);

    ASSERT_TRUE(backups.restore(copy, utc("2026-12-07T00:00:00"), &error)) << error.toStdString();
    EXPECT_EQ(rowsIn(logPath()), 2);
    EXPECT_EQ(rowsIn(m_dir.filePath(QStringLiteral("backups/backup-20261207-000000.sqlite"))), 3);
    EXPECT_TRUE(QDir(m_dir.path()).entryList({QStringLiteral(".restore-*")}, QDir::Files | QDir::Hidden).isEmpty());
}

// A journal that is not hot (a kill before its first sync leaves one empty or with its header not
// yet written) is cleared by a restore as by every other opening of the log, not taken as one that
// cannot be rolled back.
TEST_F(LogBackupsTest, RestoreClearsAJournalThatIsNotHot)
{
    const LogBackups backups(logPath());
    QString error;
    const QString copy = backups.makeBackup(utc("2026-12-01T00:00:00"), &error);
    ASSERT_FALSE(copy.isEmpty()) << error.toStdString();
    m_log.reset();
    const QString journal = logPath() + QStringLiteral("-journal");
    const QByteArray stale[] = {QByteArray(), QByteArray(512, '\0'), QByteArray(512, '\0') + QByteArray(4096, 'x')};
    int second = 0;
    for (const QByteArray& bytes : stale) {
        SCOPED_TRACE(bytes.size());
        writeFile(journal, bytes);
        ASSERT_TRUE(backups.restore(copy, utc("2026-12-07T00:00:00").addSecs(++second * 10), &error))
            << error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(journal));
        EXPECT_EQ(rowsIn(logPath()), 2);
    }
}

} // namespace mivra::test

namespace mivra::test {

TEST(LogDatabaseWriting, TellsWhileATransactionIsOpen)
{
    QTemporaryDir dir;
    auto log = createSmallLog(dir);
    ASSERT_TRUE(log);
    EXPECT_FALSE(log->isWriting());
    QSqlDatabase db = log->database();
    ASSERT_TRUE(db.transaction());
    EXPECT_TRUE(log->isWriting());
    ASSERT_TRUE(db.rollback());
    EXPECT_FALSE(log->isWriting());
}

} // namespace mivra::test
