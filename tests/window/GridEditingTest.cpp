#include "AppTestSupport.h"

#include "ContactGeometry.h"
#include "GridEditing.h"
#include "LogGrid.h"
#include "MultiOptionControl.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>

namespace mivra::test {
namespace {

class GridEditingTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
        addContact(QStringLiteral("2026-05-03"), QStringLiteral("OK1ABC"), QStringLiteral("JO70AA"),
                   QStringLiteral("144"));
        addContact(QStringLiteral("2026-05-02"), QStringLiteral("DL1ABC"), QStringLiteral("JO31"),
                   QStringLiteral("144"));
        openWindow();
    }

    GridEditing& editing() { return *m_window->gridEditing(); }
    QTableView* view() { return m_window->grid()->view(); }
    qint64 idOf(const char* callsign)
    {
        QSqlQuery query(m_log->database());
        query.prepare(QStringLiteral("SELECT ID FROM logtab WHERE Callsign = ?"));
        query.addBindValue(QString::fromLatin1(callsign));
        return query.exec() && query.next() ? query.value(0).toLongLong() : -1;
    }
    QString dump()
    {
        QSqlQuery query(m_log->database());
        QString text;
        query.exec(QStringLiteral("SELECT * FROM logtab ORDER BY ID"));
        while (query.next()) {
            for (int i = 0; i < query.record().count(); ++i)
                text += query.value(i).toString() + (query.value(i).isNull() ? u"<null>"_qs : u"|"_qs);
            text += u'\n';
        }
        return text;
    }
    QString valueOf(const char* callsign, const char* column)
    {
        QSqlQuery query(m_log->database());
        query.prepare(QStringLiteral("SELECT %1 FROM logtab WHERE ID = ?").arg(QString::fromLatin1(column)));
        query.addBindValue(idOf(callsign));
        return query.exec() && query.next() ? query.value(0).toString() : u"<none>"_qs;
    }
};

TEST_F(GridEditingTest, QslStatesOfSelectedRowsRaiseTheShownCountersAndUndoTakesThemBack)
{
    m_window->multiOption()->setOptionSelected(SearchByGrid);
    m_window->findChild<QPushButton*>(QStringLiteral("Search"))->click(); // empty text: the square counters
    ASSERT_TRUE(waitForCounters());
    auto* confirmed = m_window->findChild<QLabel*>(QStringLiteral("SQc"));
    ASSERT_EQ(m_window->findChild<QLabel*>(QStringLiteral("Sqw"))->text(), QStringLiteral("2"));
    const int before = confirmed->text().toInt();
    const QString rowsBefore = dump();
    view()->selectAll();
    editing().setQslState(QStringLiteral("Q"), QStringLiteral("Card received (Q)"));
    EXPECT_EQ(valueOf("OK1ABC", "QSL"), QStringLiteral("Q"));
    EXPECT_EQ(valueOf("DL1ABC", "QSL"), QStringLiteral("Q"));
    ASSERT_TRUE(waitForCounters());
    EXPECT_EQ(confirmed->text().toInt(), before + 2);
    EXPECT_EQ(editing().undoAction()->text(), QStringLiteral("Undo Card received (Q) for 2 contacts"));

    view()->setFocus();
    QTest::keyClick(view(), Qt::Key_Z, Qt::ControlModifier);
    settle();
    ASSERT_TRUE(waitForCounters());
    EXPECT_EQ(dump(), rowsBefore);
    EXPECT_EQ(confirmed->text().toInt(), before);
}

// Beside the QSL state the grid says how each contact is confirmed; typing there changes nothing.
TEST_F(GridEditingTest, TheGridShowsHowEachContactIsConfirmedAndKeepsItReadOnly)
{
    QSqlQuery lotw(m_log->database());
    ASSERT_TRUE(lotw.exec(QStringLiteral("UPDATE logtab SET LotwRcvd = 'Y' WHERE Callsign = 'DL1ABC'")));
    ASSERT_TRUE(m_window->grid()->showCell(idOf("OK1ABC"), QStringLiteral("QSL")));
    editing().setQslState(QStringLiteral("T"), QStringLiteral("Card received, thanks to send (T)"));
    ASSERT_EQ(valueOf("OK1ABC", "QSL"), QStringLiteral("T"));
    ASSERT_EQ(valueOf("DL1ABC", "QSL"), QStringLiteral("Y"));

    LogGrid* grid = m_window->grid();
    int qsl = -1;
    int confirmed = -1;
    for (int column = 0; column < view()->model()->columnCount(); ++column) {
        if (grid->columnName(column) == QStringLiteral("QSL"))
            qsl = column;
        if (grid->columnName(column) == QStringLiteral("Confirmed"))
            confirmed = column;
    }
    ASSERT_GE(qsl, 0);
    ASSERT_GE(confirmed, 0);
    QHeaderView* header = view()->horizontalHeader();
    EXPECT_EQ(header->visualIndex(confirmed), header->visualIndex(qsl) + 1);
    EXPECT_GE(view()->columnWidth(confirmed),
              view()->fontMetrics().horizontalAdvance(QStringLiteral("Card LoTW eQSL")));
    QStringList shown;
    for (int row = 0; row < grid->visibleRowCount(); ++row)
        shown << view()->model()->index(row, 3).data().toString() + u'='
                     + view()->model()->index(row, confirmed).data().toString();
    EXPECT_EQ(shown, (QStringList{u"OK1ABC=Card"_qs, u"DL1ABC=LoTW"_qs}));

    const QString rowsBefore = dump();
    const QModelIndex cell = view()->model()->index(0, confirmed);
    EXPECT_FALSE(cell.flags() & Qt::ItemIsEditable);
    view()->setFocus();
    view()->setCurrentIndex(cell);
    QTest::keyClick(view(), Qt::Key_F2);
    settle();
    EXPECT_EQ(QApplication::focusWidget(), view()); // no editor took the keys
    QTest::keyClicks(view(), QStringLiteral("LoTW"));
    QTest::keyClick(view(), Qt::Key_Return);
    settle();
    EXPECT_EQ(QApplication::focusWidget(), view());
    EXPECT_EQ(dump(), rowsBefore);
    EXPECT_TRUE(m_messages.informed.isEmpty()) << m_messages.informed.join(u'|').toStdString();
}

TEST_F(GridEditingTest, UndoGoesBackThroughTwentyChangesInOrder)
{
    const QString original = dump();
    const qint64 id = idOf("OK1ABC");
    for (int i = 0; i < 21; ++i)
        editing().editCell(id, QStringLiteral("Comment"), QStringLiteral("change %1").arg(i));
    editing().deleteRow(idOf("DL1ABC"));
    EXPECT_EQ(m_messages.asked, QStringList{" Delete Recordset ?"});
    EXPECT_EQ(editing().undoAction()->text(), QStringLiteral("Undo delete of DL1ABC"));
    for (int i = 0; i < 21; ++i)
        editing().undo();
    EXPECT_EQ(valueOf("OK1ABC", "Comment"), QStringLiteral("change 0"));
    EXPECT_EQ(valueOf("DL1ABC", "Callsign"), QStringLiteral("DL1ABC"));
    editing().undo();
    EXPECT_EQ(dump(), original);
    EXPECT_FALSE(editing().undoAction()->isEnabled());
    EXPECT_TRUE(m_messages.informed.isEmpty()) << m_messages.informed.join(u'|').toStdString();
}

TEST_F(GridEditingTest, RecomputedDistancesGoFromEachContactsOwnLocatorAfterACopy)
{
    // Stored from an old reckoning; DL1ABC was made from a locator of its own.
    QSqlQuery query(m_log->database());
    ASSERT_TRUE(query.exec(QStringLiteral("UPDATE logtab SET QRB = 1, QTF = 1")));
    ASSERT_TRUE(query.exec(QStringLiteral("UPDATE logtab SET MyGrid = 'JN79FX' WHERE Callsign = 'DL1ABC'")));
    QAction* recompute = nullptr;
    for (QAction* action : view()->actions()) {
        if (action->text() == u"Recompute distances..."_qs)
            recompute = action;
    }
    ASSERT_TRUE(recompute);
    recompute->trigger();
    ASSERT_EQ(m_messages.asked.size(), 1);
    EXPECT_TRUE(m_messages.asked.front().contains(u"My Grid JO62QM"_qs)) << m_messages.asked.front().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_messages.informed.isEmpty(); }, 20000));
    ASSERT_EQ(m_messages.informed.size(), 1);
    EXPECT_TRUE(m_messages.informed.front().startsWith(u"Distance and heading recomputed: 2 of 2"_qs))
        << m_messages.informed.front().toStdString();
    const auto fromSettings = geo::contactQrbQtf(u"JO62QM", u"JO70AA");
    const auto fromOwn = geo::contactQrbQtf(u"JN79FX", u"JO31");
    ASSERT_TRUE(fromSettings && fromOwn);
    EXPECT_DOUBLE_EQ(valueOf("OK1ABC", "QRB").toDouble(), fromSettings->qrbKm);
    EXPECT_DOUBLE_EQ(valueOf("OK1ABC", "QTF").toDouble(), fromSettings->qtfDeg);
    EXPECT_DOUBLE_EQ(valueOf("DL1ABC", "QRB").toDouble(), fromOwn->qrbKm);
    EXPECT_DOUBLE_EQ(valueOf("DL1ABC", "QTF").toDouble(), fromOwn->qtfDeg);
    // The log as it was is kept in the copy the message names.
    const qsizetype at = m_messages.informed.front().indexOf(u"kept in "_qs);
    ASSERT_GE(at, 0);
    const QString copy = m_messages.informed.front().mid(at + 8).section(u". Run"_qs, 0, 0);
    EXPECT_TRUE(QFile::exists(copy)) << copy.toStdString();
}

} // namespace
} // namespace mivra::test
