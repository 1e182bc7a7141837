#include "LogBackups.h"
#include "LogTestSupport.h"

#include <QDir>
#include <QFile>

namespace mivra {
namespace {

// restore refuses the log itself however the path reaches it: through a symbolic link, a chain of
// them, or a path with "." and "..". Nothing changes and no copy is made.
TEST(Restore, TheLogItselfIsRefusedThroughAnyPath)
{
    QTemporaryDir dir;
    const QString log = dir.filePath(u"backup.sqlite"_qs);
    {
        auto opened = test::createSmallLog(dir);
        ASSERT_TRUE(opened);
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(u"elsewhere"_qs));
    const QString link = dir.filePath(u"elsewhere/my-log.sqlite"_qs);
    const QString chain = dir.filePath(u"elsewhere/again.sqlite"_qs);
    ASSERT_TRUE(QFile::link(log, link));
    ASSERT_TRUE(QFile::link(link, chain));
    const QByteArray before = test::fileHash(log);
    for (const QString& path : {link, chain, dir.filePath(u"elsewhere/../backup.sqlite"_qs), log}) {
        SCOPED_TRACE(path.toStdString());
        QString error;
        EXPECT_FALSE(LogBackups(log).restore(path, QDateTime::currentDateTimeUtc(), &error));
        EXPECT_TRUE(error.contains(u"it is the log itself"_qs)) << error.toStdString();
        EXPECT_TRUE(error.contains(u"nothing was changed"_qs)) << error.toStdString();
        EXPECT_EQ(test::fileHash(log), before);
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"backups"_qs)));
    }
}

} // namespace
} // namespace mivra
