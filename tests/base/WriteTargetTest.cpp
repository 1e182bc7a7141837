#include "WriteTarget.h"

#include "LogTestSupport.h"

#include <QDir>
#include <QFile>

namespace mivra::test {

namespace {

struct TargetCase {
    const char* name;
    const char* target; // relative to the work folder
    bool allowed;
};

class WriteTargetTest : public ::testing::TestWithParam<TargetCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QDir work(m_dir.path());
        ASSERT_TRUE(work.mkpath(QStringLiteral("data")));
        ASSERT_TRUE(work.mkpath(QStringLiteral("start")));
        writeFile(work.filePath(QStringLiteral("data/backup.sqlite")), "log");
        writeFile(work.filePath(QStringLiteral("start/Quovan.txt")), "settings");
        ASSERT_TRUE(QFile::link(work.filePath(QStringLiteral("data/backup.sqlite")), work.filePath(QStringLiteral("log-link.adi"))));
        ASSERT_TRUE(QFile::link(QStringLiteral("data/backup.sqlite-journal"), work.filePath(QStringLiteral("journal-link.adi"))));
        ASSERT_TRUE(QFile::link(work.filePath(QStringLiteral("data")), work.filePath(QStringLiteral("folder-link"))));
        ASSERT_TRUE(QFile::link(QStringLiteral("log-link.adi"), work.filePath(QStringLiteral("link-to-link.adi"))));
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_P(WriteTargetTest, RefusesTheLogItsFilesAndTheSettingsHoweverNamed)
{
    const QDir work(m_dir.path());
    const WriteTarget target(work.filePath(QStringLiteral("data/backup.sqlite")), work.filePath(QStringLiteral("start/Quovan.txt")));
    const QString path = work.filePath(QString::fromLatin1(GetParam().target));
    QString error;
    EXPECT_EQ(target.allows(path, &error), GetParam().allowed) << error.toStdString();
    if (!GetParam().allowed) {
        EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("nothing was written"))) << error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, WriteTargetTest,
    ::testing::Values(TargetCase{"Log", "data/backup.sqlite", false},
                      TargetCase{"DotsInThePath", "start/../data/./backup.sqlite", false},
                      TargetCase{"LinkToTheLog", "log-link.adi", false},
                      TargetCase{"LinkToALinkToTheLog", "link-to-link.adi", false},
                      TargetCase{"LinkedFolder", "folder-link/backup.sqlite", false},
                      TargetCase{"Journal", "data/backup.sqlite-journal", false},
                      TargetCase{"DanglingLinkToTheJournal", "journal-link.adi", false},
                      TargetCase{"Wal", "data/backup.sqlite-wal", false},
                      TargetCase{"SharedMemory", "data/backup.sqlite-shm", false},
                      TargetCase{"Lock", "data/backup.sqlite.lock", false},
                      TargetCase{"Settings", "start/Quovan.txt", false},
                      TargetCase{"NewFileBesideTheLog", "data/contest.edi", true},
                      TargetCase{"LogNameElsewhere", "start/backup.sqlite", true},
                      TargetCase{"NewFolder", "new/backup.sqlite", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteTarget, GuardsNothingWithoutFiles)
{
    QString error;
    EXPECT_TRUE(WriteTarget().allows(QStringLiteral("/tmp/anything.adi"), &error));
    EXPECT_TRUE(error.isEmpty());
}

} // namespace mivra::test
