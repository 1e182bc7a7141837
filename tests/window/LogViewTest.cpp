#include "AppTestSupport.h"

#include "LogGrid.h"
#include "MultiOptionControl.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTableView>

namespace mivra::test {
namespace {

class LogViewTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
        // 1,000 contacts: DL, OK and G calls on 144 and 432 MHz.
        QSqlDatabase db = m_log->database();
        ASSERT_TRUE(db.transaction());
        QSqlQuery insert(db);
        ASSERT_TRUE(insert.prepare(QStringLiteral(
            "INSERT INTO logtab (Date, GMT, Callsign, Grid, Band, rsts, rstr, mode, QSL, Prop) "
            "VALUES (?, '12:00', ?, ?, ?, '59', '59', 'SSB', 'Y', 'Tr')")));
        const char* prefixes[] = {"DL", "OK", "G", "DK"};
        const char* grids[] = {"JO62", "JN79", "IO91", "JO31"};
        for (int i = 0; i < 1000; ++i) {
            insert.addBindValue(QStringLiteral("2026-%1-%2").arg(1 + i % 12, 2, 10, QLatin1Char('0')).arg(1 + i % 28, 2, 10, QLatin1Char('0')));
            insert.addBindValue(QStringLiteral("%1%2X%3").arg(QLatin1String(prefixes[i % 4])).arg(i % 10).arg(i));
            insert.addBindValue(QLatin1String(grids[(i / 4) % 4]));
            insert.addBindValue(i % 3 == 0 ? QStringLiteral("432") : QStringLiteral("144"));
            ASSERT_TRUE(insert.exec());
        }
        ASSERT_TRUE(db.commit());
        openWindow();
    }

    void searchFor(const QString& text, int choice)
    {
        m_window->multiOption()->setOptionSelected(static_cast<qint16>(choice));
        m_window->findChild<QLineEdit*>(QStringLiteral("txtStr"))->setText(text);
        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("Search")), Qt::LeftButton);
    }

    // Every visible row, fetching them all.
    QList<QStringList> rows(std::initializer_list<int> columns)
    {
        QTableView* view = m_window->grid()->view();
        while (view->model()->canFetchMore({}))
            view->model()->fetchMore({});
        QList<QStringList> result;
        for (int row = 0; row < view->model()->rowCount(); ++row) {
            QStringList values;
            for (int column : columns)
                values << view->model()->index(row, column).data().toString();
            result << values;
        }
        return result;
    }

    int count(const QString& where)
    {
        QSqlQuery query(m_log->database());
        return query.exec(QStringLiteral("SELECT COUNT(*) FROM logtab WHERE ") + where) && query.next()
            ? query.value(0).toInt()
            : -1;
    }
};

TEST_F(LogViewTest, SearchByCallsignPrefixStaysWithinTheBand)
{
    searchFor(QStringLiteral("dl"), 1);
    const auto found = rows({3, 10});
    const int expected = count(QStringLiteral("Callsign LIKE 'DL%' AND Band = '144'"));
    ASSERT_GT(expected, 100);
    EXPECT_EQ(found.size(), expected);
    EXPECT_EQ(m_window->grid()->caption(), QString::number(expected));
    for (const QStringList& row : found) {
        EXPECT_TRUE(row[0].startsWith(QStringLiteral("DL"))) << row[0].toStdString();
        EXPECT_EQ(row[1], QStringLiteral("144"));
    }
}

TEST_F(LogViewTest, SearchCases)
{
    const struct { QString text; int choice; int band; QString where; } cases[] = {
        {"jo6", 2, 10, "Grid LIKE 'JO6%' AND Band = '144'"},
        {"JN", 2, 11, "Grid LIKE 'JN%' AND Band = '432'"},
        {"ok1", 1, 21, "Callsign LIKE 'OK1%'"},
        {"g", 1, 10, "Callsign LIKE 'G%' AND Band = '144'"},
        {"D%", 1, 21, "0"},
        {"D_1", 1, 21, "0"},
        {"DL'", 1, 21, "0"},
        {"XX", 1, 10, "0"},
    };
    for (const auto& c : cases) {
        QTest::mouseClick(m_window->bandButton(c.band), Qt::LeftButton);
        searchFor(c.text, c.choice);
        const int expected = count(c.where);
        EXPECT_EQ(m_window->grid()->visibleRowCount() > 0 ? int(rows({0}).size()) : 0, expected) << c.text.toStdString();
        EXPECT_EQ(m_window->grid()->caption(), QString::number(expected)) << c.text.toStdString();
    }
}

TEST_F(LogViewTest, EmptySearchTextLeavesTheGridAlone)
{
    searchFor(QStringLiteral("ok"), 1);
    const QString caption = m_window->grid()->caption();
    searchFor(QString(), 1);
    EXPECT_EQ(m_window->grid()->caption(), caption);
    searchFor(QStringLiteral("dl"), 3); // the third choice has no search
    EXPECT_EQ(m_window->grid()->caption(), caption);
}

TEST_F(LogViewTest, SelectorTakingTheFocusEmptiesTheSearchText)
{
    auto* text = m_window->findChild<QLineEdit*>(QStringLiteral("txtStr"));
    text->setText(QStringLiteral("DL"));
    QRadioButton* first = m_window->multiOption()->optionButton(1);
    ASSERT_TRUE(first);
    QTest::mouseClick(first, Qt::LeftButton);
    settle();
    EXPECT_TRUE(text->text().isEmpty());
    EXPECT_EQ(m_window->multiOption()->optionSelected(), 1);
}

TEST_F(LogViewTest, DeleteAsksAndRemovesTheRowOnlyOnYes)
{
    QTableView* view = m_window->grid()->view();
    const QString caption = m_window->grid()->caption();
    const int total = count(QStringLiteral("1"));
    view->setFocus();
    view->selectRow(0);
    const qint64 id = m_window->grid()->idAt(0);

    m_messages.answer = false;
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(m_messages.asked, QStringList{" Delete Recordset ?"});
    EXPECT_EQ(count(QStringLiteral("1")), total);
    EXPECT_EQ(m_window->grid()->idAt(0), id);

    m_messages.answer = true;
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(m_messages.asked.size(), 2);
    EXPECT_EQ(count(QStringLiteral("1")), total - 1);
    EXPECT_EQ(count(QStringLiteral("ID = %1").arg(id)), 0);
    // The file itself, read by another program.
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
                 {logFile(), QStringLiteral("SELECT COUNT(*) FROM logtab; SELECT COUNT(*) FROM logtab WHERE ID = %1;").arg(id)});
    ASSERT_TRUE(sqlite.waitForFinished(10000));
    EXPECT_EQ(sqlite.readAllStandardOutput(), QByteArray::number(total - 1) + "\n0\n");
    EXPECT_NE(m_window->grid()->idAt(0), id);
    // The view is reloaded at once: the count line drops by one.
    EXPECT_EQ(m_window->grid()->caption().toInt(), caption.toInt() - 1) << caption.toStdString();
}

// Contacts that arrive from other positions reload the grid: the operator's row stays current and
// the rows stay scrolled where they were; the position is shown beside the band.
TEST_F(LogViewTest, RowsArrivingFromElsewhereKeepTheOperatorsPlace)
{
    LogGrid* grid = m_window->grid();
    QTableView* view = grid->view();
    view->resize(800, 300);
    QHeaderView* header = view->horizontalHeader();
    int band = -1;
    int position = -1;
    int callsign = -1;
    for (int column = 0; column < view->model()->columnCount(); ++column) {
        if (grid->columnName(column) == u"Band"_qs)
            band = column;
        else if (grid->columnName(column) == u"Position"_qs)
            position = column;
        else if (grid->columnName(column) == u"Callsign"_qs)
            callsign = column;
    }
    ASSERT_GE(position, 0);
    EXPECT_EQ(header->visualIndex(position), header->visualIndex(band) + 1);

    while (view->model()->rowCount() < 400 && view->model()->canFetchMore({}))
        view->model()->fetchMore({});
    grid->selectRowAt(300);
    const qint64 id = grid->idAt(300);
    const int scrolled = view->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    const int shown = grid->visibleRowCount();

    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(QSqlQuery(m_log->database())
                        .exec(u"INSERT INTO logtab (Date, GMT, Callsign, Band, Position) VALUES ('2026-12-31', '23:5"_qs
                              + QString::number(i) + u"', 'OK1NEW', '144', '432B')"_qs));
    grid->keepPlaceThrough([&] { EXPECT_TRUE(m_window->reloadLogView()); });
    EXPECT_EQ(grid->idAt(grid->currentRow()), id);
    EXPECT_EQ(view->verticalScrollBar()->value(), scrolled);
    EXPECT_GE(grid->visibleRowCount(), shown);

    EXPECT_FALSE(grid->isEditing());
    view->setFocus();
    view->setCurrentIndex(view->model()->index(grid->currentRow(), callsign));
    QTest::keyClick(view, Qt::Key_F2);
    EXPECT_TRUE(grid->isEditing()) << "a reload now would lose what is typed";
}

} // namespace
} // namespace mivra::test
