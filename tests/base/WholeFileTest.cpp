#include "WholeFile.h"

#include "LogTestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSaveFile>

#include <sys/stat.h>

namespace mivra::test {

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

// A write that cannot reach the disk whole leaves the old file as it was, and says why; Qt's own
// commit took a small file that its last flush could not write for done.
TEST(WholeFile, AFileThatDoesNotFitLeavesTheOldOneAndSaysWhy)
{
    struct Case {
        const char* name;
        qsizetype size;
        rlim_t limit;
    };
    const Case cases[] = {
        {"small, inside Qt's write buffer", 1000, 512},
        {"larger than the buffer", 100000, 65536},
        {"nothing of it fits", 3000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.txt"));
        writeFile(path, "the old content\n");
        const QByteArray bytes(c.size, 'x');
        QString reason;
        bool written = false;
        {
            const FileSizeLimit full(c.limit);
            written = writeWholeFile(path, bytes, &reason);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(reason, QString::fromLocal8Bit(std::strerror(EFBIG)));
        EXPECT_EQ(readAll(path), QByteArray("the old content\n"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("settings.txt")})
            << "a temporary file was left";
        // With room, the same write replaces the file.
        ASSERT_TRUE(writeWholeFile(path, bytes, &reason)) << reason.toStdString();
        EXPECT_EQ(readAll(path), bytes);
    }
}

// A writer that writes in pieces (a PDF, an export) is checked the same way at its commit.
TEST(WholeFile, PiecesWrittenThroughQSaveFileAreCheckedAtTheCommit)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export.adi"));
    QString reason;
    {
        const FileSizeLimit full(5000);
        QSaveFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 6; ++i)
            file.write(QByteArray(1000, 'a'));
        EXPECT_FALSE(commitSaveFile(file, &reason));
    }
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// Only regular files are read, within their bound; anything else is refused at once, never waited on.
TEST(WholeFile, OnlyRegularFilesAreReadAndNoMoreThanTheirBound)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = dir.filePath(QStringLiteral("large"));
    writeFile(large, QByteArray(4097, 'x'));
    const QString fits = dir.filePath(QStringLiteral("fits"));
    writeFile(fits, QByteArray(4096, 'y'));
    struct Case {
        QString path;
        const char* reason; // nullptr: read
    };
    const Case cases[] = {
        {fifo, "it is not a regular file"},
        {QStringLiteral("/dev/zero"), "it is not a regular file"},
        {dir.path(), "it is not a regular file"},
        {large, "it is larger than 4 KB"},
        {dir.filePath(QStringLiteral("missing")), "No such file or directory"},
        {fits, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QElapsedTimer clock;
        clock.start();
        QByteArray bytes;
        QString reason;
        const bool read = readRegularFile(c.path, 4096, &bytes, &reason);
        EXPECT_LT(clock.elapsed(), 2000);
        if (!c.reason) {
            ASSERT_TRUE(read) << reason.toStdString();
            EXPECT_EQ(bytes, QByteArray(4096, 'y'));
            continue;
        }
        EXPECT_FALSE(read);
        EXPECT_EQ(reason, QLatin1String(c.reason));
    }
}

} // namespace

} // namespace mivra::test
