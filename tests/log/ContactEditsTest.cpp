#include "ContactEdits.h"
#include "LogTestSupport.h"
#include "UndoStack.h"

#include <QSqlRecord>

namespace mivra {
namespace {

class ContactEditsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_log = test::createSmallLog(m_dir);
        ASSERT_TRUE(m_log);
        fill();
        m_log->readStoredPatternsAsRunning();
        m_edits = std::make_unique<ContactEdits>(m_log->database());
    }

    // The two rows of every test, and no other.
    void fill()
    {
        test::execAll(*m_log, {u"DELETE FROM logtab"_qs,
                               u"INSERT INTO logtab (ID, Date, GMT, Callsign, Grid, DXCC, QSL, Band, QRB, QTF, "
                               "GEdata, GEpoly, GEgridXY) VALUES (7, '2026-03-14', '18:30', 'OK1ABC', 'JO70', "
                               "'Czech Republic', 'Y', '144', 254.5, 160.25, '14.0,50.0', 'poly', '14,50')"_qs,
                               u"INSERT INTO logtab (ID, Date, Callsign, QSL, Band) VALUES (8, '2026-03-15', "
                               "'DL1ABC', 'y', '144')"_qs});
    }

    std::function<DxccResult(const QString&)> lookup()
    {
        return [this](const QString& callsign) { return m_log->findDxcc(callsign); };
    }

    QStringList dump()
    {
        return test::column0(*m_log, u"SELECT quote(ID) || '|' || quote(Date) || '|' || quote(GMT) || '|' || "
                                     "quote(Callsign) || '|' || quote(Grid) || '|' || quote(DXCC) || '|' || "
                                     "quote(QSL) || '|' || quote(QRB) || '|' || quote(QTF) || '|' || "
                                     "quote(GEdata) || '|' || quote(GEpoly) FROM logtab ORDER BY ID"_qs);
    }

    std::vector<RowSnapshot> rows(const QList<qint64>& ids)
    {
        std::vector<RowSnapshot> read;
        for (qint64 id : ids) {
            QString error;
            auto row = m_edits->readRow(id, &error);
            EXPECT_TRUE(row) << error.toStdString();
            if (row)
                read.push_back(*row);
        }
        return read;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
    std::unique_ptr<ContactEdits> m_edits;
};

TEST_F(ContactEditsTest, CellEditsAreCheckedAndBringWhatFollowsFromThem)
{
    struct Case {
        const char* column;
        const char* text;
        const char* refusalStart; // nullptr: accepted
        QStringList written;      // column=value of what is written, in order
    };
    // A card in hand gets the day it was marked.
    const QString marked = u"QslRdate="_qs + QDate::currentDate().toString(Qt::ISODate);
    const Case cases[] = {
        {"QSL", "q", nullptr, {u"QSL=Q"_qs, marked}},
        {"QSL", "T", nullptr, {u"QSL=T"_qs, marked}},
        {"QSL", "y", nullptr, {"QSL=Y"}},
        {"Band", "2m", nullptr, {"Band=144", "Freq=<null>"}},
        {"Band", "144.300", nullptr, {"Band=144.300", "Freq=144.3"}},
        {"Date", "2026-13-45", "Date:", {}},
        {"GMT", "25:99", "GMT:", {}},
        {"Band", "11m", "Band:", {}},
        {"Callsign", "dl2xyz", nullptr, {"Callsign=DL2XYZ", "DXCC=DL Fed. Rep. of Germany"}},
        {"Callsign", "ZZ9ZZ", "Callsign not allowed", {}},
        {"Grid", "JS62", "Grid:", {}},
        {"Grid",
         " ",
         nullptr,
         {"Grid=", "QRB=<null>", "QTF=<null>", "GEdata=<null>", "GEpoly=<null>", "GEgridXY=<null>"}},
        {"QSLman", "dl9qsl", nullptr, {"QSLman=dl9qsl"}},
        {"QRB", "12", "QRB is not edited", {}},
        {"ID", "3", "ID is not edited", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " " + c.text);
        QString reason;
        const auto values = cellEditValues(QString::fromLatin1(c.column), QString::fromLatin1(c.text), u"JO62QM"_qs,
                                           lookup(), &reason);
        if (c.refusalStart) {
            EXPECT_FALSE(values);
            EXPECT_TRUE(reason.startsWith(QString::fromLatin1(c.refusalStart))) << reason.toStdString();
            continue;
        }
        ASSERT_TRUE(values) << reason.toStdString();
        QStringList written;
        for (const auto& [column, value] : *values)
            written << column + u'=' + (value.isNull() ? u"<null>"_qs : value.toString());
        EXPECT_EQ(written, c.written);
    }
}

TEST_F(ContactEditsTest, LocatorEditReckonsDistanceAsTheEntryRowAndEmptiesTheMapTexts)
{
    QString reason;
    const auto values = cellEditValues(u"Grid"_qs, u"jo31"_qs, u"JO62QM"_qs, lookup(), &reason);
    ASSERT_TRUE(values);
    QString error;
    ASSERT_TRUE(m_edits->updateRow(7, *values, &error)) << error.toStdString();
    const QStringList rows = dump();
    // 451 km on 257 degrees, centre to centre, as the entry row stores JO31 from JO62QM.
    EXPECT_TRUE(rows[0].startsWith(u"7|'2026-03-14'|'18:30'|'OK1ABC'|'JO31'|'Czech Republic'|'Y'|451."_qs))
        << rows[0].toStdString();
    EXPECT_TRUE(rows[0].contains(u"|257."_qs)) << rows[0].toStdString();
    EXPECT_TRUE(rows[0].endsWith(u"|NULL|NULL"_qs)) << rows[0].toStdString();

    const auto withoutOwn = cellEditValues(u"Grid"_qs, u"JO31"_qs, QString(), lookup(), &reason);
    ASSERT_TRUE(withoutOwn);
    ASSERT_TRUE(m_edits->updateRow(7, *withoutOwn, &error));
    EXPECT_TRUE(dump()[0].contains(u"'JO31'|'Czech Republic'|'Y'|NULL|NULL"_qs)) << dump()[0].toStdString();
}

TEST_F(ContactEditsTest, UpdateTouchesOneRowByItsIdAndRefusesUnknownColumns)
{
    const QStringList before = dump();
    QString error;
    EXPECT_FALSE(m_edits->updateRow(99, {{u"QSL"_qs, u"Q"_qs}}, &error));
    EXPECT_FALSE(m_edits->updateRow(7, {{u"Nonsense"_qs, u"x"_qs}}, &error));
    EXPECT_FALSE(m_edits->updateRow(7, {{u"ID"_qs, 9}}, &error));
    EXPECT_EQ(dump(), before);
    ASSERT_TRUE(m_edits->updateRow(8, {{u"qsl"_qs, u"Q"_qs}}, &error));
    EXPECT_EQ(test::column0(*m_log, u"SELECT QSL FROM logtab ORDER BY ID"_qs), (QStringList{"Y", "Q"}));
}

TEST_F(ContactEditsTest, QslStatesOfManyRowsAreAllOrNothingAndUndoIsExact)
{
    const QStringList before = dump();
    const std::vector<RowSnapshot> snapshots = rows({7, 8});
    QString error;
    EXPECT_FALSE(m_edits->setQslStates({7, 99}, u"Q"_qs, &error)) << "one missing row changes none";
    EXPECT_EQ(dump(), before);
    ASSERT_TRUE(m_edits->setQslStates({7, 8}, u"Q"_qs, &error)) << error.toStdString();
    EXPECT_EQ(test::column0(*m_log, u"SELECT QSL FROM logtab ORDER BY ID"_qs), (QStringList{"Q", "Q"}));

    ASSERT_TRUE(m_edits->undoChange(snapshots, rows({7, 8}), &error)) << error.toStdString();
    EXPECT_EQ(dump(), before);
    EXPECT_EQ(test::column0(*m_log, u"SELECT typeof(QRB) || typeof(GMT) FROM logtab ORDER BY ID"_qs),
              (QStringList{"realtext", "nullnull"}));
}

// An undo never replaces a row it did not delete or change, and says why: all of it or nothing.
TEST_F(ContactEditsTest, UndoRestoresOnlyWhatNothingElseChangedSince)
{
    struct Case {
        const char* name;
        QList<qint64> changed; // empty: the rows are deleted
        const char* since;     // what happens before the undo
        const char* refusal;   // nullptr: undone
    };
    const Case cases[] = {
        {"delete, ID still free", {}, nullptr, nullptr},
        {"delete, ID taken by a new contact",
         {},
         "INSERT INTO logtab (ID, Date, Callsign, QSL, Band) VALUES (8, '2026-04-01', 'SP9NEW', 'N', '432')",
         "its place (ID 8) was taken since by the contact with SP9NEW"},
        {"QSL state, other column changed since", {7, 8}, "UPDATE logtab SET Grid = 'JO71' WHERE ID = 7", nullptr},
        {"QSL state, changed again since",
         {7, 8},
         "UPDATE logtab SET QSL = 'N' WHERE ID = 8",
         "QSL of the contact with DL1ABC was changed since"},
        {"QSL state, row deleted since", {7, 8}, "DELETE FROM logtab WHERE ID = 8", "The contact 8 is no longer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fill();
        const std::vector<RowSnapshot> before = rows({7, 8});
        QString error;
        std::vector<RowSnapshot> after;
        if (c.changed.isEmpty()) {
            ASSERT_TRUE(m_log->deleteRow(7, &error) && m_log->deleteRow(8, &error)) << error.toStdString();
        } else {
            ASSERT_TRUE(m_edits->setQslStates(c.changed, u"Q"_qs, &error)) << error.toStdString();
            after = rows(c.changed);
        }
        if (c.since)
            test::execAll(*m_log, {QString::fromLatin1(c.since)});
        const QStringList beforeUndo = dump();
        const bool undone = m_edits->undoChange(before, after, &error);
        if (c.refusal) {
            EXPECT_FALSE(undone);
            EXPECT_TRUE(error.contains(QLatin1String(c.refusal))) << error.toStdString();
            EXPECT_TRUE(error.contains(u"nothing was changed"_qs, Qt::CaseInsensitive)) << error.toStdString();
            EXPECT_EQ(dump(), beforeUndo) << "a refused undo changes no row";
            continue;
        }
        ASSERT_TRUE(undone) << error.toStdString();
        EXPECT_EQ(test::column0(*m_log, u"SELECT ID || ' ' || Callsign || ' ' || QSL || ' ' || ifnull(Grid, '') "
                                        "FROM logtab ORDER BY ID"_qs),
                  c.since ? (QStringList{"7 OK1ABC Y JO71", "8 DL1ABC y "})
                          : (QStringList{"7 OK1ABC Y JO70", "8 DL1ABC y "}));
    }
}

TEST(UndoStack, KeepsTheNewestStepsUpToItsDepth)
{
    UndoStack stack(20);
    EXPECT_FALSE(stack.pop());
    for (int i = 1; i <= 25; ++i)
        stack.push({QString::number(i), {RowSnapshot{i, {u"ID"_qs}, {i}, {}}}, {}});
    EXPECT_EQ(stack.size(), 20);
    EXPECT_EQ(stack.top()->description, u"25"_qs);
    for (int i = 25; i >= 6; --i) {
        const auto step = stack.pop();
        ASSERT_TRUE(step);
        EXPECT_EQ(step->rows.at(0).id, i);
    }
    EXPECT_TRUE(stack.isEmpty());
}

} // namespace
} // namespace mivra
