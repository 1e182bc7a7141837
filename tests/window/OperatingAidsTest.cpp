#include "AppTestSupport.h"

#include "EntryRow.h"
#include "LogGrid.h"
#include "OperatingAids.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

namespace mivra::test {
namespace {

class OperatingAidsTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
        m_log->switchPatternsToRunningForm(); // as the start does, so the prefixes match
        m_germany = m_log->findDxcc(QStringLiteral("DL1ABC")).entity;
        m_czechia = m_log->findDxcc(QStringLiteral("OK1ABC")).entity;
        ASSERT_FALSE(m_germany.isEmpty());
        ASSERT_FALSE(m_czechia.isEmpty());
    }

    // A contact with its entity, straight into the log.
    void addContact(const char* date, const char* call, const char* grid, const char* band, const QString& entity)
    {
        Contact qso;
        qso.date = QString::fromLatin1(date);
        qso.callsign = QString::fromLatin1(call);
        qso.locator = QString::fromLatin1(grid);
        qso.band = QString::fromLatin1(band);
        qso.dxcc = entity;
        ASSERT_TRUE(m_log->saveQso(qso));
    }

    OperatingAids& aids() const { return *m_window->operatingAids(); }
    void save()
    {
        QTest::mouseClick(m_window->entryRow()->saveButton(), Qt::LeftButton);
        settle();
    }

    QString m_germany;
    QString m_czechia;
};

TEST_F(OperatingAidsTest, DistanceAndHeadingShowBeforeSaveAndGoWhenTheyGoStale)
{
    openWindow();
    const struct { const char* what; std::function<void()> act; } emptiers[] = {
        {"locator changed", [this] { entryField("Gr")->setText(QStringLiteral("JO3")); }},
        {"own locator changed", [this] { entryField("MyGrid")->setText(QStringLiteral("JO62")); }},
        {"New", [this] { pressNew(); }},
        {"Save", [this] { save(); }},
    };
    for (const auto& e : emptiers) {
        pressNew();
        entryField("Ca")->clear();
        entryField("Gr")->clear();
        entryField("MyGrid")->setText(QStringLiteral("JO62QM"));
        enterText("Ca", "dl1abc");
        enterText("Gr", "jo31");
        EXPECT_EQ(aids().distanceHeading()->text(), QStringLiteral("451 km  257°")) << e.what;
        e.act();
        EXPECT_TRUE(aids().distanceHeading()->text().isEmpty()) << e.what;
    }
    // The figures shown are the ones stored.
    QSqlQuery query(m_log->database());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT QRB, QTF FROM logtab")) && query.next());
    EXPECT_EQ(query.value(0).toInt(), 451);
    EXPECT_EQ(query.value(1).toInt(), 257);
}

TEST_F(OperatingAidsTest, WorkedBeforeCountsTheSelectedBandAndAllBands)
{
    addContact("2025-06-12", "DL1ABC", "JO31", "144", m_germany);
    addContact("2024-01-02", "dl1abc", "JO40", "144", m_germany);
    addContact("2023-05-06", "DL1ABC", "JO31", "432", m_germany);
    openWindow();
    pressNew();
    enterText("Ca", "dl1abc");
    EXPECT_EQ(aids().workedBefore()->text(), QStringLiteral("wkd 2 on 144, 3 all, last 2025-06-12"));
    QTest::mouseClick(m_window->bandButton(11), Qt::LeftButton);
    EXPECT_EQ(aids().workedBefore()->text(), QStringLiteral("wkd 1 on 432, 3 all, last 2025-06-12"));
    QTest::mouseClick(m_window->bandButton(21), Qt::LeftButton);
    EXPECT_EQ(aids().workedBefore()->text(), QStringLiteral("wkd 3 all, last 2025-06-12"));
    QTest::mouseClick(m_window->bandButton(10), Qt::LeftButton);

    entryField("Ca")->clear();
    EXPECT_TRUE(aids().workedBefore()->text().isEmpty());
    enterText("Ca", "DL1XYZ");
    EXPECT_TRUE(aids().workedBefore()->text().isEmpty());

    entryField("Ca")->clear();
    enterText("Ca", "DL1ABC");
    enterText("Gr", "JO31");
    save();
    EXPECT_TRUE(aids().workedBefore()->text().isEmpty());
    pressNew();
    enterText("Ca", "DL1ABC");
    EXPECT_EQ(aids().workedBefore()->text(), QStringLiteral("wkd 3 on 144, 4 all, last 2026-12-07"));
}

TEST_F(OperatingAidsTest, NewSquareAndNewEntityAreMarkedPerBand)
{
    addContact("2025-06-12", "OK1AA", "JO60AB", "432", m_czechia);
    openWindow();
    pressNew();
    enterText("Ca", "OK1ZZ");
    enterText("Gr", "jo60xx");
    EXPECT_EQ(aids().newDxcc()->text(), QStringLiteral("NEW DXCC"));
    EXPECT_EQ(aids().newSquare()->text(), QStringLiteral("NEW SQUARE"));
    const QColor mark = aids().newSquare()->palette().color(QPalette::WindowText);
    EXPECT_GT(mark.red(), 150);
    EXPECT_LT(mark.green() + mark.blue(), 100);

    // On the band where they were worked, neither is new.
    QTest::mouseClick(m_window->bandButton(11), Qt::LeftButton);
    EXPECT_TRUE(aids().newDxcc()->text().isEmpty());
    EXPECT_TRUE(aids().newSquare()->text().isEmpty());
    QTest::mouseClick(m_window->bandButton(10), Qt::LeftButton);
    EXPECT_EQ(aids().newDxcc()->text(), QStringLiteral("NEW DXCC"));

    // Stored on 144, so the next contact there is not new.
    save();
    EXPECT_TRUE(aids().newDxcc()->text().isEmpty());
    EXPECT_TRUE(aids().newSquare()->text().isEmpty());
    pressNew();
    enterText("Ca", "OL5A");
    enterText("Gr", "JO60");
    EXPECT_TRUE(aids().newDxcc()->text().isEmpty());
    EXPECT_TRUE(aids().newSquare()->text().isEmpty());
    entryField("Gr")->clear();
    enterText("Gr", "JO61");
    EXPECT_EQ(aids().newSquare()->text(), QStringLiteral("NEW SQUARE"));
}

TEST_F(OperatingAidsTest, FocusStartsOnNewAndEnterInTheSearchTextSearches)
{
    addContact("2025-06-12", "OK1AA", "JO60", "144", m_czechia);
    addContact("2025-06-13", "DL1AA", "JO31", "144", m_germany);
    openWindow();
    EXPECT_EQ(QApplication::focusWidget(), m_window->entryRow()->newButton());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    settle();
    EXPECT_EQ(entryField("Ba")->text(), QStringLiteral("144"));
    EXPECT_EQ(QApplication::focusWidget(), entryField("Ca"));
    EXPECT_EQ(entryField("Callsign")->text(), QStringLiteral("DL1AAA"));

    QLineEdit* searchText = m_window->findChild<QLineEdit*>(QStringLiteral("txtStr"));
    searchText->setFocus();
    QTest::keyClicks(searchText, QStringLiteral("ok"));
    QTest::keyClick(searchText, Qt::Key_Return);
    EXPECT_EQ(m_window->grid()->caption(), QStringLiteral("1"));
}

} // namespace
} // namespace mivra::test
