#include "LogTestSupport.h"

#include "ConfirmationCount.h"
#include "SqliteConnection.h"

#include <QDate>
#include <QHash>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTime>

namespace mivra {
namespace {

struct ContactText {
    const char* date;
    const char* gmt;
    const char* callsign;
    const char* grid;
    const char* band;
};

// The log used by the view tests, stored in this order.
const ContactText kContacts[] = {
    {"2024-03-01", "10:00", "DL1ABC", "JO62QM", "144"},
    {"2024-03-01", "09:00", "DL2XYZ", "JO61", "1296"},
    {"2024-03-02", "08:00", "DK5AB", "JN58", "432"},
    {"2023-12-31", "23:59", "OK1KHL", "JO70", "144"},
    {"2024-03-01", "11:30", "DL1ABC", "JO62QM", "144"},
    {"2024-01-15", "12:00", "G4ABC", "IO91", "14200"},
    {"2024-02-10", "07:15", "DL_X%1", "JO6%", "144"},
    {"2024-02-11", "07:15", "O'HARA", "IO6_", "50"},
    {"2024-02-12", "07:15", "DL\\X", "JN58", "144"},
};

class LogView : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_log = test::createSmallLog(m_dir);
        ASSERT_TRUE(m_log);
        for (const ContactText& c : kContacts) {
            mivra::Contact qso;
            qso.date = QLatin1String(c.date);
            qso.gmt = QLatin1String(c.gmt);
            qso.callsign = QLatin1String(c.callsign);
            qso.locator = QLatin1String(c.grid);
            qso.band = QLatin1String(c.band);
            QString error;
            ASSERT_TRUE(m_log->saveQso(qso, &error)) << error.toStdString();
        }
    }

    // "Callsign@GMT" of every row of the query, in its order.
    static QStringList rowsOf(QSqlQuery query)
    {
        QStringList rows;
        EXPECT_TRUE(query.isActive()) << query.lastError().text().toStdString();
        const int callsign = query.record().indexOf(u"Callsign"_qs);
        const int gmt = query.record().indexOf(u"GMT"_qs);
        while (query.next())
            rows << query.value(callsign).toString() + u'@' + query.value(gmt).toString();
        return rows;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
};

TEST_F(LogView, BandFilterKeepsTheBandNewestFirst)
{
    struct Case {
        const char* band;
        QStringList rows;
    };
    const Case cases[] = {
        {"144%", {u"DL1ABC@11:30"_qs, u"DL1ABC@10:00"_qs, u"DL\\X@07:15"_qs, u"DL_X%1@07:15"_qs, u"OK1KHL@23:59"_qs}},
        {"1296%", {u"DL2XYZ@09:00"_qs}},
        {"432%", {u"DK5AB@08:00"_qs}},
        {"14200%", {u"G4ABC@12:00"_qs}},
        {"10368%", {}},
        {"",
         {u"DK5AB@08:00"_qs, u"DL1ABC@11:30"_qs, u"DL1ABC@10:00"_qs, u"DL2XYZ@09:00"_qs, u"DL\\X@07:15"_qs,
          u"O'HARA@07:15"_qs, u"DL_X%1@07:15"_qs, u"G4ABC@12:00"_qs, u"OK1KHL@23:59"_qs}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.band);
        const QString band = QLatin1String(c.band);
        EXPECT_EQ(rowsOf(m_log->logView(band)), c.rows);
        EXPECT_EQ(m_log->countLogView(band), c.rows.size());
    }
}

TEST_F(LogView, ViewIsScrollableBothWaysForAModel)
{
    QSqlQuery query = m_log->logView(QString());
    ASSERT_TRUE(query.isActive());
    EXPECT_FALSE(query.isForwardOnly());
    ASSERT_TRUE(query.seek(3));
    const QString fourth = query.value(3).toString();
    ASSERT_TRUE(query.seek(0));
    ASSERT_TRUE(query.seek(3));
    EXPECT_EQ(query.value(3).toString(), fourth);
    // Column 0 is the ID, the grid's hidden column.
    EXPECT_EQ(query.record().fieldName(0), u"ID"_qs);
}

TEST_F(LogView, SearchMatchesAPrefixLiterallyWithinTheBand)
{
    struct Case {
        const char* name;
        int choice;
        const char* text;
        const char* band;
        QStringList callsigns; // sorted
    };
    const Case cases[] = {
        {"lower case callsign, 144", SearchByCallsign, "dl", "144%", {u"DL1ABC"_qs, u"DL1ABC"_qs, u"DL\\X"_qs, u"DL_X%1"_qs}},
        {"callsign, all bands", SearchByCallsign, "DL", "",
         {u"DL1ABC"_qs, u"DL1ABC"_qs, u"DL2XYZ"_qs, u"DL\\X"_qs, u"DL_X%1"_qs}},
        {"grid prefix", SearchByGrid, "jo6", "", {u"DL1ABC"_qs, u"DL1ABC"_qs, u"DL2XYZ"_qs, u"DL_X%1"_qs}},
        {"grid prefix, 1296", SearchByGrid, "JO6", "1296%", {u"DL2XYZ"_qs}},
        {"underscore is literal", SearchByCallsign, "DL_", "", {u"DL_X%1"_qs}},
        {"percent is literal", SearchByCallsign, "DL_X%", "", {u"DL_X%1"_qs}},
        {"percent in grid", SearchByGrid, "JO6%", "", {u"DL_X%1"_qs}},
        {"underscore in grid", SearchByGrid, "IO6_", "", {u"O'HARA"_qs}},
        {"quote", SearchByCallsign, "o'h", "", {u"O'HARA"_qs}},
        {"backslash is literal", SearchByCallsign, "DL\\", "", {u"DL\\X"_qs}},
        {"no match", SearchByCallsign, "ZZ", "", {}},
        {"match outside the band", SearchByCallsign, "G4", "144%", {}},
        {"SQL text is only text", SearchByCallsign, "' OR 1=1 --", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString text = QString::fromUtf8(c.text);
        const QString band = QLatin1String(c.band);
        QStringList found;
        for (const QString& row : rowsOf(m_log->search(c.choice, text, band)))
            found << row.section(u'@', 0, 0);
        found.sort();
        EXPECT_EQ(found, c.callsigns);
        EXPECT_EQ(m_log->countSearch(c.choice, text, band), c.callsigns.size());
    }
}

TEST_F(LogView, SearchGivesTheSameOrderEachTime)
{
    const QStringList first = rowsOf(m_log->search(SearchByCallsign, u"DL"_qs, QString()));
    EXPECT_EQ(rowsOf(m_log->search(SearchByCallsign, u"DL"_qs, QString())), first);
}

// Each row says how it is confirmed, whatever the counting setting: a card in hand (Q or T, any
// case), LoTW, eQSL. The view and the search both carry it.
TEST_F(LogView, EveryRowSaysHowItIsConfirmed)
{
    const struct {
        const char* qsl;
        const char* lotw;
        const char* eqsl;
        const char* shown;
    } cases[] = {
        {"Q", nullptr, nullptr, "Card"},
        {"t", "N", "", "Card"},
        {"Y", "Y", nullptr, "LoTW"},
        {"D", "y", "Y", "LoTW eQSL"},
        {"N", nullptr, "Y", "eQSL"},
        {"T", "Y", "Y", "Card LoTW eQSL"},
        {"Y", "R", "N", ""},
        {nullptr, nullptr, nullptr, ""},
        {"q", "Y", "", "Card LoTW"},
    };
    static_assert(std::size(cases) == std::size(kContacts));
    QSqlQuery update(m_log->database());
    ASSERT_TRUE(update.prepare(u"UPDATE logtab SET QSL = ?, LotwRcvd = ?, EqslRcvd = ? WHERE ID = ?"_qs));
    QHash<qint64, QString> expected;
    for (qint64 id = 1; id <= qint64(std::size(cases)); ++id) {
        const auto& c = cases[id - 1];
        for (const char* value : {c.qsl, c.lotw, c.eqsl})
            update.addBindValue(value ? QVariant(QLatin1String(value)) : QVariant());
        update.addBindValue(id);
        ASSERT_TRUE(update.exec()) << update.lastError().text().toStdString();
        expected.insert(id, QLatin1String(c.shown));
    }
    const auto shown = [](QSqlQuery query) {
        QHash<qint64, QString> texts;
        const int column = query.record().indexOf(kConfirmedColumn);
        EXPECT_EQ(column, query.record().count() - 1);
        EXPECT_EQ(query.record().fieldName(0), u"ID"_qs);
        while (query.next())
            texts.insert(query.value(0).toLongLong(), query.value(column).toString());
        return texts;
    };
    EXPECT_EQ(shown(m_log->logView(QString())), expected);
    const QHash<qint64, QString> found = shown(m_log->search(SearchByCallsign, u"DL1"_qs, QString()));
    ASSERT_EQ(found.size(), 2);
    for (auto row = found.cbegin(); row != found.cend(); ++row)
        EXPECT_EQ(row.value(), expected.value(row.key())) << row.key();
}

TEST_F(LogView, UnknownSearchChoiceRunsNoQuery)
{
    EXPECT_FALSE(m_log->search(3, u"DL"_qs, QString()).isActive());
    EXPECT_EQ(m_log->countSearch(3, u"DL"_qs, QString()), -1);
}

TEST_F(LogView, DeleteRemovesExactlyThatRow)
{
    QSqlQuery query = m_log->logView(u"1296%"_qs);
    ASSERT_TRUE(query.next());
    const qint64 id = query.value(0).toLongLong();
    query.finish();

    ASSERT_TRUE(m_log->deleteRow(id));
    EXPECT_EQ(m_log->countLogView(QString()), qsizetype(std::size(kContacts)) - 1);
    EXPECT_EQ(m_log->countLogView(u"1296%"_qs), 0);

    QString error;
    EXPECT_FALSE(m_log->deleteRow(id, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(m_log->countLogView(QString()), qsizetype(std::size(kContacts)) - 1);
}

} // namespace
} // namespace mivra

namespace mivra {
namespace {

// The grid keeps its query open while the user saves, deletes or is refused.
TEST(LogViewWhileOpen, ChangesDoNotBreakAnOpenView)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    QSqlDatabase db = log->database();
    ASSERT_TRUE(db.transaction());
    QSqlQuery insert(db);
    ASSERT_TRUE(insert.prepare(u"INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES (?, '12:00', ?, '144')"_qs));
    for (int i = 0; i < 2000; ++i) {
        insert.addBindValue(QStringLiteral("2024-01-%1").arg(1 + i % 28, 2, 10, QLatin1Char('0')));
        insert.addBindValue(QStringLiteral("DL%1AB").arg(i));
        ASSERT_TRUE(insert.exec());
    }
    ASSERT_TRUE(db.commit());

    // One view streams from the time index, the other is sorted first.
    int expectedRows = 2000;
    for (const QString& band : {QString(), u"144%"_qs}) {
        SCOPED_TRACE(band.toStdString());
        QSqlQuery view = log->logView(band);
        ASSERT_TRUE(view.next());
        const qint64 firstId = view.value(0).toLongLong();

        mivra::Contact refused;
        refused.date = u"2024-02-01"_qs;
        EXPECT_FALSE(log->saveQso(refused));
        mivra::Contact accepted;
        accepted.date = u"2024-02-01"_qs;
        accepted.callsign = u"OK1AB"_qs;
        accepted.band = u"144"_qs;
        QString error;
        EXPECT_TRUE(log->saveQso(accepted, &error)) << error.toStdString();
        EXPECT_TRUE(log->deleteRow(firstId, &error)) << error.toStdString();
        EXPECT_TRUE(log->switchPatternsToRunningForm());
        EXPECT_TRUE(log->switchPatternsToStoredForm());

        int rows = 1;
        while (view.next())
            ++rows;
        EXPECT_FALSE(view.lastError().isValid()) << view.lastError().text().toStdString();
        EXPECT_GE(rows, expectedRows - 1);
        EXPECT_EQ(log->countLogView(band), expectedRows);
    }
}

} // namespace
} // namespace mivra

namespace mivra {
namespace {

// Busy bands are read in time order, quiet ones sorted: both come out newest first.
TEST(LogViewOfALargeLog, EveryBandComesNewestFirst)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    ASSERT_TRUE(log);
    QSqlDatabase db = log->database();
    ASSERT_TRUE(db.transaction());
    QSqlQuery insert(db);
    ASSERT_TRUE(insert.prepare(u"INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES (?, ?, 'DL1AB', ?)"_qs));
    QRandomGenerator random(7);
    const struct {
        const char* band;
        int rows;
    } bands[] = {{"144", 3000}, {"1296", 40}, {"432", 999}, {"14200", 1000}};
    for (const auto& b : bands) {
        for (int i = 0; i < b.rows; ++i) {
            insert.addBindValue(QDate(2020, 1, 1).addDays(random.bounded(1500)).toString(Qt::ISODate));
            insert.addBindValue(QTime(random.bounded(24), random.bounded(60)).toString(u"HH:mm"_qs));
            insert.addBindValue(QLatin1String(b.band));
            ASSERT_TRUE(insert.exec());
        }
    }
    ASSERT_TRUE(db.commit());

    const struct {
        const char* pattern;
        int rows;
    } cases[] = {{"", 5039}, {"144%", 3000}, {"1296%", 40}, {"432%", 999}, {"14200%", 1000}, {"50%", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        QSqlQuery view = log->logView(QLatin1String(c.pattern));
        ASSERT_TRUE(view.isActive());
        QString previous = u"9999-99-99 99:99"_qs;
        int rows = 0;
        while (view.next()) {
            const QString time = view.value(1).toString() + u' ' + view.value(2).toString();
            ASSERT_LE(time, previous) << "row " << rows;
            previous = time;
            ++rows;
        }
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(log->countLogView(QLatin1String(c.pattern)), c.rows);
    }
}

// A shared log's sync commits while the view has rows not fetched yet, and the window then writes
// on its own connection; both before and after the log is opened again.
TEST(LogViewWriteAhead, AViewLeftOpenHoldsUpNoCommit)
{
    QTemporaryDir dir;
    auto log = test::createSmallLog(dir);
    const QString path = log->path();
    test::execAll(*log, {u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600)"
                         " INSERT INTO logtab (Date, GMT, Callsign, Band) SELECT '2026-06-06', '1200', 'OK' || i,"
                         " '144' FROM n"_qs});
    ASSERT_FALSE(log->isWriteAhead());
    QString error;
    ASSERT_TRUE(log->useWriteAheadLog(&error)) << error.toStdString();
    const auto insert = [](const QString& callsign) {
        return u"INSERT INTO logtab (Date, GMT, Callsign, Band) VALUES ('2026-06-07', '1300', '%1', '432')"_qs.arg(
            callsign);
    };
    for (const bool reopened : {false, true}) {
        SCOPED_TRACE(reopened ? "opened again" : "switched");
        if (reopened) {
            log.reset();
            log = LogDatabase::open(path, dir.filePath(u"cty.csv"_qs), &error);
            ASSERT_TRUE(log) << error.toStdString();
            EXPECT_TRUE(log->isWriteAhead());
        }
        QSqlQueryModel view;
        view.setQuery(log->logView(QString()));
        ASSERT_TRUE(view.canFetchMore());

        SqliteConnection sync(path, SqliteConnection::Mode::ReadWrite);
        sync.setBusyTimeout(200);
        EXPECT_TRUE(sync.exec(insert(reopened ? u"SP2B"_qs : u"SP1A"_qs), &error)) << error.toStdString();

        QSqlDatabase window = log->database();
        ASSERT_TRUE(beginWriting(window, &error)) << error.toStdString();
        QSqlQuery own(window);
        EXPECT_TRUE(own.exec(insert(reopened ? u"DL2B"_qs : u"DL1A"_qs))) << own.lastError().text().toStdString();
        EXPECT_TRUE(window.commit()) << window.lastError().text().toStdString();
    }
    EXPECT_EQ(test::column0(*log, u"SELECT count(*) FROM logtab"_qs), QStringList{u"604"_qs});
}

} // namespace
} // namespace mivra
