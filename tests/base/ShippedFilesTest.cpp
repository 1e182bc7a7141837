#include "ShippedFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace mivra::test {
namespace {

bool touch(const QString& path)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) && file.write("x") == 1;
}

// A build keeps the pictures beside the program, an installation in ../share/mivra.
TEST(ShippedFiles, BesideTheProgramFirstThenTheInstalledShareFolder)
{
    QTemporaryDir prefix;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    const QString share = prefix.filePath(QStringLiteral("share/mivra"));
    ASSERT_TRUE(QDir().mkpath(bin));
    EXPECT_EQ(shippedFolders(bin), (QStringList{bin, share}));
    EXPECT_EQ(shippedFile(bin, QStringLiteral("gearth.JPEG")), bin + QStringLiteral("/gearth.JPEG")); // none: the first

    ASSERT_TRUE(touch(share + QStringLiteral("/gearth.JPEG")));
    EXPECT_EQ(shippedFile(bin, QStringLiteral("gearth.JPEG")), share + QStringLiteral("/gearth.JPEG"));
    ASSERT_TRUE(touch(bin + QStringLiteral("/gearth.JPEG")));
    EXPECT_EQ(shippedFile(bin, QStringLiteral("gearth.JPEG")), bin + QStringLiteral("/gearth.JPEG"));
    EXPECT_EQ(shippedFile(bin + QStringLiteral("/"), QStringLiteral("Sign.bmp")), bin + QStringLiteral("/Sign.bmp"));
}

} // namespace
} // namespace mivra::test
