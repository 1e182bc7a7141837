#include "LogBackups.h"

#include "IniFile.h"
#include "LogTestSupport.h"
#include "ZstdFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <atomic>
#include <thread>

#include <sqlite3.h>
#include <sys/wait.h>

#include <fcntl.h>
#include <unistd.h>

namespace mivra::test {

namespace {

QDateTime utc(const char* text)
{
    QDateTime time = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    time.setTimeSpec(Qt::UTC);
    return time;
}

// Runs a command; its exit status, -1 when it could not run.
int run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return -1;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// A query's first value on the SQLite file at path, read through a connection of its own.
QString valueIn(const QString& path, const QString& statement)
{
    const QString name = QStringLiteral("read-") + QUuid::createUuid().toString();
    QString value = QStringLiteral("<none>");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(statement) && query.next())
                value = query.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

const QString kContent = QStringLiteral("SELECT count(*) || ':' || group_concat(Callsign || Band, ',') FROM"
                                        " (SELECT Callsign, Band FROM logtab ORDER BY ID)");

class LogBackupsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_log = createSmallLog(m_dir);
        ASSERT_TRUE(m_log);
        addRow("OK1ABC", "144");
        addRow("DL1ABC", "432");
    }
    void addRow(const char* callsign, const char* band)
    {
        execAll(*m_log, {QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES ('2026-01-01', '10:00',"
                                        " '%1', '%2')")
                             .arg(QLatin1String(callsign), QLatin1String(band))});
    }
    QString logPath() const { return m_dir.filePath(QStringLiteral("backup.sqlite")); }
    QString backupsPath(const QString& name = {}) const { return m_dir.filePath(QStringLiteral("backups/") + name); }
    // The copy decompressed by the zstd tool, as a user would.
    QString unpacked(const QString& copy)
    {
        const QString plain = m_dir.filePath(QStringLiteral("unpacked-") + QFileInfo(copy).fileName() + u".sqlite"_qs);
        EXPECT_EQ(run(QStringLiteral("zstd"), {u"-q"_qs, u"-d"_qs, u"-f"_qs, copy, u"-o"_qs, plain}), 0)
            << copy.toStdString();
        return plain;
    }
    QStringList filesInBackups() const { return QDir(backupsPath()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    void setBudget(const QString& budget)
    {
        QString error;
        ASSERT_TRUE(IniFile(m_dir.filePath(QStringLiteral("mivra.ini")))
                        .writeSection(QStringLiteral("backups"), {{QStringLiteral("budget"), budget}}, &error))
            << error.toStdString();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

} // namespace

TEST_F(LogBackupsTest, ACopyIsCompressedWholeAndTheZstdToolOpensIt)
{
    const LogBackups backups(logPath());
    QString error;
    const QString copy = backups.makeBackup(utc("2026-12-07T17:11:27"), &error);
    ASSERT_FALSE(copy.isEmpty()) << error.toStdString();
    EXPECT_EQ(copy, backupsPath(QStringLiteral("backup-20261207-171127.sqlite.zst")));
    EXPECT_EQ(run(QStringLiteral("zstd"), {u"-q"_qs, u"-t"_qs, copy}), 0);
    const QString plain = unpacked(copy);
    EXPECT_EQ(valueIn(plain, kContent), valueIn(logPath(), kContent));
    QString integrity;
    EXPECT_TRUE(checkDatabaseIntegrity(plain, &integrity)) << integrity.toStdString();
    EXPECT_LT(QFileInfo(copy).size(), QFileInfo(logPath()).size() / 2);
    // Nothing but the copy and the folder's lock: no partial file, no plain copy, no journal.
    EXPECT_EQ(filesInBackups(), (QStringList{u".lock"_qs, u"backup-20261207-171127.sqlite.zst"_qs}));
}

TEST_F(LogBackupsTest, CopiesOfOneSecondGetTheirOwnFiles)
{
    const LogBackups backups(logPath());
    const QDateTime now = utc("2026-12-07T17:11:27");
    QString errors[2];
    QString made[2];
    std::thread first([&] { made[0] = LogBackups(logPath()).makeBackup(now, &errors[0]); });
    std::thread second([&] { made[1] = LogBackups(logPath()).makeBackup(now, &errors[1]); });
    first.join();
    second.join();
    QString error;
    const QString third = backups.makeBackup(now, &error);
    ASSERT_FALSE(made[0].isEmpty()) << errors[0].toStdString();
    ASSERT_FALSE(made[1].isEmpty()) << errors[1].toStdString();
    ASSERT_FALSE(third.isEmpty()) << error.toStdString();
    QStringList names{QFileInfo(made[0]).fileName(), QFileInfo(made[1]).fileName(), QFileInfo(third).fileName()};
    names.sort();
    EXPECT_EQ(names, (QStringList{u"backup-20261207-171127.sqlite.zst"_qs, u"backup-20261207-171128.sqlite.zst"_qs,
                                  u"backup-20261207-171129.sqlite.zst"_qs}));
    EXPECT_EQ(backups.copies().size(), 3u);
    for (const QString& copy : {made[0], made[1], third})
        EXPECT_EQ(valueIn(unpacked(copy), kContent), valueIn(logPath(), kContent)) << copy.toStdString();
}

TEST_F(LogBackupsTest, TheDailyCopyIsDueADayAfterTheNewestRealOne)
{
    const LogBackups backups(logPath());
    QString error;
    QString made;
    ASSERT_TRUE(backups.makeDailyBackup(utc("2026-12-07T17:00:00"), &error, nullptr, &made)) << error.toStdString();
    EXPECT_FALSE(made.isEmpty());
    ASSERT_TRUE(backups.makeDailyBackup(utc("2026-12-08T16:59:59"), &error, nullptr, &made));
    EXPECT_TRUE(made.isEmpty());
    // A copy dated a year ahead (the clock was set ahead) does not stand for today's.
    ASSERT_FALSE(backups.makeBackup(utc("2027-12-08T00:00:00"), &error).isEmpty());
    ASSERT_TRUE(backups.makeDailyBackup(utc("2026-12-08T17:00:00"), &error, nullptr, &made));
    EXPECT_EQ(made, backupsPath(QStringLiteral("backup-20261208-170000.sqlite.zst")));
    EXPECT_EQ(backups.newestBackupTime(), utc("2027-12-08T00:00:00"));
}

// Rotation within a tiny budget keeps only the newest copy and the one before the last import, and
// never touches a file that merely has a copy's name.
TEST_F(LogBackupsTest, RotationRemovesOnlyCopiesItCanReadAsItsOwn)
{
    ASSERT_TRUE(QDir().mkpath(backupsPath()));
    writeFile(backupsPath(QStringLiteral("backup-20200101-000000.sqlite.zst")), "my notes, not a copy");
    writeFile(backupsPath(QStringLiteral("backup-20200102-000000.sqlite")), "more notes");
    writeFile(m_dir.filePath(QStringLiteral("text.txt")), QByteArray(10000, 'x'));
    ASSERT_EQ(run(QStringLiteral("zstd"), {u"-q"_qs, m_dir.filePath(u"text.txt"_qs), u"-o"_qs,
                                           backupsPath(QStringLiteral("backup-20200103-000000.sqlite.zst"))}),
              0);
    // A plain copy an earlier version made is a copy, and goes when it does not fit.
    ASSERT_TRUE(QFile::copy(logPath(), backupsPath(QStringLiteral("backup-20200104-000000.sqlite"))));
    const QStringList foreign{u"backup-20200101-000000.sqlite.zst"_qs, u"backup-20200102-000000.sqlite"_qs,
                              u"backup-20200103-000000.sqlite.zst"_qs};

    const LogBackups backups(logPath());
    QString error;
    ASSERT_FALSE(backups.makeBackup(utc("2026-12-01T00:00:00"), &error, BackupKind::BeforeImport).isEmpty());
    ASSERT_FALSE(backups.makeBackup(utc("2026-12-02T00:00:00"), &error).isEmpty());
    EXPECT_EQ(backups.copies().size(), 3u);
    setBudget(QStringLiteral("1 kb"));
    QString note;
    ASSERT_FALSE(backups.makeBackup(utc("2026-12-03T00:00:00"), &error, BackupKind::Daily, &note).isEmpty());
    EXPECT_TRUE(note.isEmpty()) << note.toStdString();
    QStringList expected = foreign;
    expected << u".lock"_qs << u"backup-20261201-000000-import.sqlite.zst"_qs
             << u"backup-20261203-000000.sqlite.zst"_qs;
    expected.sort();
    EXPECT_EQ(filesInBackups(), expected);

    // A setting that is not understood keeps the default and is told.
    setBudget(QStringLiteral("plenty"));
    ASSERT_FALSE(backups.makeBackup(utc("2026-12-04T00:00:00"), &error, BackupKind::Daily, &note).isEmpty());
    EXPECT_TRUE(note.contains(QStringLiteral("plenty"))) << note.toStdString();
    EXPECT_EQ(backups.copies().size(), 3u);
}

TEST_F(LogBackupsTest, WhatKilledCopiesAndRestoresLeftIsRemoved)
{
    ASSERT_TRUE(QDir().mkpath(backupsPath()));
    const QStringList partial{u".backup-20261207-171127.sqlite.zst.Ab12Cd"_qs,
                              u".backup-20261207-171127.sqlite.Xy34Zw"_qs,
                              u".backup-20261207-171127.sqlite.Xy34Zw-journal"_qs};
    for (const QString& name : partial)
        writeFile(backupsPath(name), QByteArray(4096, 'p'));
    writeFile(backupsPath(QStringLiteral(".backup-notes")), "mine");
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QStringList beside{QStringLiteral(".restore-%1.sqlite").arg(uuid),
                             QStringLiteral(".restore-%1.sqlite-journal").arg(uuid), u".backup.sqlite.Q1w2E3"_qs};
    for (const QString& name : beside)
        writeFile(m_dir.filePath(name), "left");
    writeFile(m_dir.filePath(QStringLiteral(".restore-notes.sqlite")), "mine");

    const LogBackups backups(logPath());
    EXPECT_TRUE(backups.copies().empty()); // a partial file is never a copy
    QString error;
    QString made;
    ASSERT_TRUE(backups.makeDailyBackup(utc("2026-12-07T18:00:00"), &error, nullptr, &made)) << error.toStdString();
    EXPECT_FALSE(made.isEmpty());
    EXPECT_EQ(filesInBackups(),
              (QStringList{u".backup-notes"_qs, u".lock"_qs, u"backup-20261207-180000.sqlite.zst"_qs}));
    backups.removeLeftoversBesideLog();
    for (const QString& name : beside)
        EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(name))) << name.toStdString();
    EXPECT_TRUE(QFileInfo::exists(m_dir.filePath(QStringLiteral(".restore-notes.sqlite"))));
    EXPECT_TRUE(QFileInfo::exists(logPath()));
}

// Writes go on while a copy is made: the copy takes them or not, whole, and the writer is never
// kept waiting long.
TEST_F(LogBackupsTest, ACopyOfALogBeingWrittenIsWholeAndLetsTheWriterIn)
{
    QSqlQuery fill(m_log->database());
    ASSERT_TRUE(
        fill.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000)"
                                 " INSERT INTO logtab (Date, GMT, Callsign, Band, Comment) SELECT '2026-01-01',"
                                 " '10:00', 'DL' || i, '144', hex(randomblob(40)) FROM n")));
    std::atomic<bool> copying{true};
    std::atomic<int> written{0};
    std::atomic<qint64> longestWaitMs{0};
    std::thread writer([&] {
        const QString name = QStringLiteral("writer");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(logPath());
            ASSERT_TRUE(db.open());
            QSqlQuery insert(db);
            while (copying) {
                QElapsedTimer wait;
                wait.start();
                if (insert.exec(QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES ('2026-02-01',"
                                               " '10:00', 'OK1W', '432')")))
                    ++written;
                longestWaitMs = std::max<qint64>(longestWaitMs, wait.elapsed());
                QThread::msleep(5);
            }
            insert.clear();
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    });
    QString error;
    const QString copy = LogBackups(logPath()).makeBackup(utc("2026-12-07T12:00:00"), &error);
    copying = false;
    writer.join();
    ASSERT_FALSE(copy.isEmpty()) << error.toStdString();
    EXPECT_GT(written, 0);
    EXPECT_LT(longestWaitMs, 1000);
    const QString plain = unpacked(copy);
    QString integrity;
    EXPECT_TRUE(checkDatabaseIntegrity(plain, &integrity)) << integrity.toStdString();
    const int rows = valueIn(plain, QStringLiteral("SELECT count(*) FROM logtab")).toInt();
    EXPECT_GE(rows, 60002);
    EXPECT_LE(rows, 60002 + written);
}

TEST_F(LogBackupsTest, RestorePutsACheckedLogInPlaceAndKeepsTheOldOne)
{
    const LogBackups backups(logPath());
    QString error;
    const QString copy = backups.makeBackup(utc("2026-12-01T00:00:00"), &error);
    ASSERT_FALSE(copy.isEmpty()) << error.toStdString();
    const QString copied = valueIn(logPath(), kContent);
    addRow("SP1ABC", "144");
    const QString later = valueIn(logPath(), kContent);
    m_log.reset();

    writeFile(m_dir.filePath(QStringLiteral("junk.sqlite")), "not a database at all");
    const QByteArray before = fileHash(logPath());
    EXPECT_FALSE(backups.restore(m_dir.filePath(QStringLiteral("junk.sqlite")), utc("2026-12-07T00:00:00"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("nothing was changed"))) << error.toStdString();
    EXPECT_FALSE(backups.restore(logPath(), utc("2026-12-07T00:00:00"), &error));
    // A compressed copy cut short is refused whole.
    QFile::copy(copy, m_dir.filePath(QStringLiteral("short.sqlite.zst")));
    QFile(m_dir.filePath(QStringLiteral("short.sqlite.zst"))).resize(QFileInfo(copy).size() / 2);
    EXPECT_FALSE(
        backups.restore(m_dir.filePath(QStringLiteral("short.sqlite.zst")), utc("2026-12-07T00:00:00"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("cannot be decompressed"))) << error.toStdString();
    EXPECT_EQ(fileHash(logPath()), before);

    ASSERT_TRUE(backups.restore(copy, utc("2026-12-07T00:00:00"), &error)) << error.toStdString();
    EXPECT_EQ(valueIn(logPath(), kContent), copied);
    EXPECT_EQ(valueIn(unpacked(backupsPath(QStringLiteral("backup-20261207-000000.sqlite.zst"))), kContent), later);
    EXPECT_TRUE(QDir(m_dir.path()).entryList({QStringLiteral(".restore-*")}, QDir::Files | QDir::Hidden).isEmpty());

    // A plain SQLite copy, as earlier versions made them, is taken too.
    const QString plain = unpacked(backupsPath(QStringLiteral("backup-20261207-000000.sqlite.zst")));
    ASSERT_TRUE(backups.restore(plain, utc("2026-12-07T01:00:00"), &error)) << error.toStdString();
    EXPECT_EQ(valueIn(logPath(), kContent), later);
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
        EXPECT_EQ(valueIn(logPath(), QStringLiteral("SELECT count(*) FROM logtab")), QStringLiteral("2"));
    }
}

// A shared log's position killed while it ran leaves its write-ahead log beside the log, commits in
// it: a restore keeps them in the copy of the present log and takes the copy in place.
TEST_F(LogBackupsTest, RestoreTakesInTheWriteAheadLogThatAKillLeft)
{
    const LogBackups backups(logPath());
    QString error;
    const QString copy = backups.makeBackup(utc("2026-12-01T00:00:00"), &error);
    ASSERT_FALSE(copy.isEmpty()) << error.toStdString();
    ASSERT_TRUE(m_log->useWriteAheadLog(&error)) << error.toStdString();
    m_log.reset();
    const QByteArray name = QFile::encodeName(logPath());
    const pid_t child = fork();
    if (child == 0) {
        sqlite3* db = nullptr;
        const bool written = sqlite3_open(name.constData(), &db) == SQLITE_OK
                             && sqlite3_exec(db,
                                             "INSERT INTO logtab (Date, GMT, Callsign, Band)"
                                             " VALUES ('2026-01-01', '10:00', 'SP9WAL', '432')",
                                             nullptr, nullptr, nullptr)
                                    == SQLITE_OK;
        _exit(written ? 0 : 1); // killed: never closed
    }
    int status = -1;
    waitpid(child, &status, 0);
    ASSERT_EQ(status, 0);
    ASSERT_TRUE(QFileInfo::exists(logPath() + QStringLiteral("-wal")));

    ASSERT_TRUE(backups.restore(copy, utc("2026-12-07T00:00:00"), &error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(logPath() + QStringLiteral("-wal")));
    EXPECT_EQ(valueIn(logPath(), QStringLiteral("SELECT count(*) FROM logtab")), QStringLiteral("2"));
    const QString before = unpacked(backupsPath(QStringLiteral("backup-20261207-000000.sqlite.zst")));
    EXPECT_EQ(valueIn(before, QStringLiteral("SELECT count(*) FROM logtab WHERE Callsign = 'SP9WAL'")),
              QStringLiteral("1"));
}

// A backup of a shared log while another process recovers the log's index (a position started
// anew, a reader after a kill): the copy waits for it instead of failing.
TEST_F(LogBackupsTest, ABackupWaitsWhileAnotherProcessRecoversTheWriteAheadIndex)
{
    QString error;
    ASSERT_TRUE(m_log->useWriteAheadLog(&error)) << error.toStdString();
    execAll(*m_log, {QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Band)"
                                    " VALUES ('2026-01-02', '11:00', 'SP9IDX', '144')")});
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const QByteArray index = QFile::encodeName(logPath() + QStringLiteral("-shm"));
    const pid_t child = fork();
    if (child == 0) {
        // The index's write, checkpoint and recovery locks, as a recovering process holds them,
        // and a header that no longer checks out, as it finds it.
        const int handle = ::open(index.constData(), O_RDWR);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 120;
        lock.l_len = 3;
        const char zeros[136] = {};
        const bool held = handle >= 0 && fcntl(handle, F_SETLK, &lock) == 0
                          && pwrite(handle, zeros, sizeof zeros, 0) == ssize_t(sizeof zeros);
        (void)!write(ready[1], held ? "1" : "0", 1);
        QThread::msleep(300);
        _exit(0);
    }
    char held = 0;
    (void)!read(ready[0], &held, 1);
    ::close(ready[0]);
    ::close(ready[1]);
    const QString copy = LogBackups(logPath()).makeBackup(utc("2026-12-02T00:00:00"), &error);
    int status = -1;
    waitpid(child, &status, 0);
    ASSERT_EQ(held, '1');
    ASSERT_FALSE(copy.isEmpty()) << error.toStdString();
    EXPECT_EQ(valueIn(unpacked(copy), QStringLiteral("SELECT count(*) FROM logtab WHERE Callsign = 'SP9IDX'")),
              QStringLiteral("1"));
}

// The zstd tool is the judge: what it writes is read here, and what is written here it reads,
// with the copy's mark passed over as a skippable frame.
TEST(ZstdFile, RoundTripsWithTheZstdTool)
{
    QTemporaryDir dir;
    QByteArray data;
    for (int i = 0; i < 200000; ++i)
        data += QByteArray::number(i * 7919 % 100003) + (i % 13 ? ',' : '\n');
    const QString plain = dir.filePath(QStringLiteral("data.txt"));
    writeFile(plain, data);

    const QString ours = dir.filePath(QStringLiteral("ours.zst"));
    {
        QFile out(ours);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        QString error;
        ASSERT_TRUE(zstdCompressFile(plain, out.handle(), "a mark", &error)) << error.toStdString();
    }
    ASSERT_EQ(run(QStringLiteral("zstd"), {u"-q"_qs, u"-d"_qs, ours, u"-o"_qs, dir.filePath(u"back.txt"_qs)}), 0);
    EXPECT_EQ(fileHash(dir.filePath(QStringLiteral("back.txt"))), fileHash(plain));
    QByteArray mark;
    QByteArray head;
    ASSERT_TRUE(readZstdStart(ours, &mark, &head, 6));
    EXPECT_EQ(mark, "a mark");
    EXPECT_EQ(head, data.left(6));

    // The tool's file, two frames of it back to back, is read whole; cut short it is refused.
    const QString theirs = dir.filePath(QStringLiteral("theirs.zst"));
    ASSERT_EQ(run(QStringLiteral("zstd"), {u"-q"_qs, plain, u"-o"_qs, theirs}), 0);
    QFile twice(theirs);
    ASSERT_TRUE(twice.open(QIODevice::ReadOnly));
    const QByteArray frame = twice.readAll();
    writeFile(dir.filePath(QStringLiteral("twice.zst")), frame + frame);
    writeFile(dir.filePath(QStringLiteral("short.zst")), frame.left(frame.size() - 9));
    const auto unpack = [&](const QString& name, QString* error, qint64* bytes) {
        QFile out(dir.filePath(QStringLiteral("out.txt")));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        return zstdDecompressFile(dir.filePath(name), out.handle(), error, bytes);
    };
    QString error;
    qint64 bytes = 0;
    ASSERT_TRUE(unpack(QStringLiteral("twice.zst"), &error, &bytes)) << error.toStdString();
    EXPECT_EQ(bytes, 2 * data.size());
    EXPECT_FALSE(unpack(QStringLiteral("short.zst"), &error, &bytes));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(hasZstdMagic(theirs));
    EXPECT_FALSE(hasZstdMagic(plain));
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
