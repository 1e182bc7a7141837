#include "AppTestSupport.h"

#include "EntryRow.h"
#include "LogGrid.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>

namespace mivra::test {
namespace {

class EntryTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
        openWindow();
    }

    QWidget* focused() const { return QApplication::focusWidget(); }
    void type(const char* name, const QString& text)
    {
        QTest::keyClicks(entryField(name), text);
    }
    void enter(QWidget* widget)
    {
        QTest::keyClick(widget, Qt::Key_Return);
        settle();
    }
    void pressNew()
    {
        m_window->entryRow()->newButton()->setFocus();
        QTest::keyClick(m_window->entryRow()->newButton(), Qt::Key_Space);
        settle();
    }
    // Press and release back to back, with no event processing between them, as a tap does.
    void tap(QWidget* widget)
    {
        QTest::mouseClick(widget, Qt::LeftButton);
        settle();
    }
    QString entityOf(const char* callsign) const { return m_log->findDxcc(QString::fromLatin1(callsign)).entity; }
    int logRows()
    {
        QSqlQuery query(m_log->database());
        return query.exec(QStringLiteral("SELECT COUNT(*) FROM logtab")) && query.next() ? query.value(0).toInt() : -1;
    }
};

TEST_F(EntryTest, KeyboardOnlyContactIsStoredColumnByColumn)
{
    const int captionBefore = m_window->grid()->caption().toInt();
    pressNew();
    EXPECT_EQ(focused(), entryField("Ca"));
    type("Ca", QStringLiteral("dl1abc"));
    enter(entryField("Ca"));
    EXPECT_EQ(focused(), entryField("Gr"));
    const QString germany = m_log->findDxcc(QStringLiteral("DL1ABC")).entity;
    EXPECT_TRUE(germany.contains(QStringLiteral("Germany"))) << germany.toStdString();
    EXPECT_EQ(m_window->entryRow()->entityLabel()->text(), germany);

    type("Gr", QStringLiteral("jo31"));
    enter(entryField("Gr"));
    EXPECT_EQ(focused(), entryField("Rss"));
    EXPECT_EQ(entryField("Gr")->text(), QStringLiteral("JO31"));
    for (const char* name : {"Rss", "Rr", "Ba", "mo"})
        enter(entryField(name));
    EXPECT_EQ(focused(), entryField("Na"));
    type("Na", QStringLiteral("Hans"));
    enter(entryField("Na"));
    type("Co", QStringLiteral("tnx fer QSO"));
    enter(entryField("Co"));
    enter(entryField("Qs"));
    enter(entryField("Pr"));
    EXPECT_EQ(focused(), m_window->entryRow()->saveButton());
    enter(m_window->entryRow()->saveButton());

    EXPECT_TRUE(m_messages.informed.isEmpty()) << m_messages.informed.join('|').toStdString();
    QSqlQuery query(m_log->database());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment, "
                                          "QSL, Prop, DXCC, QRB, QTF FROM logtab")));
    ASSERT_TRUE(query.next());
    const QStringList expected{"2026-12-07", "21:05", "DL1ABC", "JO31", "59", "59", "144", "SSB",
                               "Hans",       "tnx fer QSO", "Y", "Tr", germany, "451", "257"};
    for (int column = 0; column < expected.size(); ++column)
        EXPECT_EQ(query.value(column).toString(), expected[column]) << query.record().fieldName(column).toStdString();
    EXPECT_FALSE(query.next());

    EXPECT_EQ(m_window->grid()->caption().toInt(), captionBefore + 1);
    for (const char* name : {"Da", "GM", "Ca", "Gr", "Rss", "Rr", "Ba", "mo", "Na", "Co", "Qs", "Pr"})
        EXPECT_TRUE(entryField(name)->text().isEmpty()) << name;
    EXPECT_EQ(m_window->entryRow()->entityLabel()->text(), germany);
}

const QString kFiveCharacters
    = QStringLiteral("Locator input incorrect: JO62Q, it has 5 characters; a locator has 4, 6, 8 or 10.");
const QString kSecondCharacter
    = QStringLiteral("Locator input incorrect: JS62, the 2nd character \"S\" must be a letter A-R.");

TEST_F(EntryTest, LocatorChecksOnLeaving)
{
    // A refused locator keeps its text, and the message names what is wrong with it.
    const struct { QString typed; QString kept; QString message; } cases[] = {
        {"jo62qm", "JO62QM", ""},
        {"JO62QM12AB", "JO62QM12AB", ""},
        {"JO62", "JO62", ""},
        {"JO62Q", "JO62Q", kFiveCharacters},
        {"JS62", "JS62", kSecondCharacter},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        m_messages.informed.clear();
        entryField("Ca")->setText(QStringLiteral("DL1ABC"));
        entryField("Gr")->setFocus();
        settle();
        entryField("Gr")->setText(c.typed);
        enter(entryField("Gr"));
        settle();
        EXPECT_EQ(entryField("Gr")->text(), c.kept) << c.typed.toStdString();
        EXPECT_EQ(m_messages.informed, c.message.isEmpty() ? QStringList{} : QStringList{c.message})
            << c.typed.toStdString();
        if (!c.message.isEmpty()) {
            EXPECT_EQ(focused(), entryField("Gr")) << c.typed.toStdString();
            EXPECT_EQ(entryField("Gr")->selectedText(), c.kept) << c.typed.toStdString();
        }
    }
}

TEST_F(EntryTest, InvalidLocatorSendsTheFocusThroughTheCallsignOnce)
{
    entryField("Ca")->setFocus();
    type("Ca", QStringLiteral("OK1ABC"));
    enter(entryField("Ca"));
    type("Gr", QStringLiteral("JO62Q"));
    enter(entryField("Gr"));
    for (int i = 0; i < 20; ++i)
        settle();
    // One message, the callsign kept, and the refused locator kept in the field for mending.
    EXPECT_EQ(m_messages.informed, QStringList{kFiveCharacters});
    EXPECT_EQ(entryField("Ca")->text(), QStringLiteral("OK1ABC"));
    EXPECT_EQ(entryField("Gr")->text(), QStringLiteral("JO62Q"));
    EXPECT_EQ(focused(), entryField("Gr"));
}

TEST_F(EntryTest, EmptyCallsignCannotBeLeftAndUnknownCallsignIsRefused)
{
    entryField("Ca")->setFocus();
    type("Ca", QStringLiteral("DL1ABC"));
    enter(entryField("Ca"));
    const QString germany = m_window->entryRow()->entityLabel()->text();
    ASSERT_FALSE(germany.isEmpty());

    entryField("Gr")->setText(QStringLiteral("JO62"));
    entryField("Ca")->setFocus();
    settle();
    ASSERT_EQ(focused(), entryField("Ca"));
    entryField("Ca")->clear();
    enter(entryField("Ca"));
    EXPECT_EQ(focused(), entryField("Ca"));
    EXPECT_TRUE(m_messages.informed.isEmpty());

    type("Ca", QStringLiteral("Q1ABC"));
    enter(entryField("Ca"));
    EXPECT_EQ(m_messages.informed, QStringList{"Callsign not allowed"});
    EXPECT_TRUE(entryField("Ca")->text().isEmpty());
    EXPECT_EQ(focused(), entryField("Ca"));
    EXPECT_EQ(m_window->entryRow()->entityLabel()->text(), germany);

    // The window can still be closed with the callsign empty.
    m_window->close();
    EXPECT_FALSE(m_window->isVisible());
}

TEST_F(EntryTest, CallsignWithAQuoteIsLookedUpLikeAnyOther)
{
    entryField("Ca")->setFocus();
    type("Ca", QStringLiteral("DL1'X"));
    enter(entryField("Ca"));
    EXPECT_TRUE(m_messages.informed.isEmpty());
    EXPECT_EQ(focused(), entryField("Gr"));
    EXPECT_TRUE(m_window->entryRow()->entityLabel()->text().contains(QStringLiteral("Germany")));
}

TEST_F(EntryTest, OwnLocatorCheck)
{
    const struct { QString typed; QString kept; bool message; } cases[] = {
        {"JO62", "JO62", false}, {"JO6", "", true}, {"", "", false}, {"JO62QM", "JO62QM", false}};
    for (const auto& c : cases) {
        m_messages.informed.clear();
        entryField("MyGrid")->setFocus();
        settle();
        entryField("MyGrid")->setText(c.typed);
        entryField("Na")->setFocus();
        settle();
        EXPECT_EQ(entryField("MyGrid")->text(), c.kept) << c.typed.toStdString();
        EXPECT_EQ(focused(), c.message ? entryField("MyGrid") : entryField("Na")) << c.typed.toStdString();
        EXPECT_EQ(m_messages.informed.size(), c.message ? 1 : 0);
    }
}

TEST_F(EntryTest, NewFillsTheBandOfTheSelectedButtonAndRefusesAll)
{
    entryField("Ca")->setText(QStringLiteral("OK1ABC"));
    entryField("Na")->setText(QStringLiteral("Jan"));
    QTest::mouseClick(m_window->bandButton(12), Qt::LeftButton);
    pressNew();
    EXPECT_EQ(entryField("Ba")->text(), QStringLiteral("1296"));
    EXPECT_EQ(entryField("Da")->text(), QStringLiteral("2026-12-07"));
    EXPECT_EQ(entryField("GM")->text(), QStringLiteral("21:05"));
    for (const auto& [name, value] : {std::pair{"Rss", "59"}, {"Rr", "59"}, {"mo", "SSB"}, {"Qs", "Y"}, {"Pr", "Tr"}})
        EXPECT_EQ(entryField(name)->text(), QString::fromLatin1(value)) << name;

    QTest::mouseClick(m_window->bandButton(21), Qt::LeftButton);
    entryField("Co")->setText(QStringLiteral("kept"));
    pressNew();
    EXPECT_EQ(m_messages.informed, QStringList{"Please select Band"});
    for (const char* name : {"GM", "Da", "Rss", "Rr", "mo", "Qs", "Pr"})
        EXPECT_TRUE(entryField(name)->text().isEmpty()) << name;
    EXPECT_EQ(entryField("Ca")->text(), QStringLiteral("OK1ABC"));
    EXPECT_EQ(entryField("Ba")->text(), QStringLiteral("1296"));
    EXPECT_EQ(entryField("Na")->text(), QStringLiteral("Jan"));
    EXPECT_EQ(entryField("Co")->text(), QStringLiteral("kept"));
}

TEST_F(EntryTest, SaveChecksEveryFieldAndStoresNothingRefused)
{
    struct Case {
        const char* field;
        const char* typed;
        const char* stored; // nullptr: refused with a message naming the column
        const char* column;
    };
    const Case cases[] = {
        {"Da", "2026-13-45", nullptr, "Date"}, {"Da", "07.12.2026", "2026-12-07", "Date"},
        {"GM", "25:99", nullptr, "GMT"},       {"GM", "2105", "21:05", "GMT"},
        {"Ba", "11m", nullptr, "Band"},        {"Ba", "2m", "144", "Band"},
        {"Ba", "144.300", "144.300", "Band"},  {"Qs", "x", nullptr, "QSL"},
        {"Qs", "y", "Y", "QSL"},               {"Gr", "JO6", nullptr, "Grid"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed);
        m_messages.informed.clear();
        const int before = logRows();
        pressNew();
        type("Ca", QStringLiteral("OK1ABC"));
        entryField(c.field)->setText(QString::fromLatin1(c.typed));
        entryField("Na")->setFocus();
        settle();
        m_messages.informed.clear();
        tap(m_window->entryRow()->saveButton());
        if (!c.stored) {
            EXPECT_EQ(logRows(), before);
            ASSERT_EQ(m_messages.informed.size(), 1);
            EXPECT_TRUE(m_messages.informed[0].startsWith(QString::fromLatin1(c.column) + u':')
                        || QString::fromLatin1(c.column) == QStringLiteral("Grid"))
                << m_messages.informed[0].toStdString();
            if (QString::fromLatin1(c.column) != QStringLiteral("Grid")) {
                EXPECT_EQ(focused(), entryField(c.field));
                EXPECT_EQ(entryField(c.field)->text(), QString::fromLatin1(c.typed));
            }
            EXPECT_EQ(entryField("Na")->text(), QString()) << "the other fields are kept";
            EXPECT_EQ(entryField("Ca")->text(), QStringLiteral("OK1ABC"));
            continue;
        }
        EXPECT_TRUE(m_messages.informed.isEmpty()) << m_messages.informed.join('|').toStdString();
        ASSERT_EQ(logRows(), before + 1);
        QSqlQuery query(m_log->database());
        ASSERT_TRUE(query.exec(QStringLiteral("SELECT %1 FROM logtab ORDER BY ID DESC LIMIT 1").arg(c.column)));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toString(), QString::fromLatin1(c.stored));
        EXPECT_EQ(focused(), m_window->entryRow()->newButton()) << "Enter starts the next contact";
    }
}

TEST_F(EntryTest, SaveWithNothingTypedSaysSoAndStoresNothing)
{
    const int before = logRows();
    tap(m_window->entryRow()->saveButton());
    EXPECT_EQ(logRows(), before);
    ASSERT_EQ(m_messages.informed.size(), 1);
    EXPECT_TRUE(m_messages.informed[0].startsWith(QStringLiteral("Nothing to save"))) << m_messages.informed[0].toStdString();
    EXPECT_EQ(focused(), m_window->entryRow()->newButton());
}

TEST_F(EntryTest, ASaveTheLogRefusesSaysWhyAndKeepsTheFields)
{
    QSqlQuery query(m_log->database());
    ASSERT_TRUE(query.exec(QStringLiteral("CREATE TRIGGER refuse_insert BEFORE INSERT ON logtab"
                                          " BEGIN SELECT RAISE(ABORT, 'insert refused by the log'); END")));
    const int before = logRows();
    pressNew();
    type("Ca", QStringLiteral("OK1AB"));
    enter(entryField("Ca"));
    tap(m_window->entryRow()->saveButton());
    EXPECT_EQ(logRows(), before);
    ASSERT_FALSE(m_messages.informed.isEmpty());
    EXPECT_TRUE(m_messages.informed.last().startsWith(QStringLiteral("No new Recorset available")));
    EXPECT_TRUE(m_messages.informed.last().contains(QStringLiteral("insert refused by the log")))
        << m_messages.informed.last().toStdString();
    EXPECT_EQ(entryField("Ca")->text(), QStringLiteral("OK1AB"));
}

TEST_F(EntryTest, NewSelectsTheKeptCallsignAndEscEmptiesTheContact)
{
    entryField("Ca")->setText(QStringLiteral("SP"));
    pressNew();
    EXPECT_EQ(focused(), entryField("Ca"));
    type("Ca", QStringLiteral("sp9abc"));
    EXPECT_EQ(entryField("Ca")->text(), QStringLiteral("SP9ABC"));

    type("Na", QStringLiteral("Jan"));
    QTest::keyClick(entryField("Na"), Qt::Key_Escape);
    settle();
    for (const char* name : {"Da", "GM", "Ca", "Gr", "Rss", "Rr", "Ba", "mo", "Na", "Co", "Qs", "Pr"})
        EXPECT_TRUE(entryField(name)->text().isEmpty()) << name;
    EXPECT_EQ(focused(), m_window->entryRow()->newButton());
}

TEST_F(EntryTest, ContactWithoutLocatorStoresNoDistance)
{
    // A first contact leaves a distance behind.
    pressNew();
    type("Ca", QStringLiteral("OK1ABC"));
    enter(entryField("Ca"));
    type("Gr", QStringLiteral("JO60"));
    enter(entryField("Gr"));
    QTest::mouseClick(m_window->entryRow()->saveButton(), Qt::LeftButton);
    settle();
    QSqlQuery first(QStringLiteral("SELECT QRB FROM logtab"), m_log->database());
    ASSERT_TRUE(first.next());
    ASSERT_GT(first.value(0).toDouble(), 0.0);

    pressNew();
    type("Ca", QStringLiteral("OK1XYZ"));
    enter(entryField("Ca"));
    enter(entryField("Gr"));
    QTest::mouseClick(m_window->entryRow()->saveButton(), Qt::LeftButton);
    settle();

    QSqlQuery query(m_log->database());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT Callsign, QRB IS NULL, QTF IS NULL FROM logtab ORDER BY ID")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(1).toInt(), 0);
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), QStringLiteral("OK1XYZ"));
    EXPECT_EQ(query.value(1).toInt(), 1);
    EXPECT_EQ(query.value(2).toInt(), 1);
}

TEST_F(EntryTest, TapOnSaveRunsTheChecksOfTheFieldItLeaves)
{
    struct Case {
        const char* name;
        const char* callsign;
        const char* locator;   // typed into Gr, which then has the focus; null: the focus stays in Ca
        const char* message;   // expected message, or null
        const char* storedWith; // callsign whose entity is stored, or null when nothing is stored
    };
    const Case cases[] = {
        {"invalid locator", "DL7ABC", "js62",
         "Locator input incorrect: JS62, the 2nd character \"S\" must be a letter A-R.", nullptr},
        {"callsign of another entity", "G3XYZ", nullptr, nullptr, "G3XYZ"},
        {"callsign without entity", "Q1ZZZ", nullptr, "Callsign not allowed", nullptr},
        {"valid locator", "OK1ABC", "jo60", nullptr, "OK1ABC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A refused locator of the case before stays in its field until mended: the operator empties it.
        entryField("Gr")->clear();
        // A contact before it leaves its entity in `cou`.
        pressNew();
        type("Ca", QStringLiteral("DL1ABC"));
        enter(entryField("Ca"));
        enter(entryField("Gr"));
        tap(m_window->entryRow()->saveButton());
        ASSERT_TRUE(m_messages.informed.isEmpty()) << m_messages.informed.join(u'|').toStdString();
        const int before = logRows();

        pressNew();
        type("Ca", QString::fromLatin1(c.callsign));
        if (c.locator) {
            enter(entryField("Ca"));
            ASSERT_EQ(focused(), entryField("Gr"));
            type("Gr", QString::fromLatin1(c.locator));
        }
        tap(m_window->entryRow()->saveButton());

        EXPECT_EQ(m_messages.informed, c.message ? QStringList{QString::fromLatin1(c.message)} : QStringList{});
        m_messages.informed.clear();
        if (!c.storedWith) {
            EXPECT_EQ(logRows(), before);
            continue;
        }
        EXPECT_EQ(logRows(), before + 1);
        QSqlQuery query(m_log->database());
        ASSERT_TRUE(query.exec(QStringLiteral("SELECT Callsign, DXCC, Grid FROM logtab ORDER BY ID DESC LIMIT 1")));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toString(), QString::fromLatin1(c.storedWith));
        EXPECT_EQ(query.value(1).toString(), entityOf(c.storedWith));
        EXPECT_NE(query.value(1).toString(), entityOf("DL1ABC"));
        EXPECT_EQ(query.value(2).toString(), QString::fromLatin1(c.locator).toUpper());
    }
}

TEST_F(EntryTest, TapOnNewFromAnEmptyLocatorLeavesTheFocusInTheCallsign)
{
    // New keeps the callsign; its check would pass and hand the focus on.
    entryField("Ca")->setText(QStringLiteral("OK1ABC"));
    entryField("Gr")->setFocus();
    settle();
    ASSERT_EQ(focused(), entryField("Gr"));
    tap(m_window->entryRow()->newButton());
    for (int i = 0; i < 5; ++i)
        settle();
    EXPECT_EQ(focused(), entryField("Ca"));
}

TEST_F(EntryTest, ClickBackIntoTheCallsignFromAnEmptyLocatorStaysThere)
{
    // A wrong callsign seen after its entity showed: the click back into it keeps the focus there.
    for (const char* locator : {"", "JS62"}) {
        SCOPED_TRACE(locator);
        m_messages.informed.clear();
        pressNew();
        type("Ca", QStringLiteral("DL1ABX"));
        enter(entryField("Ca"));
        ASSERT_EQ(focused(), entryField("Gr"));
        type("Gr", QString::fromLatin1(locator));
        tap(entryField("Ca"));
        for (int i = 0; i < 5; ++i)
            settle();
        // A refused locator takes the focus back, its text kept for mending.
        EXPECT_EQ(focused(), *locator ? entryField("Gr") : entryField("Ca"));
        EXPECT_EQ(m_messages.informed, *locator ? QStringList{kSecondCharacter} : QStringList{});
    }
}

TEST_F(EntryTest, DistanceIsStoredOnlyForTheLocatorsNowInTheFields)
{
    struct Case {
        const char* name;
        const char* ownLocator; // typed into MyGrid before the second contact
        bool distance;
    };
    const Case cases[] = {
        {"own locator unchanged", "JO62QM", true},
        {"own locator emptied", "", false},
        {"own locator changed", "JO50", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        entryField("MyGrid")->setText(QStringLiteral("JO62QM"));
        for (const char* own : {"JO62QM", c.ownLocator}) {
            entryField("MyGrid")->setFocus();
            settle();
            entryField("MyGrid")->setText(QString::fromLatin1(own));
            pressNew();
            type("Ca", QStringLiteral("OK1ABC"));
            enter(entryField("Ca"));
            type("Gr", QStringLiteral("JO31"));
            enter(entryField("Gr"));
            tap(m_window->entryRow()->saveButton());
        }
        ASSERT_TRUE(m_messages.informed.isEmpty()) << m_messages.informed.join('|').toStdString();
        QSqlQuery query(m_log->database());
        ASSERT_TRUE(query.exec(QStringLiteral("SELECT QRB, QTF FROM logtab ORDER BY ID DESC LIMIT 2")));
        ASSERT_TRUE(query.next());
        const QVariant qrb = query.value(0);
        const QVariant qtf = query.value(1);
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toInt(), 451); // the first contact, from JO62QM, centre to centre
        EXPECT_EQ(!qrb.isNull(), c.distance);
        EXPECT_EQ(!qtf.isNull(), c.distance);
        if (c.distance && QString::fromLatin1(c.ownLocator) != QStringLiteral("JO62QM")) {
            EXPECT_NE(qrb.toInt(), 451);
        }
    }
}

} // namespace
} // namespace mivra::test
