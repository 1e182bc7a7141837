#include "LogTestSupport.h"

#include <QSqlRecord>

namespace mivra {
namespace {

Contact fullContact()
{
    Contact qso;
    qso.date = u"2024-06-15"_qs;
    qso.gmt = u"18:42"_qs;
    qso.callsign = u"OK1KHL"_qs;
    qso.locator = u"JO70FD"_qs;
    qso.rsts = u"59"_qs;
    qso.rstr = u"57"_qs;
    qso.band = u"432"_qs;
    qso.mode = u"CW"_qs;
    qso.name = u"Jiří"_qs;
    qso.comment = u"tropo, 'good' signal"_qs;
    qso.qsl = u"Q"_qs;
    qso.prop = u"T"_qs;
    qso.dxcc = u"OK Czech Republic"_qs;
    qso.qrb = 312.25f;
    qso.qtf = 101.5f;
    return qso;
}

QSqlRecord onlyRow(const LogDatabase& log)
{
    QSqlQuery query(u"SELECT * FROM logtab"_qs, log.database());
    EXPECT_TRUE(query.next());
    QSqlRecord record = query.record();
    EXPECT_FALSE(query.next());
    return record;
}

TEST(SaveQso, StoresAllFifteenValuesInTheirColumns)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    const Contact qso = fullContact();
    QString error;
    ASSERT_TRUE(log->saveQso(qso, &error)) << error.toStdString();

    const QSqlRecord row = onlyRow(*log);
    const std::pair<const char*, QString> texts[] = {
        {"Date", qso.date}, {"GMT", qso.gmt},         {"Callsign", qso.callsign}, {"Grid", qso.locator},
        {"rsts", qso.rsts}, {"rstr", qso.rstr},       {"Band", qso.band},         {"mode", qso.mode},
        {"Nam", qso.name},  {"Comment", qso.comment}, {"QSL", qso.qsl},           {"Prop", qso.prop},
        {"DXCC", qso.dxcc},
    };
    for (const auto& [column, value] : texts)
        EXPECT_EQ(row.value(QLatin1String(column)).toString(), value) << column;
    EXPECT_FLOAT_EQ(row.value(u"QRB"_qs).toFloat(), 312.25f);
    EXPECT_FLOAT_EQ(row.value(u"QTF"_qs).toFloat(), 101.5f);
    for (const char* column : {"QSLman", "GEdata", "GEpoly", "GEgridXY"})
        EXPECT_TRUE(row.isNull(QLatin1String(column))) << column;
}

TEST(SaveQso, WithoutLocatorStoresNoDistanceAndEmptyTexts)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    Contact qso;
    qso.date = u"2024-06-15"_qs;
    qso.callsign = u"DL1ABC"_qs;
    ASSERT_TRUE(log->saveQso(qso));

    const QSqlRecord row = onlyRow(*log);
    EXPECT_TRUE(row.isNull(u"QRB"_qs));
    EXPECT_TRUE(row.isNull(u"QTF"_qs));
    for (const char* column : {"GMT", "Grid", "rsts", "QSL", "DXCC"}) {
        EXPECT_FALSE(row.isNull(QLatin1String(column))) << column;
        EXPECT_EQ(row.value(QLatin1String(column)).toString(), QString()) << column;
    }
}

TEST(SaveQso, RefusesARowWithoutCallsignOrDateAndStoresNothing)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    struct Case {
        const char* name;
        QString date;
        QString callsign;
    };
    const Case cases[] = {
        {"empty callsign", u"2024-06-15"_qs, u""_qs},
        {"null callsign", u"2024-06-15"_qs, QString()},
        {"blank callsign", u"2024-06-15"_qs, u"   "_qs},
        {"empty date", u""_qs, u"DL1ABC"_qs},
        {"empty row", QString(), QString()},
    };
    for (const Case& c : cases) {
        Contact qso = fullContact();
        qso.date = c.date;
        qso.callsign = c.callsign;
        QString error;
        EXPECT_FALSE(log->saveQso(qso, &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
        EXPECT_EQ(log->countLogView(QString()), 0) << c.name;
    }
    // The connection is usable afterwards: no transaction was left open.
    EXPECT_TRUE(log->saveQso(fullContact()));
    EXPECT_EQ(log->countLogView(QString()), 1);
}

// A reader beside the window (an export on a read-only connection of its own, in one read
// transaction): it sees the log as it stood, cannot write, and a Save meanwhile is refused whole
// rather than half done; once the reader is through, the same Save goes in.
TEST(SaveQso, AReaderBesideHoldsOffAWriteWithoutHarm)
{
    QTemporaryDir dir;
    const std::unique_ptr<LogDatabase> log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    ASSERT_TRUE(log->saveQso(fullContact()));
    QString error;
    const std::unique_ptr<LogDatabase> reader = LogDatabase::openForReading(log->path(), &error);
    ASSERT_TRUE(reader) << error.toStdString();
    QSqlDatabase db = reader->database();
    ASSERT_TRUE(db.transaction());
    QSqlQuery count(db);
    ASSERT_TRUE(count.exec(u"SELECT count(*) FROM logtab"_qs) && count.next());
    EXPECT_EQ(count.value(0).toInt(), 1);
    count.finish();
    QSqlQuery write(db);
    EXPECT_FALSE(write.exec(u"DELETE FROM logtab"_qs));

    Contact second = fullContact();
    second.callsign = u"OK2ABC"_qs;
    error.clear();
    EXPECT_FALSE(log->saveQso(second, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(log->isWriting());
    ASSERT_TRUE(count.exec(u"SELECT count(*) FROM logtab"_qs) && count.next());
    EXPECT_EQ(count.value(0).toInt(), 1);
    count.finish();
    ASSERT_TRUE(db.rollback());

    ASSERT_TRUE(log->saveQso(second, &error)) << error.toStdString();
    EXPECT_EQ(log->countLogView(QString()), 2);
}

} // namespace
} // namespace mivra
