#include "ExchangeTestSupport.h"

#include "AdifFile.h"
#include "AdifFileReader.h"
#include "AdifImport.h"

#include <QElapsedTimer>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mivra {
namespace {

const OwnStation kOwn{u"DL7ABC"_qs, u"JO62QM"_qs};

// Files whose records a window that ends in the wrong place would read otherwise: headers, values that
// hold tags, lengths that overrun, characters counted for bytes, no last <EOR>, text between records.
const char* const kFiles[] = {
    "<CALL:4>OK1A<COMMENT:9>a <EOH> b<EOR><CALL:4>OK1B<EOR>",
    "Made by hand <ADIF_VER:5>3.1.4<PROGRAMID:5>mivra<EOH>\r\n<CALL:4>OK1C<QSO_DATE:8>20260101<EOR>\r\n",
    "<call:4>OK1A<comment:10>x<eor>y<b>z<eor><call:4>OK1B<eor>",
    "<CALL:4>OK1A<NAME:99>Eva<EOR><CALL:4>OK1B<NAME:3>Ida<EOR>",
    "<CALL:4>OK1A<NAME:4>J\xc3\xb6rg<COMMENT:3>\xc3\xa9t\xc3\xa9 <EOR>\n<CALL:4>OK1B<EOR>",
    "<CALL:4>OK1A<EOR>text between <b>records<CALL:4>OK1B<NAME:4>Eva",
    "<CALL:4>OK1A<EOR><CALL:40>OK1B",
    "<CALL:4>OK1A<EOR><CALL:4>OK1B<NAME:3>Ev",
    "<CALL:4>OK1A<EOR><CALL:4>OK1B<NAME:3",
    "<CALL:2000000>x<BAND:2>2m<EOR><CALL:4>OK1B<EOR>",
    "<CALL:4>OK1A<COMMENT:5000000>long<EOR><CALL:4>OK1B<EOR>",
    "header <EOH>",
    "",
    "no tags at all, only text\n",
    "<EOH><EOR><EOR><CALL:4>OK1A<EOR>",
    "<CALL:4>OK1A<EOR<CALL:4>OK1B<EOR>",
    "\xff\xfe<CALL:4>OK1\xe9<NAME:3>\xe9va<EOR>",
};

QByteArray randomFile(QRandomGenerator& random)
{
    static const char* const pieces[] = {"<CALL:4>OK1A",
                                         "<NAME:3>Eva",
                                         "<EOR>",
                                         "<eor>\n",
                                         "<EOH>",
                                         "<COMMENT:8>",
                                         "x",
                                         "<",
                                         ">",
                                         " ",
                                         "<NAME:2>\xc3\xa9",
                                         "\xc3",
                                         "<QSO_DATE:8>20260101",
                                         ":",
                                         "<BAND:20>2m",
                                         "<APP_X:0>",
                                         "\r\n"};
    QByteArray file;
    const int count = random.bounded(1, 60);
    for (int i = 0; i < count; ++i)
        file += pieces[random.bounded(int(std::size(pieces)))];
    return file;
}

QString describe(const std::vector<adif::AdifRecord>& records)
{
    QStringList lines;
    for (const adif::AdifRecord& record : records) {
        QStringList fields;
        for (const auto& field : record.fields)
            fields << field.name + u'=' + field.text;
        lines << QStringLiteral("#%1 @%2%3 %4")
                     .arg(record.number)
                     .arg(record.offset)
                     .arg(record.cut ? u" cut"_qs : QString(), fields.join(u'|'));
    }
    return lines.join(u'\n');
}

std::vector<adif::AdifRecord> readInPieces(const QString& path, qsizetype piece, QString* error)
{
    adif::AdifFileReader reader(path, piece);
    std::vector<adif::AdifRecord> records;
    if (!reader.open()) {
        *error = reader.error();
        return records;
    }
    adif::AdifRecord record;
    while (reader.next(&record))
        records.push_back(record);
    *error = reader.error();
    return records;
}

// Read in pieces of any size, a file gives the records it gives when read whole.
TEST(AdifFileReader, PiecesOfAnySizeGiveTheRecordsOfTheWholeFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"file.adi"_qs);
    std::vector<QByteArray> files(std::begin(kFiles), std::end(kFiles));
    QRandomGenerator random(20261208);
    for (int i = 0; i < 300; ++i)
        files.push_back(randomFile(random));
    for (const QByteArray& file : files) {
        SCOPED_TRACE(file.left(200).toStdString());
        test::writeFile(path, file);
        const QString whole = describe(adif::readAdif(file));
        for (const qsizetype piece : {16, 17, 23, 64, 4096}) {
            QString error;
            EXPECT_EQ(describe(readInPieces(path, piece, &error)).toStdString(), whole.toStdString())
                << "pieces of " << piece;
            EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        }
    }
}

// A value longer than any value is taken for a broken length: it stops at its record's end, and the
// window never grows to hold it.
TEST(AdifFileReader, ALengthBeyondAnyValueStopsAtTheRecordsEnd)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"file.adi"_qs);
    QByteArray file = "<CALL:4>OK1A<COMMENT:30000000>short<EOR>";
    file += QByteArray(adif::AdifReader::kMaxValueBytes + 10, 'x') + "<CALL:4>OK1B<EOR>";
    test::writeFile(path, file);
    QString error;
    const std::vector<adif::AdifRecord> records = readInPieces(path, 4096, &error);
    ASSERT_EQ(records.size(), 2u) << error.toStdString();
    EXPECT_EQ(records[0].value("COMMENT"), u"short"_qs);
    EXPECT_EQ(records[1].value("CALL"), u"OK1B"_qs);
}

// A file that another program changes while it is read stops the reading with a message: cut short,
// or rewritten in place to the same size. Anything but a regular file is not read at all.
TEST(AdifFileReader, AFileThatChangesOrIsNoRegularFileIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"file.adi"_qs);
    QByteArray file;
    for (int i = 0; i < 2000; ++i)
        file += "<CALL:6>OK1ABC<QSO_DATE:8>20260101<TIME_ON:4>1200<BAND:2>2m<EOR>\n";
    struct Case {
        const char* name;
        std::function<void()> change;
        const char* error;
    };
    const Case cases[] = {
        {"cut short", [&] { ASSERT_EQ(::truncate(path.toLocal8Bit().constData(), 1000), 0); }, "became shorter"},
        {"rewritten in place",
         [&] {
             QFile rewritten(path);
             ASSERT_TRUE(rewritten.open(QIODevice::ReadWrite));
             rewritten.seek(file.size() - 100);
             rewritten.write(QByteArray(20, 'z'));
         },
         "another program changed it"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(path, file);
        // Another second on the clock of the file, however coarse it is.
        struct stat before { };
        ::stat(path.toLocal8Bit().constData(), &before);
        adif::AdifFileReader reader(path, 4096);
        ASSERT_TRUE(reader.open()) << reader.error().toStdString();
        adif::AdifRecord record;
        ASSERT_TRUE(reader.next(&record));
        c.change();
        const struct timespec later[2] = {{0, UTIME_OMIT}, {before.st_mtim.tv_sec + 1, 0}};
        ::utimensat(AT_FDCWD, path.toLocal8Bit().constData(), later, 0);
        int records = 1;
        while (reader.next(&record))
            ++records;
        EXPECT_LT(records, 2000);
        EXPECT_TRUE(reader.error().contains(QLatin1String(c.error))) << reader.error().toStdString();
    }

    const QString fifo = dir.filePath(u"fifo.adi"_qs);
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& other : {fifo, u"/dev/zero"_qs, dir.path()}) {
        QElapsedTimer clock;
        clock.start();
        adif::AdifFileReader reader(other);
        EXPECT_FALSE(reader.open()) << other.toStdString();
        EXPECT_TRUE(reader.error().contains(u"not a regular file"_qs)) << reader.error().toStdString();
        EXPECT_LT(clock.elapsed(), 2000);
    }
}

// An import whose file is cut short part-way keeps nothing of it: the log is as it was.
TEST(AdifFileReader, AnImportOfAFileCutShortKeepsNothing)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    ASSERT_TRUE(log->switchPatternsToRunningForm());
    const QString path = dir.filePath(u"many.adi"_qs);
    QByteArray file;
    // Larger than the piece read at once, so that the cut is met while reading.
    for (int i = 0; i < 80000; ++i)
        file += QStringLiteral("<CALL:%1>OK%2<QSO_DATE:8>20260101<TIME_ON:4>1200<BAND:2>2m<EOR>\n")
                    .arg(QString::number(i).size() + 2)
                    .arg(i)
                    .toLatin1();
    test::writeFile(path, file);
    bool cut = false;
    const AdifImportResult result = importAdifFile(*log, path, kOwn, [&](qint64, qint64) {
        if (!std::exchange(cut, true))
            ::truncate(path.toLocal8Bit().constData(), 5000);
    });
    ASSERT_TRUE(cut);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.startsWith(u"Nothing was imported"_qs)) << result.error.toStdString();
    EXPECT_TRUE(result.error.contains(u"became shorter"_qs)) << result.error.toStdString();
    EXPECT_EQ(test::column0(*log, u"SELECT COUNT(*) FROM logtab"_qs), QStringList{u"0"_qs});
}

} // namespace
} // namespace mivra
