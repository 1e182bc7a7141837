#include "BackupRotation.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace mivra::test {

namespace {

QDateTime utc(const char* text)
{
    QDateTime time = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    time.setTimeSpec(Qt::UTC);
    return time;
}

// A copy by its time ("2026-12-01T00:00:00"), size and kind, named as the program names it.
BackupCopy copy(const char* time, qint64 bytes = 1, bool beforeImport = false)
{
    return {backupCopyName(utc(time), beforeImport), utc(time), bytes, beforeImport};
}

QString nameAt(const char* time, bool beforeImport = false)
{
    return backupCopyName(utc(time), beforeImport);
}

struct RotationCase {
    const char* name;
    std::vector<BackupCopy> copies;
    qint64 budget;
    const char* justMade; // empty: none
    std::vector<const char*> removed;
    std::vector<bool> removedBeforeImport = {};
};

class RotationTest : public ::testing::TestWithParam<RotationCase> { };

const QDateTime kNow = utc("2026-12-07T12:00:00");

} // namespace

TEST_P(RotationTest, RemovesWhatTheRulesLetGo)
{
    const RotationCase& c = GetParam();
    BackupRotation rotation;
    rotation.budgetBytes = c.budget;
    rotation.nowUtc = kNow;
    rotation.justMade = *c.justMade ? nameAt(c.justMade) : QString();
    QStringList removed = rotation.copiesToRemove(c.copies);
    QStringList expected;
    for (std::size_t i = 0; i < c.removed.size(); ++i)
        expected << nameAt(c.removed[i], i < c.removedBeforeImport.size() && c.removedBeforeImport[i]);
    removed.sort();
    expected.sort();
    EXPECT_EQ(removed, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Copies, RotationTest,
    ::testing::Values(
        RotationCase{"TenAreKept",
                     {copy("2026-12-01T00:00:00"), copy("2026-12-02T00:00:00"), copy("2026-12-03T00:00:00"),
                      copy("2026-12-04T00:00:00"), copy("2026-12-05T00:00:00"), copy("2026-12-06T00:00:00"),
                      copy("2026-12-06T01:00:00"), copy("2026-12-06T02:00:00"), copy("2026-12-06T03:00:00"),
                      copy("2026-12-07T00:00:00")},
                     100,
                     "",
                     {}},
        RotationCase{"TheOlderOfAMonthGoes",
                     {copy("2026-11-30T00:00:00"), copy("2026-12-01T00:00:00"), copy("2026-12-02T00:00:00"),
                      copy("2026-12-03T00:00:00"), copy("2026-12-04T00:00:00"), copy("2026-12-05T00:00:00"),
                      copy("2026-12-06T00:00:00"), copy("2026-12-06T01:00:00"), copy("2026-12-06T02:00:00"),
                      copy("2026-12-06T03:00:00"), copy("2026-12-07T00:00:00"), copy("2026-12-01T12:00:00")},
                     100,
                     "",
                     {"2026-12-01T00:00:00"}},
        RotationCase{"OneAMonthForAYear",
                     {copy("2026-12-01T00:00:00"), copy("2026-12-02T00:00:00"), copy("2026-12-03T00:00:00"),
                      copy("2026-12-04T00:00:00"), copy("2026-12-05T00:00:00"), copy("2026-12-06T00:00:00"),
                      copy("2026-12-06T01:00:00"), copy("2026-12-06T02:00:00"), copy("2026-12-06T03:00:00"),
                      copy("2026-12-07T00:00:00"), copy("2026-10-15T00:00:00"), copy("2026-10-20T00:00:00"),
                      copy("2026-01-02T00:00:00"), copy("2025-12-08T00:00:00"), copy("2025-12-06T00:00:00")},
                     100,
                     "",
                     {"2026-10-15T00:00:00", "2025-12-06T00:00:00"}},
        // Newest first while they fit; the first that does not fit goes, and every older one with it.
        RotationCase{"TheBudgetEndsTheOlderCopies",
                     {copy("2026-12-07T00:00:00", 30), copy("2026-12-06T00:00:00", 30), copy("2026-12-05T00:00:00", 30),
                      copy("2026-12-04T00:00:00", 10), copy("2026-12-03T00:00:00", 1)},
                     95,
                     "",
                     {"2026-12-04T00:00:00", "2026-12-03T00:00:00"}},
        // The newest copy and the one before the last import stay, even beyond the budget.
        RotationCase{"NewestAndLastImportStayOverBudget",
                     {copy("2026-12-07T00:00:00", 50), copy("2026-12-06T00:00:00", 50),
                      copy("2026-12-05T00:00:00", 50, true), copy("2026-12-04T00:00:00", 50, true)},
                     60,
                     "",
                     {"2026-12-06T00:00:00", "2026-12-04T00:00:00"},
                     {false, true}},
        // The copy just made stays although a copy dated later exists (a clock set ahead before).
        RotationCase{"FutureCopiesGoFirst",
                     {copy("2027-06-01T00:00:00", 40), copy("2027-06-02T00:00:00", 40), copy("2026-12-07T11:00:00", 40),
                      copy("2026-12-06T00:00:00", 40)},
                     130,
                     "2026-12-07T11:00:00",
                     {"2027-06-01T00:00:00"}},
        RotationCase{"FutureCopiesNeverPushOutRealOnes",
                     {copy("2027-06-01T00:00:00", 40), copy("2027-06-02T00:00:00", 40), copy("2026-12-07T11:00:00", 40),
                      copy("2026-12-06T00:00:00", 40), copy("2026-12-05T00:00:00", 40)},
                     120,
                     "",
                     {"2027-06-01T00:00:00", "2027-06-02T00:00:00"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BackupRotation, CopyNamesAreReadBackAndOthersAreNoCopies)
{
    const auto read = [](const char* name) { return parseBackupCopyName(QString::fromLatin1(name)); };
    ASSERT_TRUE(read("backup-20261207-171127.sqlite.zst"));
    EXPECT_EQ(read("backup-20261207-171127.sqlite.zst")->time, utc("2026-12-07T17:11:27"));
    EXPECT_FALSE(read("backup-20261207-171127.sqlite.zst")->beforeImport);
    EXPECT_TRUE(read("backup-20261207-171127-import.sqlite.zst")->beforeImport);
    EXPECT_EQ(read("backup-20261207-171127.sqlite")->time, utc("2026-12-07T17:11:27")); // a copy of earlier versions
    EXPECT_EQ(backupCopyName(utc("2026-12-07T17:11:27"), true),
              QStringLiteral("backup-20261207-171127-import.sqlite.zst"));
    for (const char* other : {"backup-20261207-171127.sqlite-journal", "backup-20261232-000000.sqlite.zst",
                              "backup-20261207-171127-unreadable.sqlite", "backup-20261207-171127.sqlite.zst.bak",
                              ".backup-20261207-171127.sqlite.zst.Ab12Cd", "notes.txt"})
        EXPECT_FALSE(read(other)) << other;
}

TEST(BackupRotation, PartialCopiesAreKnownByTheirHiddenNames)
{
    for (const char* partial :
         {".backup-20261207-171127.sqlite.zst.Ab12Cd", ".backup-20261207-171127.sqlite.Ab12Cd",
          ".backup-20261207-171127.sqlite.Ab12Cd-journal", ".backup-20261207-171127-import.sqlite.zst.x9Y8z7"})
        EXPECT_TRUE(isPartialCopyName(QString::fromLatin1(partial))) << partial;
    for (const char* other :
         {"backup-20261207-171127.sqlite.zst", ".backup-notes", ".backup-20261207-171127.sqlite.zst",
          ".backup-20261207-171127.sqlite.zst.Ab12Cd.txt", ".lock"})
        EXPECT_FALSE(isPartialCopyName(QString::fromLatin1(other))) << other;
}

TEST(BackupRotation, TheBudgetSettingIsReadOrTheDefaultTold)
{
    struct Case {
        const char* setting;
        qint64 bytes;
        bool problem;
    };
    const Case cases[] = {
        {"", 5000, false},
        {"3x", 3000, false},
        {" 1.5 X ", 1500, false},
        {"800 MB", 800000000, false},
        {"2GB", 2000000000, false},
        {"64kb", 64000, false},
        {"12345", 12345, false},
        {"lots", 5000, true},
        {"-1x", 5000, true},
        {"5 times", 5000, true},
        {"99999999999 GB", 5000, true},
    };
    for (const Case& c : cases) {
        const BackupBudget budget = backupBudget(QString::fromLatin1(c.setting), 1000);
        EXPECT_EQ(budget.bytes, c.bytes) << c.setting;
        EXPECT_EQ(!budget.problem.isEmpty(), c.problem) << c.setting;
    }
    EXPECT_TRUE(backupBudget(QStringLiteral("lots"), 1000).problem.contains(QStringLiteral("\"lots\"")));
}

} // namespace mivra::test
