#include "DataFolder.h"

#include <QDir>
#include <QFile>
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

} // namespace
} // namespace mivra
