#include "StationSettingsFile.h"
#include "RunAsNobody.h"
#include "Windows1252.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using mivra::loadStationSettings;
using mivra::saveStationSettings;
using mivra::StationSettings;

namespace {

const QByteArray kCreatedFile = "\"\"\r\n\"\"\r\n1\r\n1\r\n10\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n1\r\n";

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path() const { return m_dir.filePath(QStringLiteral("Quovan.txt")); }

    void write(const QByteArray& bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray read() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    // Loads, expecting success.
    StationSettings load(StationSettings settings = {}) const
    {
        QString error;
        EXPECT_TRUE(loadStationSettings(settings, path(), &error)) << error.toStdString();
        return settings;
    }

    void save(const StationSettings& settings) const
    {
        QString error;
        EXPECT_TRUE(saveStationSettings(settings, path(), &error)) << error.toStdString();
    }

    QTemporaryDir m_dir;
};

TEST_F(SettingsFileTest, MissingFileIsCreatedWithTheCreationDefaults)
{
    const StationSettings settings = load();
    EXPECT_EQ(read(), kCreatedFile);
    StationSettings expected;
    expected.setCreationDefaults();
    EXPECT_EQ(settings, expected);
    EXPECT_EQ(settings.numericValue(StationSettings::MapOpacity), 0);
}

TEST_F(SettingsFileTest, EmptyFileCountsAsMissing)
{
    write(QByteArray());
    StationSettings before;
    before.setValue(StationSettings::OwnCallsign, QStringLiteral("DL1ABC"));
    const StationSettings settings = load(before);
    EXPECT_EQ(read(), kCreatedFile);
    EXPECT_EQ(settings.text(StationSettings::OwnCallsign), QString());
}

TEST_F(SettingsFileTest, BlankLineEndsReadingAndLaterSlotsKeepOrGetDefaults)
{
    write("\"DL1ABC\"\r\n\"JO62AB\"\r\n3\r\n7\r\n12\r\n\r\n\"line 2\"\r\n\"line 3\"\r\n\"line 4\"\r\n\"addr\"\r\n"
          "\"foot\"\r\n200\r\n0\r\n");

    const StationSettings fresh = load();
    StationSettings expected;
    expected.setValue(0, QStringLiteral("DL1ABC"));
    expected.setValue(1, QStringLiteral("JO62AB"));
    expected.setValue(2, 3);
    expected.setValue(3, 7);
    expected.setValue(4, 12);
    expected.fillAbsentDefaults();
    EXPECT_EQ(fresh, expected);
    EXPECT_EQ(fresh.text(StationSettings::QslLine3), QStringLiteral("Rig: "));
    EXPECT_EQ(fresh.text(StationSettings::MapOpacity), QStringLiteral("128"));

    // A slot before the blank line is replaced, the blank line's own slot is emptied,
    // the slots after it keep what the table held.
    StationSettings held;
    held.setValue(StationSettings::OwnCallsign, QStringLiteral("OLD"));
    held.setValue(StationSettings::QslInfoLine, QStringLiteral("old info"));
    held.setValue(StationSettings::QslLine4, QStringLiteral("old line 4"));
    held.setValue(StationSettings::MapLines, 0);
    const StationSettings reloaded = load(held);
    EXPECT_EQ(reloaded.text(StationSettings::OwnCallsign), QStringLiteral("DL1ABC"));
    EXPECT_EQ(reloaded.text(StationSettings::QslInfoLine), QStringLiteral("DOK: "));
    EXPECT_EQ(reloaded.text(StationSettings::QslLine4), QStringLiteral("old line 4"));
    EXPECT_EQ(reloaded.numericValue(StationSettings::MapLines), 0);

    save(fresh);
    EXPECT_EQ(read(), QByteArray("\"DL1ABC\"\r\n\"JO62AB\"\r\n3\r\n7\r\n12\r\n\"DOK: \"\r\n\"Rig: \"\r\n\"Rig: \"\r\n"
                                 "\"Rig: \"\r\n\"OP: \"\r\n\"email:    Printed: \"\r\n\"128\"\r\n1\r\n"));
}

TEST_F(SettingsFileTest, ShortFileIsCompletedFromTheDefaults)
{
    write("\"DL1ABC\"\r\n\"JO62AB\"\r\n");
    const StationSettings settings = load();
    EXPECT_EQ(settings.numericValue(StationSettings::BandIndex), 10);
    EXPECT_EQ(settings.text(StationSettings::QslAddressLine), QStringLiteral("OP: "));
    save(settings);
    EXPECT_EQ(read().count("\r\n"), 13);
}

TEST_F(SettingsFileTest, LinesAfterThirteenAreReadAndDroppedAtTheNextSave)
{
    QByteArray file = "\"C\"\r\n\"JO62\"\r\n2\r\n1\r\n4\r\n\"a\"\r\n\"b\"\r\n\"c\"\r\n\"d\"\r\n\"e\"\r\n\"f\"\r\n90\r\n0\r\n";
    const QByteArray thirteen = file;
    for (int line = 14; line <= 20; ++line)
        file += "\"extra " + QByteArray::number(line) + "\"\r\n";
    write(file);

    const StationSettings settings = load();
    EXPECT_EQ(settings.text(13), QStringLiteral("extra 14"));
    EXPECT_EQ(settings.text(19), QStringLiteral("extra 20"));
    EXPECT_TRUE(settings.isEmpty(20));
    save(settings);
    EXPECT_EQ(read(), thirteen);
}

TEST_F(SettingsFileTest, LinesBeyondTheTableAreIgnored)
{
    QByteArray file;
    for (int line = 1; line <= 150; ++line)
        file += QByteArray::number(line) + "\r\n";
    write(file);
    const StationSettings settings = load();
    EXPECT_EQ(settings.numericValue(0), 1);
    EXPECT_EQ(settings.numericValue(100), 101);
    EXPECT_TRUE(settings.isEmpty(101));
}

TEST_F(SettingsFileTest, OpacityReadsAlikeQuotedAndBareAndKeepsItsForm)
{
    const QByteArray head = "\"C\"\r\n\"JO62\"\r\n1\r\n1\r\n10\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n";
    for (const QByteArray& opacity : {QByteArray("\"128\""), QByteArray("128")}) {
        SCOPED_TRACE(opacity.toStdString());
        write(head + opacity + "\r\n1\r\n");
        const StationSettings settings = load();
        EXPECT_EQ(settings.numericValue(StationSettings::MapOpacity), 128);
        EXPECT_EQ(settings.text(StationSettings::MapOpacity), QStringLiteral("128"));
        save(settings);
        EXPECT_EQ(read(), head + opacity + "\r\n1\r\n");
    }
}

TEST_F(SettingsFileTest, ReservedSlotIsCarriedThroughLoadAndSave)
{
    for (const QByteArray& value : {QByteArray("7"), QByteArray("-42"), QByteArray("0"), QByteArray("\"x\"")}) {
        SCOPED_TRACE(value.toStdString());
        const QByteArray file = "\"C\"\r\n\"JO62\"\r\n1\r\n" + value + "\r\n10\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n1\r\n";
        write(file);
        StationSettings settings = load();
        settings.setText(StationSettings::OwnCallsign, QStringLiteral("DL2XYZ"));
        save(settings);
        QByteArray expected = file;
        expected.replace("\"C\"", "\"DL2XYZ\"");
        EXPECT_EQ(read(), expected);
    }
}

TEST_F(SettingsFileTest, TextsRoundTripWhole)
{
    const QString texts[] = {
        QStringLiteral("Rig: IC-9700, 100 W, 4x 17el"),
        QStringLiteral("  leading and trailing blanks  "),
        QStringLiteral("128"),
        QStringLiteral("Jürgen Müller, Straße 5 – 😀 Ω"),
        QStringLiteral("a;b\tc"),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        StationSettings settings = load();
        settings.setText(StationSettings::QslLine2, text);
        save(settings);
        EXPECT_TRUE(read().contains("\r\n\"" + text.toUtf8() + "\"\r\n"));
        const StationSettings reloaded = load();
        EXPECT_EQ(reloaded.value(StationSettings::QslLine2), QVariant(text));
        EXPECT_EQ(reloaded, settings);
    }
}

TEST_F(SettingsFileTest, QuotesAndLineBreaksAreStoredByTheRuleAndReadBackAsStored)
{
    StationSettings settings = load();
    // Stored raw, past setText(): the writer still keeps the file line based.
    const QString raw = QStringLiteral("He said \"73\"\r\nsee you\nsoon");
    settings.setValue(StationSettings::QslLine3, raw);
    save(settings);
    EXPECT_EQ(read().count("\r\n"), 13);
    EXPECT_TRUE(read().contains("\r\n\"He said '73' see you soon\"\r\n"));
    const StationSettings reloaded = load();
    EXPECT_EQ(reloaded.text(StationSettings::QslLine3), StationSettings::storableText(raw));
    EXPECT_EQ(reloaded.text(StationSettings::QslLine4), QString());
}

TEST_F(SettingsFileTest, LinesTheWriterNeverWritesHaveAPlainReading)
{
    write("DL1ABC\r\n  \"JO62AB\"  \r\n 2 \r\n+5\r\n12.5\r\n\"unterminated\r\n\"say \"hi\"\"\r\n"
          "0x10\r\n99999999999999999999\r\n\"\"\r\n\"\r\n128 dB\r\n1\r\n");
    const StationSettings settings = load();
    const struct {
        int slot;
        QVariant value;
    } cases[] = {
        {0, QStringLiteral("DL1ABC")},
        {1, QStringLiteral("JO62AB")},
        {2, qint64(2)},
        {3, qint64(5)},
        {4, QStringLiteral("12.5")},
        {5, QStringLiteral("unterminated")},
        {6, QStringLiteral("say \"hi\"")},
        {7, QStringLiteral("0x10")},
        {8, QStringLiteral("99999999999999999999")},
        {9, QString()},
        {10, QString()},
        {11, QStringLiteral("128 dB")},
        {12, qint64(1)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.slot);
        EXPECT_EQ(settings.value(c.slot), c.value);
        EXPECT_EQ(settings.value(c.slot).typeId(), c.value.typeId());
    }
    EXPECT_EQ(settings.numericValue(StationSettings::BandIndex), 13);
    EXPECT_EQ(settings.numericValue(StationSettings::MapOpacity), 128);
}

TEST_F(SettingsFileTest, AcceptsLineFeedsAndCarriageReturnsAlone)
{
    for (const QByteArray& lineEnd : {QByteArray("\n"), QByteArray("\r")}) {
        QByteArray file = "\"DL1ABC\"" + lineEnd + "\"JO62AB\"" + lineEnd + "3" + lineEnd;
        write(file);
        const StationSettings settings = load();
        EXPECT_EQ(settings.text(StationSettings::OwnLocator), QStringLiteral("JO62AB"));
        EXPECT_EQ(settings.numericValue(StationSettings::SearchSelector), 3);
    }
}

TEST_F(SettingsFileTest, ReadsWindows1252AndWritesUtf8)
{
    write("\"M\xfcller\"\r\n\"JO62AB\"\r\n1\r\n1\r\n10\r\n\"\x80 5,00 \x84quoted\x93\"\r\n");
    StationSettings settings = load();
    EXPECT_EQ(settings.text(StationSettings::OwnCallsign), QStringLiteral("Müller"));
    EXPECT_EQ(settings.text(StationSettings::QslInfoLine), QStringLiteral("€ 5,00 „quoted“"));
    save(settings);
    const QByteArray saved = read();
    EXPECT_TRUE(saved.startsWith("\"M\xc3\xbcller\"\r\n"));
    QStringDecoder utf8(QStringDecoder::Utf8);
    (void)utf8.decode(saved);
    EXPECT_FALSE(utf8.hasError());
    EXPECT_EQ(load(), settings);
}

TEST_F(SettingsFileTest, Utf8ByteOrderMarkIsNotPartOfTheFirstValue)
{
    write("\xef\xbb\xbf\"DL1ABC\"\r\n");
    EXPECT_EQ(load().text(StationSettings::OwnCallsign), QStringLiteral("DL1ABC"));
}

TEST_F(SettingsFileTest, UnwritablePathFailsWithTheFileNameAndKeepsMemory)
{
    // A regular file where the folder should be: not writable even for root.
    write("x");
    const QString blocked = path() + QStringLiteral("/Quovan.txt");

    StationSettings settings;
    settings.setText(StationSettings::OwnCallsign, QStringLiteral("DL1ABC"));
    settings.setValue(StationSettings::MapOpacity, 99);
    const StationSettings before = settings;
    QString error;
    EXPECT_FALSE(saveStationSettings(settings, blocked, &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(blocked))) << error.toStdString();
    EXPECT_EQ(settings, before);
    EXPECT_EQ(read(), QByteArray("x"));

    // Creating it fails too: the table holds the creation defaults and stays usable.
    error.clear();
    EXPECT_FALSE(loadStationSettings(settings, blocked, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Quovan.txt")));
    StationSettings created;
    created.setCreationDefaults();
    EXPECT_EQ(settings, created);
}

TEST_F(SettingsFileTest, FileInAFolderThatCannotBeWrittenIsWrittenInPlace)
{
    if (mivra::test::ranAsNobody())
        return;
    struct Case {
        const char* name;
        bool fileWritable;
        bool saved;
    };
    const Case cases[] = {{"file writable", true, true}, {"file read-only", false, false}};
    const auto folderPermissions = QFile::ReadOwner | QFile::ExeOwner;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(kCreatedFile);
        ASSERT_TRUE(QFile::setPermissions(path(), c.fileWritable ? QFile::ReadOwner | QFile::WriteOwner : QFile::ReadOwner));
        ASSERT_TRUE(QFile::setPermissions(m_dir.path(), folderPermissions));
        StationSettings settings = load();
        settings.setText(StationSettings::OwnCallsign, QStringLiteral("DL1ABC"));
        QString error;
        EXPECT_EQ(saveStationSettings(settings, path(), &error), c.saved) << error.toStdString();
        EXPECT_EQ(read().startsWith("\"DL1ABC\"\r\n\"\"\r\n1\r\n"), c.saved);
        EXPECT_EQ(read().size(), c.saved ? kCreatedFile.size() + 6 : kCreatedFile.size());
        if (!c.saved) {
            EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path()))) << error.toStdString();
        }
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Quovan.txt"});
        QFile::setPermissions(m_dir.path(), folderPermissions | QFile::WriteOwner);
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    }
}

TEST_F(SettingsFileTest, UnreadableFileIsReportedAndLeftAlone)
{
    // A folder in the file's place exists but cannot be read as a file.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Quovan.txt")));
    StationSettings settings;
    settings.setText(StationSettings::OwnCallsign, QStringLiteral("DL1ABC"));
    QString error;
    EXPECT_FALSE(loadStationSettings(settings, path(), &error));
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(path()))) << error.toStdString();
    EXPECT_EQ(settings.text(StationSettings::OwnCallsign), QStringLiteral("DL1ABC"));
    EXPECT_EQ(settings.text(StationSettings::MapOpacity), QStringLiteral("128"));
    EXPECT_TRUE(QFileInfo(path()).isDir());
}

TEST(Windows1252Test, TableAgreesWithTheConverterOnEveryByte)
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(static_cast<char>(byte));
    const QString byTable = mivra::decodeWindows1252ByTable(all);
    ASSERT_EQ(byTable.size(), 256);
    EXPECT_EQ(byTable.at(0x80), QChar(0x20AC));
    EXPECT_EQ(byTable.at(0x9F), QChar(0x0178));
    EXPECT_EQ(byTable.at(0xFC), QChar(0x00FC));
    EXPECT_EQ(mivra::decodeWindows1252(all), byTable);
}

} // namespace
