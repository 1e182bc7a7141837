#include "ExchangeTestSupport.h"

#include "AdifContact.h"
#include "AdifExport.h"
#include "AdifImport.h"
#include "ContactEdits.h"
#include "LogRows.h"
#include "OtherFields.h"
#include "SerialReport.h"

#include <QDateTime>
#include <QDir>
#include <QSqlError>

namespace mivra {
namespace {

const OwnStation kOwn{u"OK1ABC"_qs, u"JO70FD"_qs};
const QDateTime kCreated(QDate(2026, 6, 8), QTime(7, 0), Qt::UTC);

QString samplePath(const char* name)
{
    return QStringLiteral(SAMPLES_DIR "/") + QLatin1String(name);
}

// The record's key: its callsign, date and time as the file has them.
QString keyOf(const QJsonObject& record)
{
    return record.value(u"call"_qs).toString() + u'|' + record.value(u"qso_date"_qs).toString() + u'|'
           + record.value(u"time_on"_qs).toString();
}

struct Share {
    int values = 0;
    int kept = 0;
    QStringList lost; // "record key: FIELD value" for the first few
};

// The field values of the records of `before` that `after` holds unchanged, as an independent
// reader sees both files.
Share keptShare(const QString& before, const QString& after)
{
    QHash<QString, QJsonObject> exported;
    for (const QJsonValue& record : test::recordsByAdifParserTs(after))
        exported.insert(keyOf(record.toObject()), record.toObject());
    Share share;
    for (const QJsonValue& value : test::recordsByAdifParserTs(before)) {
        const QJsonObject record = value.toObject();
        const QJsonObject out = exported.value(keyOf(record));
        for (auto field = record.begin(); field != record.end(); ++field) {
            if (field.value().toString().isEmpty())
                continue;
            ++share.values;
            if (out.value(field.key()) == field.value())
                ++share.kept;
            else if (share.lost.size() < 10)
                share.lost << keyOf(record) + u": "_qs + field.key() + u' ' + field.value().toString() + u" -> "_qs
                                  + out.value(field.key()).toString();
        }
    }
    return share;
}

class WholeContact : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        m_log = LogDatabase::open(m_dir.filePath(u"backup.sqlite"_qs), test::kRealCtyCsv, &error);
        ASSERT_TRUE(m_log) << error.toStdString();
        ASSERT_TRUE(m_log->switchPatternsToRunningForm());
    }
    AdifImportResult import(const QString& path)
    {
        const AdifImportResult result = importAdifFile(*m_log, path, kOwn);
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        return result;
    }
    QString exported(const QString& name = u"out.adi"_qs)
    {
        const QString path = m_dir.filePath(name);
        const AdifExportResult result = exportAdif(*m_log, {}, kOwn, path, kCreated);
        EXPECT_TRUE(result.ok) << result.error.toStdString();
        return path;
    }
    QList<qint64> ids()
    {
        QList<qint64> all;
        for (const QString& id : test::column0(*m_log, u"SELECT ID FROM logtab ORDER BY ID"_qs))
            all << id.toLongLong();
        return all;
    }
    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

// Files as other loggers and services write them: every value of every record comes back.
TEST_F(WholeContact, EveryFieldValueOfLoggersFilesComesBack)
{
    const struct {
        const char* file;
        int records;
    } files[] = {{"online-logbook.adi", 24},
                 {"desktop-logger.adi", 20},
                 {"contest-logger.adi", 18},
                 {"confirmation-report.adi", 15},
                 {"straight-key-logger.adi", 16}};
    for (const auto& sample : files) {
        SCOPED_TRACE(sample.file);
        m_log.reset();
        QFile::remove(m_dir.filePath(u"backup.sqlite"_qs));
        SetUp();
        const AdifImportResult result = import(samplePath(sample.file));
        EXPECT_EQ(result.imported, sample.records) << result.summary().toStdString();
        // The header's fields belong to the file, not to a contact.
        EXPECT_EQ(test::column0(*m_log, u"SELECT count(*) FROM logfields WHERE fields LIKE '%<PROGRAMID:%'"
                                        " OR fields LIKE '%<ADIF_VER:%' OR fields LIKE '%<PROGRAMVERSION:%'"_qs),
                  QStringList{u"0"_qs});
        const QString out = exported(QLatin1String(sample.file));
        const Share share = keptShare(samplePath(sample.file), out);
        std::printf("%-26s %4d field values, %4d kept: %.1f%%\n", sample.file, share.values, share.kept,
                    100.0 * share.kept / std::max(1, share.values));
        EXPECT_GT(share.values, sample.records * 15);
        EXPECT_EQ(share.kept, share.values) << share.lost.join(u'\n').toStdString();
        // What comes back is what went out: a second round changes nothing.
        m_log.reset();
        QFile::remove(m_dir.filePath(u"backup.sqlite"_qs));
        SetUp();
        import(out);
        const Share again = keptShare(out, exported(u"again.adi"_qs));
        EXPECT_EQ(again.kept, again.values) << again.lost.join(u'\n').toStdString();
    }
}

// The whole contact as one unit: every field of the record it came from, by name and value.
TEST_F(WholeContact, AContactGivesEveryFieldOfItsRecord)
{
    import(samplePath("desktop-logger.adi"));
    QFile file(samplePath("desktop-logger.adi"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<adif::AdifRecord> records = adif::readAdif(file.readAll());
    LogSelection all;
    all.otherFields = true;
    std::vector<LogRow> rows;
    QString error;
    ASSERT_TRUE(readLogRows(*m_log, all, &rows, &error)) << error.toStdString();
    ASSERT_EQ(rows.size(), records.size());
    AdifRecordWriter writer(kOwn, kCreated, [this](const QString& entity) { return m_log->dxccNumber(entity); });
    for (const LogRow& row : rows) {
        const std::vector<OtherField> whole = adif::wholeContactFields(row, writer);
        const auto record = std::find_if(records.begin(), records.end(), [&](const adif::AdifRecord& r) {
            return r.value("CALL") == row.callsign && adif::dateOfText(r.value("QSO_DATE")) == row.time.date()
                   && r.value("TIME_ON").startsWith(row.gmt.left(2) + row.gmt.mid(3, 2));
        });
        ASSERT_NE(record, records.end()) << row.callsign.toStdString();
        for (const adif::AdifFieldList::Field& field : record->fields) {
            const OtherField wanted{field.name, field.text, field.type};
            EXPECT_NE(std::find(whole.begin(), whole.end(), wanted), whole.end())
                << row.callsign.toStdString() << " " << field.name.toStdString();
        }
    }
}

TEST_F(WholeContact, EveryAdifBandComesInAndGoesOut)
{
    const AdifImportResult result = import(samplePath("every-band.adi"));
    EXPECT_EQ(result.imported, 33) << result.summary().toStdString();
    EXPECT_TRUE(result.refusals.isEmpty()) << result.refusals.join(u'\n').toStdString();
    const QJsonArray before = test::recordsByAdifParserTs(samplePath("every-band.adi"));
    QHash<QString, QJsonObject> after;
    for (const QJsonValue& record : test::recordsByAdifParserTs(exported()))
        after.insert(keyOf(record.toObject()), record.toObject());
    ASSERT_EQ(after.size(), 33);
    for (const QJsonValue& value : before) {
        const QJsonObject record = value.toObject();
        const QJsonObject out = after.value(keyOf(record));
        EXPECT_EQ(out.value(u"band"_qs), record.value(u"band"_qs)) << keyOf(record).toStdString();
        if (record.contains(u"freq"_qs)) {
            EXPECT_EQ(out.value(u"freq"_qs), record.value(u"freq"_qs)) << keyOf(record).toStdString();
        }
    }
    // Each band under its band value, or a frequency that begins with it; the frequency in Freq.
    const struct {
        const char* frequency;
        const char* band;
    } stored[] = {{"0.1365", "136"},  {"0.502", "560"},   {"5.357", "5357"},      {"60.5", "60.5"},
                  {"222.1", "222.1"}, {"903.1", "903.1"}, {"134928.2", "134000"}, {"403000.0", "300000"}};
    for (const auto& s : stored)
        EXPECT_EQ(test::column0(*m_log, QStringLiteral("SELECT Band FROM logtab WHERE Freq = %1").arg(s.frequency)),
                  QStringList{QLatin1String(s.band)})
            << s.frequency;
}

TEST_F(WholeContact, ReportsOfThreeCharactersAreNeverSplit)
{
    const struct {
        const char* typed;
        const char* mode;
        const char* report;
        const char* serial;
    } cases[] = {
        {"599", "SSTV", "599", ""},     {"599", "RTTY", "599", ""},    {"599", "PKT", "599", ""},
        {"599", "", "599", ""},         {"59", "CW", "59", ""},        {"599001", "RTTY", "599", "001"},
        {"599012", "CW", "599", "012"}, {"59001", "SSB", "59", "001"}, {"59001", "FM", "59", "001"},
        {"5991", "SSB", "5991", ""},    {"59912", "CW", "59912", ""},  {"591234", "USB", "59", "1234"},
        {"59 005", "SSB", "59", "005"}, {"-12", "FT8", "-12", ""},     {"5/9", "SSB", "5/9", ""},
    };
    for (const auto& c : cases) {
        QString serial;
        EXPECT_EQ(splitReport(QLatin1String(c.typed), QLatin1String(c.mode), &serial), QLatin1String(c.report))
            << c.typed << " " << c.mode;
        EXPECT_EQ(serial, QLatin1String(c.serial)) << c.typed << " " << c.mode;
    }
    // In a file: an SSTV 599 leaves as such.
    Contact qso;
    qso.date = u"2026-06-06"_qs;
    qso.gmt = u"12:00"_qs;
    qso.callsign = u"DL1ABC"_qs;
    qso.band = u"14200"_qs;
    qso.mode = u"SSTV"_qs;
    qso.rsts = u"599"_qs;
    qso.rstr = u"595"_qs;
    qso.qsl = u"N"_qs;
    ASSERT_TRUE(m_log->saveQso(qso));
    const QJsonArray records = test::recordsByAdifParserTs(exported());
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].toObject().value(u"rst_sent"_qs), u"599"_qs);
    EXPECT_EQ(records[0].toObject().value(u"rst_rcvd"_qs), u"595"_qs);
    EXPECT_FALSE(records[0].toObject().contains(u"stx_string"_qs));
}

// Every record has a MODE; a free mode text comes back as it was.
TEST_F(WholeContact, FreeModeTextsGoOutWithAnAdifMode)
{
    const struct {
        const char* text;
        const char* report;
        const char* mode;
    } cases[] = {{"SSB/CW", "59", "SSB"},   {"cw-qrs", "599", "CW"},     {"FT8 DXpedition", "-10", "FT8"},
                 {"JT65A2", "-20", "JT65"}, {"Sprechfunk", "59", "SSB"}, {"Funk", "599", "CW"}};
    int minute = 0;
    for (const auto& c : cases) {
        Contact qso;
        qso.date = u"2026-06-06"_qs;
        qso.gmt = QStringLiteral("12:%1").arg(++minute, 2, 10, QLatin1Char('0'));
        qso.callsign = u"DL1ABC"_qs;
        qso.band = u"144"_qs;
        qso.mode = QLatin1String(c.text);
        qso.rsts = QLatin1String(c.report);
        qso.qsl = u"N"_qs;
        ASSERT_TRUE(m_log->saveQso(qso));
    }
    const QString out = exported();
    const QJsonArray records = test::recordsByAdifParserTs(out);
    ASSERT_EQ(records.size(), qsizetype(std::size(cases)));
    for (qsizetype i = 0; i < records.size(); ++i)
        EXPECT_EQ(records[i].toObject().value(u"mode"_qs).toString(), QLatin1String(cases[i].mode)) << cases[i].text;
    test::execAll(*m_log, {u"DELETE FROM logtab"_qs});
    import(out);
    QStringList modes;
    for (const auto& c : cases)
        modes << QLatin1String(c.text);
    EXPECT_EQ(test::column0(*m_log, u"SELECT mode FROM logtab ORDER BY GMT"_qs), modes);
}

// A grid edit, a delete and their undo keep a contact's other fields; an edited column's own fields
// give way to what the column now says.
TEST_F(WholeContact, EditsAndUndoKeepTheOtherFields)
{
    import(samplePath("desktop-logger.adi"));
    const qint64 id = ids().first();
    ContactEdits edits(m_log->database());
    QString error;
    const std::optional<RowSnapshot> before = edits.readRow(id, &error);
    ASSERT_TRUE(before) << error.toStdString();
    const QString stored = before->otherFields.toString();
    ASSERT_TRUE(stored.contains(u"<MY_RIG:"_qs)) << stored.toStdString();
    ASSERT_TRUE(stored.contains(u"<DXCC:"_qs)) << stored.toStdString();

    // The name: the record's own NAME gives way to the column, the other fields stay.
    ASSERT_TRUE(stored.contains(u"<NAME:6>Jürgen"_qs)) << stored.toStdString();
    ASSERT_TRUE(edits.updateRow(id, {{u"Nam"_qs, u"Hiram Percy"_qs}}, &error)) << error.toStdString();
    const QString named = edits.readRow(id, &error)->otherFields.toString();
    EXPECT_EQ(named, QString(stored).remove(u"<NAME:6>Jürgen"_qs));
    // The callsign brings its entity: the record's DXCC and COUNTRY give way, the rest stays.
    const std::optional<ColumnValues> call = cellEditValues(
        u"Callsign"_qs, u"OK1KIR"_qs, kOwn.locator, [this](const QString& c) { return m_log->findDxcc(c); }, &error);
    ASSERT_TRUE(call) << error.toStdString();
    const std::optional<RowSnapshot> beforeCall = edits.readRow(id, &error);
    ASSERT_TRUE(edits.updateRow(id, *call, &error)) << error.toStdString();
    const std::optional<RowSnapshot> afterCall = edits.readRow(id, &error);
    const QString edited = afterCall->otherFields.toString();
    EXPECT_FALSE(edited.contains(u"<DXCC:"_qs));
    EXPECT_FALSE(edited.contains(u"<COUNTRY:"_qs));
    EXPECT_TRUE(edited.contains(u"<MY_RIG:"_qs));
    QJsonObject record = test::recordsByAdifParserTs(exported())[0].toObject();
    EXPECT_EQ(record.value(u"call"_qs), u"OK1KIR"_qs);
    EXPECT_EQ(record.value(u"name"_qs), u"Hiram Percy"_qs);
    EXPECT_EQ(record.value(u"my_rig"_qs), u"IC-7610"_qs);
    EXPECT_EQ(record.value(u"dxcc"_qs), u"503"_qs);
    // Undo: the entity fields come back with the callsign.
    ASSERT_TRUE(edits.undoChange({*beforeCall}, {*afterCall}, &error)) << error.toStdString();
    EXPECT_EQ(edits.readRow(id, &error)->otherFields.toString(), named);

    // Delete and undo: the contact comes back whole, its other fields with it.
    const std::optional<RowSnapshot> whole = edits.readRow(id, &error);
    ASSERT_TRUE(m_log->deleteRow(id, &error)) << error.toStdString();
    EXPECT_EQ(test::column0(*m_log, QStringLiteral("SELECT count(*) FROM logfields WHERE ID = %1").arg(id)),
              QStringList{u"0"_qs});
    ASSERT_TRUE(edits.undoChange({*whole}, {}, &error)) << error.toStdString();
    EXPECT_EQ(edits.readRow(id, &error)->otherFields.toString(), named);

    // A re-import of the same file adds nothing and changes no field.
    const QStringList fieldsBefore = test::column0(*m_log, u"SELECT fields FROM logfields ORDER BY ID"_qs);
    const AdifImportResult again = import(samplePath("desktop-logger.adi"));
    EXPECT_EQ(again.imported, 0);
    EXPECT_EQ(test::column0(*m_log, u"SELECT fields FROM logfields ORDER BY ID"_qs), fieldsBefore);
}

// A deleted contact's ID is never given to a new one, so its delete can always be undone.
TEST_F(WholeContact, IdsAreNeverGivenTwice)
{
    import(samplePath("contest-logger.adi"));
    const qint64 last = ids().last();
    ContactEdits edits(m_log->database());
    QString error;
    const std::optional<RowSnapshot> whole = edits.readRow(last, &error);
    ASSERT_TRUE(whole) << error.toStdString();
    ASSERT_TRUE(m_log->deleteRow(last, &error));
    Contact qso;
    qso.date = u"2026-06-06"_qs;
    qso.gmt = u"12:00"_qs;
    qso.callsign = u"DL1NEW"_qs;
    qso.band = u"144"_qs;
    qso.qsl = u"N"_qs;
    ASSERT_TRUE(m_log->saveQso(qso));
    EXPECT_GT(ids().last(), last);
    EXPECT_TRUE(edits.undoChange({*whole}, {}, &error)) << error.toStdString();
    EXPECT_TRUE(ids().contains(last));
}

TEST(OtherFields, EncodedFieldsDecodeAsTheyWere)
{
    const std::vector<OtherField> fields = {{u"QTH"_qs, u"Třebíč <near> Brno"_qs, 0},
                                            {u"APP_X_JSON"_qs, u"[{\"a\":\"<b:3>\"}]"_qs, 'S'},
                                            {u"NOTES"_qs, u"line 1\r\nline 2"_qs, 'M'},
                                            {u"EMPTYISH"_qs, u" "_qs, 0},
                                            {u"EMOJI"_qs, u"📡 73"_qs, 0}};
    const QString text = encodeOtherFields(fields);
    EXPECT_EQ(decodeOtherFields(text), fields);
    // A cut text gives the fields before the cut.
    EXPECT_EQ(decodeOtherFields(QStringView(text).first(text.indexOf(u"<NOTES"_qs) + 9)).size(), 2u);
    EXPECT_TRUE(decodeOtherFields(u"<QTH:99>short"_qs).empty());
    EXPECT_TRUE(decodeOtherFields(u"garbage"_qs).empty());
}

} // namespace
} // namespace mivra
