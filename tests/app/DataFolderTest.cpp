#include "DataFolder.h"
#include "RunAsNobody.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace mivra {
namespace {

TEST(DataFolderTest, CommandLineThenPortableLogThenApplicationData)
{
    QTemporaryDir program;
    QTemporaryDir appData;
    const QString given = QDir(program.path()).filePath(QStringLiteral("given"));

    EXPECT_EQ(chooseDataFolder(given, program.path(), appData.path()), given);
    EXPECT_EQ(chooseDataFolder(QString(), program.path(), appData.path()), appData.path());

    QFile log(QDir(program.path()).filePath(kLogFileName));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.close();
    EXPECT_EQ(chooseDataFolder(QString(), program.path(), appData.path()), program.path());
    EXPECT_EQ(chooseDataFolder(given, program.path(), appData.path()), given);
}

TEST(DataFolderTest, OneProgramPerFolderAndAStaleLockIsTakenOver)
{
    QTemporaryDir folder;
    QString error;
    auto first = lockDataFolder(folder.path(), &error);
    ASSERT_TRUE(first) << error.toStdString();
    EXPECT_FALSE(lockDataFolder(folder.path(), &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(folder.path()))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("in use"))) << error.toStdString();
    first.reset();
    EXPECT_TRUE(lockDataFolder(folder.path(), &error)) << error.toStdString();

    // The lock of a program that has ended, as a crash leaves it.
    QProcess ended;
    ended.start(QStringLiteral("true"), {});
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 pid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());
    QFile stale(QDir(folder.path()).filePath(kLogFileName + QStringLiteral(".lock")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QStringLiteral("%1\nmivra\n%2\n").arg(pid).arg(QSysInfo::machineHostName()).toUtf8());
    stale.close();
    EXPECT_TRUE(lockDataFolder(folder.path(), &error)) << error.toStdString();
}

// A crash or power cut while the lock was written leaves a file that names no owner: once nobody has
// touched it for a few seconds it is taken over; a fresh one may belong to a program that is starting.
TEST(DataFolderTest, ALockThatNamesNoOwnerIsTakenOverOnceOld)
{
    const QByteArray contents[] = {QByteArray(), QByteArray("xyz\n")};
    for (const QByteArray& content : contents) {
        QTemporaryDir folder;
        QFile lockFile(QDir(folder.path()).filePath(kLogFileName + QStringLiteral(".lock")));
        ASSERT_TRUE(lockFile.open(QIODevice::WriteOnly));
        lockFile.write(content);
        lockFile.close();
        QString error;
        EXPECT_FALSE(lockDataFolder(folder.path(), &error)) << "fresh, content '" << content.toStdString() << "'";
        EXPECT_TRUE(error.contains(QStringLiteral("in use"))) << error.toStdString();

        ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
        ASSERT_TRUE(lockFile.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        lockFile.close();
        auto lock = lockDataFolder(folder.path(), &error);
        EXPECT_TRUE(lock) << "old, content '" << content.toStdString() << "': " << error.toStdString();
        qint64 pid = 0;
        QString host;
        QString program;
        ASSERT_TRUE(lock && lock->getLockInfo(&pid, &host, &program));
        EXPECT_EQ(pid, QCoreApplication::applicationPid());
    }
}

TEST(DataFolderTest, AFolderThatCannotBeWrittenIsRefusedNamingTheLog)
{
    if (test::ranAsNobody())
        return;
    QTemporaryDir folder;
    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
    QString error;
    EXPECT_FALSE(lockDataFolder(folder.path(), &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(QDir(folder.path()).filePath(kLogFileName))))
        << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("read-only"))) << error.toStdString();
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
} // namespace mivra
