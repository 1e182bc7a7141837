#include "ContactHistory.h"
#include "LogTestSupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

namespace mivra {
namespace {

using test::column0;
using test::createSmallLog;
using test::writeFile;

// A log made elsewhere: logtab without collations or indexes, as an older log may be.
std::unique_ptr<LogDatabase> openForeignLog(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("backup.sqlite"));
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        EXPECT_TRUE(query.exec(QStringLiteral("CREATE TABLE logtab (ID INTEGER PRIMARY KEY, Date, GMT, Callsign, Grid,"
                                              " rsts, rstr, DXCC, QSL, Nam, Band, mode, QRB, QTF, Comment, Prop)")));
        EXPECT_TRUE(query.exec(QStringLiteral("CREATE TABLE dxccdata (ADIF INTEGER, dxcccode TEXT, entity TEXT)")));
        query.clear();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    QString error;
    auto log = LogDatabase::open(path, dir.filePath(QStringLiteral("no-cty.csv")), &error);
    EXPECT_TRUE(log) << error.toStdString();
    return log;
}

void add(LogDatabase& log, const char* date, const char* call, const char* grid, const char* band, const char* dxcc)
{
    Contact qso;
    qso.date = QString::fromLatin1(date);
    qso.callsign = QString::fromLatin1(call);
    qso.locator = QString::fromLatin1(grid);
    qso.band = QString::fromLatin1(band);
    qso.dxcc = QString::fromLatin1(dxcc);
    QString error;
    ASSERT_TRUE(log.saveQso(qso, &error)) << error.toStdString();
}

class ContactHistoryTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        m_log = GetParam() ? openForeignLog(m_dir) : createSmallLog(m_dir);
        ASSERT_TRUE(m_log);
        add(*m_log, "2025-06-12", "DL1ABC", "JO31AB", "144", "DL Germany");
        add(*m_log, "12.06.2024", "dl1abc", "JO31", "144", "DL Germany");
        add(*m_log, "2023-01-01", "DL1ABC", "JN58", "432", "DL Germany");
        add(*m_log, "2026-01-01", "OK1XYZ", "jo70", "1296", "OK Czech");
    }

    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

TEST_P(ContactHistoryTest, StationSquareAndEntityOnTheBand)
{
    const ContactHistory history(*m_log);
    const struct {
        const char* call;
        const char* band;
        int onBand;
        int all;
        QDate last;
    } stations[] = {
        {"DL1ABC", "144%", 2, 3, QDate(2025, 6, 12)},
        {"dl1abc", "432%", 1, 3, QDate(2025, 6, 12)},
        {"DL1ABC", "", 3, 3, QDate(2025, 6, 12)},
        {"DL1ABC", "1296%", 0, 3, QDate(2025, 6, 12)},
        {"DL1AB", "144%", 0, 0, QDate()},
        {"DL1ABC/P", "144%", 0, 0, QDate()},
    };
    for (const auto& s : stations) {
        const auto worked = history.workedBefore(QString::fromLatin1(s.call), QString::fromLatin1(s.band));
        ASSERT_TRUE(worked) << s.call;
        EXPECT_EQ(worked->onBand, s.onBand) << s.call << " " << s.band;
        EXPECT_EQ(worked->allBands, s.all) << s.call;
        EXPECT_EQ(worked->last, s.last) << s.call;
    }

    const struct {
        const char* locator;
        const char* band;
        bool worked;
    } squares[] = {
        {"JO31XX", "144%", true}, {"jo31", "432%", false}, {"JO70AA", "1296%", true},
        {"JN58", "", true},       {"JO32", "", false},     {"JN58AA11", "144%", false},
    };
    for (const auto& s : squares)
        EXPECT_EQ(history.squareWorked(QString::fromLatin1(s.locator), QString::fromLatin1(s.band)), s.worked)
            << s.locator << " " << s.band;

    const struct {
        const char* entity;
        const char* band;
        bool worked;
    } entities[] = {
        {"DL Germany", "144%", true}, {"dl germany", "1296%", false}, {"OK Czech", "1296%", true},
        {"OK Czech", "144%", false},  {"OK Czech", "", true},         {"DL Germ", "144%", false},
    };
    for (const auto& e : entities)
        EXPECT_EQ(history.entityWorked(QString::fromLatin1(e.entity), QString::fromLatin1(e.band)), e.worked)
            << e.entity << " " << e.band;
}

// Each look-up seeks its index instead of reading the whole log, in a new log and in one that
// gained the indexes at open.
TEST_P(ContactHistoryTest, EveryLookUpSeeksItsIndex)
{
    const struct {
        const char* sql;
        std::vector<std::pair<const char*, const char*>> values;
        const char* index;
    } plans[] = {
        {ContactHistory::kWorkedBeforeSql, {{":band", "144%"}, {":call", "DL1ABC"}}, "INDEX logtab_callsign"},
        {ContactHistory::kSquareWorkedSql, {{":square", "JO31"}, {":band", "144%"}}, "INDEX logtab_square"},
        {ContactHistory::kEntityWorkedSql, {{":entity", "DL Germany"}, {":band", "144%"}}, "INDEX logtab_dxcc"},
    };
    for (const auto& p : plans) {
        QSqlQuery query(m_log->database());
        ASSERT_TRUE(query.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + QString::fromLatin1(p.sql)));
        for (const auto& [name, value] : p.values)
            query.bindValue(QString::fromLatin1(name), QString::fromLatin1(value));
        ASSERT_TRUE(query.exec());
        QStringList details;
        while (query.next())
            details << query.value(3).toString();
        const QString plan = details.join(u'|');
        EXPECT_TRUE(plan.contains(QLatin1String(p.index))) << plan.toStdString();
        EXPECT_FALSE(plan.contains(QLatin1String("SCAN logtab"))) << plan.toStdString();
    }
}

TEST_P(ContactHistoryTest, LastLocatorIsTheLatestContactsNotTheLastSaved)
{
    // Saved out of order: the latest by date and time wins, of one minute the one saved last; a
    // contact without a valid locator gives none.
    add(*m_log, "2024-02-02", "OK1KIR", "JO70FD", "144", "");
    add(*m_log, "02.03.2024", "ok1kir", "jo60aa", "144", "");
    add(*m_log, "2023-12-31", "OK1KIR", "JN79", "432", "");
    add(*m_log, "2024-03-02", "OK1KIR", "JO6", "144", "");
    add(*m_log, "2024-05-05", "OK1KIR/P", "JN69", "144", "");
    add(*m_log, "2024-05-05", "DL5ZZ", "JO50", "144", "");
    add(*m_log, "2024-05-05", "DL5ZZ", "JO51", "144", "");
    const ContactHistory history(*m_log);
    const struct {
        const char* call;
        const char* locator;
    } cases[] = {
        {"OK1KIR", "JO60AA"}, {" ok1kir ", "JO60AA"}, {"OK1KIR/P", "JN69"}, {"OK1KIR/M", ""},
        {"DL5ZZ", "JO51"},    {"DL1ABC", "JO31AB"},   {"OK1XYZ", "JO70"},   {"OK1KI%", ""},
    };
    for (const auto& c : cases) {
        const std::optional<QString> locator = history.lastLocator(QString::fromLatin1(c.call));
        ASSERT_TRUE(locator) << c.call;
        EXPECT_EQ(*locator, QLatin1String(c.locator)) << c.call;
    }
}

INSTANTIATE_TEST_SUITE_P(NewAndForeignLog, ContactHistoryTest, ::testing::Bool());

} // namespace
} // namespace mivra
