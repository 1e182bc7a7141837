#include "IniFile.h"

#include "LogTestSupport.h"

#include <QElapsedTimer>
#include <QSettings>

#include <sys/stat.h>

namespace mivra::test {

namespace {

const char* const kValues[] = {
    "localhost:4532", "/dev/ttyUSB0", "IARU 2m, Region 1", "a;b", "x=y",         "\"quoted\"", "back\\slash",
    "@home",          "@@twice",      " spaces around ",   "",    "Jiří Müller", "tab\there",  "#hash",
    "[rig]",          "100%",
};

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// What the file says is what QSettings reads from it, and what QSettings wrote is read as it meant it.
TEST(IniFile, ValuesGoBothWaysWithQSettings)
{
    for (const char* text : kValues) {
        const QString value = QString::fromUtf8(text);
        SCOPED_TRACE(text);
        QTemporaryDir dir;
        const QString ours = dir.filePath(QStringLiteral("ours.ini"));
        QString error;
        ASSERT_TRUE(IniFile(ours).writeSection(QStringLiteral("contest"), {{QStringLiteral("name"), value}}, &error))
            << error.toStdString();
        EXPECT_EQ(QSettings(ours, QSettings::IniFormat).value(QStringLiteral("contest/name")).toString(), value)
            << readAll(ours).toStdString();
        QVariantMap read;
        ASSERT_TRUE(IniFile(ours).readSection(QStringLiteral("contest"), &read, &error));
        EXPECT_EQ(read.value(QStringLiteral("name")).toString(), value);

        const QString theirs = dir.filePath(QStringLiteral("theirs.ini"));
        {
            QSettings settings(theirs, QSettings::IniFormat);
            settings.setValue(QStringLiteral("contest/name"), value);
        }
        ASSERT_TRUE(IniFile(theirs).readSection(QStringLiteral("contest"), &read, &error));
        EXPECT_EQ(read.value(QStringLiteral("name")).toString(), value) << readAll(theirs).toStdString();
    }
}

// A section is replaced or removed whole; every other line stays as it was.
TEST(IniFile, OtherSectionsAndLinesStay)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mivra.ini"));
    writeFile(path, "; kept by hand\n[rig]\nmodel=2\nport=localhost:4532\n\n[other]\nkey=value\n");
    QString error;
    ASSERT_TRUE(IniFile(path).writeSection(QStringLiteral("contest"), {{QStringLiteral("band"), QStringLiteral("144")}},
                                           &error));
    ASSERT_TRUE(
        IniFile(path).writeSection(QStringLiteral("rig"), {{QStringLiteral("model"), QStringLiteral("3073")}}, &error));
    EXPECT_EQ(readAll(path),
              QStringLiteral("; kept by hand\n[rig]\nmodel=3073\n\n[other]\nkey=value\n\n[contest]\nband=144\n"));
    ASSERT_TRUE(IniFile(path).writeSection(QStringLiteral("rig"), {}, &error));
    EXPECT_EQ(readAll(path), QStringLiteral("; kept by hand\n[other]\nkey=value\n\n[contest]\nband=144\n"));
    QVariantMap read;
    ASSERT_TRUE(IniFile(path).readSection(QStringLiteral("rig"), &read, &error));
    EXPECT_TRUE(read.isEmpty());
}

// A FIFO or a device in its place is neither read (QSettings would wait on it) nor replaced; a write
// on a full disk leaves the file as it was.
TEST(IniFile, NoRegularFileOrNoRoomChangesNothing)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("mivra.ini"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath(QStringLiteral("zero.ini"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    for (const QString& path : {fifo, zero}) {
        SCOPED_TRACE(path.toStdString());
        QElapsedTimer clock;
        clock.start();
        QVariantMap read;
        QString error;
        EXPECT_FALSE(IniFile(path).readSection(QStringLiteral("rig"), &read, &error));
        EXPECT_EQ(error, QStringLiteral("The settings file %1 cannot be read: it is not a regular file").arg(path));
        EXPECT_FALSE(IniFile(path).writeSection(QStringLiteral("rig"), {{QStringLiteral("model"), QStringLiteral("2")}},
                                                &error));
        EXPECT_LT(clock.elapsed(), 2000);
    }
    struct stat info { };
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_TRUE(QFileInfo(zero).isSymLink());

    const QString path = dir.filePath(QStringLiteral("full.ini"));
    writeFile(path, "[rig]\nmodel=2\nport=localhost:4532\n");
    QString error;
    {
        const FileSizeLimit full(16);
        EXPECT_FALSE(IniFile(path).writeSection(QStringLiteral("contest"),
                                                {{QStringLiteral("band"), QStringLiteral("144")}}, &error));
    }
    EXPECT_TRUE(error.startsWith(QStringLiteral("The settings file %1 cannot be written: ").arg(path)))
        << error.toStdString();
    EXPECT_EQ(readAll(path), QStringLiteral("[rig]\nmodel=2\nport=localhost:4532\n"));
}

} // namespace

} // namespace mivra::test
