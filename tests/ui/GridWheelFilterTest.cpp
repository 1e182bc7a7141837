#include "GridWheelFilter.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <vector>

using mivra::GridWheelFilter;

namespace {

TEST(GridWheelRows, WholeRowsAndSignedRemainder)
{
    struct Case {
        int remainder;
        int delta;
        int rows;
        int rest;
    };
    const Case cases[] = {
        {0, 120, 1, 0},      {0, -120, -1, 0},   {0, 60, 0, 60},      {60, 60, 1, 0},
        {60, -60, 0, 0},     {0, 250, 2, 10},    {0, -50, 0, -50},    {-50, -100, -1, -30},
        {10, -130, -1, 0},   {119, 1, 1, 0},     {-119, 118, 0, -1},  {0, 0, 0, 0},
        {0, 360, 3, 0},      {0, 40000, 273, 7}, {0, -40000, -273, -8},
    };
    for (const Case& c : cases) {
        int remainder = c.remainder;
        EXPECT_EQ(GridWheelFilter::takeWholeRows(remainder, c.delta), c.rows) << c.remainder << " + " << c.delta;
        EXPECT_EQ(remainder, c.rest) << c.remainder << " + " << c.delta;
    }
}

TEST(GridWheelOwnership, FilterOwnedElsewhereOutlivesTheGrid)
{
    QObject owner;
    auto* grid = new QTableView;
    auto* filter = new GridWheelFilter(grid, &owner);
    grid->viewport()->installEventFilter(filter);
    EXPECT_EQ(filter->parent(), &owner);
    delete grid;

    filter->scrollGridRows(3);
    QWheelEvent wheel(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    EXPECT_FALSE(filter->eventFilter(&owner, &wheel));
    EXPECT_EQ(filter->wheelRemainder(), 0);
}

// A shown table of 300 rows, scrolled to row 100.
class GridWheelView : public testing::Test {
protected:
    void SetUp() override
    {
        m_model.setRowCount(300);
        m_model.setColumnCount(3);
        for (int row = 0; row < 300; ++row)
            for (int column = 0; column < 3; ++column)
                m_model.setItem(row, column, new QStandardItem(QString::number(row * 10 + column)));
        m_view.setModel(&m_model);
        m_view.resize(320, 240);
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
        ASSERT_EQ(m_view.verticalScrollMode(), QAbstractItemView::ScrollPerItem);
        scrollBar()->setValue(kStart);
        ASSERT_EQ(scrollBar()->value(), kStart);
    }

    QScrollBar* scrollBar() { return m_view.verticalScrollBar(); }

    bool turnWheel(int delta, QPoint angle = {}, QWidget* over = nullptr)
    {
        if (angle.isNull())
            angle = QPoint(0, delta);
        if (!over)
            over = m_view.viewport();
        const QPointF inside(over->width() / 2, over->height() / 2);
        QWheelEvent wheel(inside, over->mapToGlobal(inside), QPoint(), angle, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        return QApplication::sendEvent(over, &wheel);
    }

    static constexpr int kStart = 100;
    QStandardItemModel m_model;
    QTableView m_view;
};

TEST_F(GridWheelView, TurnsAddUpToWholeRows)
{
    struct Step {
        int delta;
        int firstRow; // first visible row after the step
        int remainder;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"one notch away from the user", {{120, 99, 0}}},
        {"one notch towards the user", {{-120, 101, 0}}},
        {"two half notches", {{60, 100, 60}, {60, 99, 0}}},
        {"half notch there and back", {{60, 100, 60}, {-60, 100, 0}}},
        {"two notches and a bit", {{250, 98, 10}}},
        {"less than a notch back", {{-50, 100, -50}}},
        {"three notches back then one forward", {{-360, 103, 0}, {120, 102, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scrollBar()->setValue(kStart);
        GridWheelFilter* filter = GridWheelFilter::hookGridWheel(&m_view);
        for (const Step& step : c.steps) {
            EXPECT_TRUE(turnWheel(step.delta)) << "wheel event not consumed";
            EXPECT_EQ(scrollBar()->value(), step.firstRow);
            EXPECT_EQ(m_view.rowAt(0), step.firstRow);
            EXPECT_EQ(filter->wheelRemainder(), step.remainder);
        }
        delete filter;
    }
}

TEST_F(GridWheelView, OneRowPerNotchOverEveryPartOfTheGrid)
{
    for (int column = 0; column < 3; ++column)
        m_view.setColumnWidth(column, 200);
    QScrollBar* sideways = m_view.horizontalScrollBar();
    ASSERT_GT(sideways->maximum(), 0);
    GridWheelFilter::hookGridWheel(&m_view);
    const struct {
        const char* name;
        QWidget* part;
    } cases[] = {
        {"rows", m_view.viewport()},
        {"vertical scroll bar", scrollBar()},
        {"horizontal scroll bar", sideways},
        {"column header", m_view.horizontalHeader()->viewport()},
        {"row header", m_view.verticalHeader()->viewport()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        scrollBar()->setValue(kStart);
        sideways->setValue(0);
        EXPECT_TRUE(turnWheel(-120, {}, c.part));
        EXPECT_EQ(scrollBar()->value(), kStart + 1);
        EXPECT_TRUE(turnWheel(240, {}, c.part));
        EXPECT_EQ(scrollBar()->value(), kStart - 1);
        EXPECT_EQ(sideways->value(), 0);
    }
}

TEST_F(GridWheelView, WithoutTheFilterTheViewScrollsItsOwnWay)
{
    // Shows that the one-row steps above come from the filter alone.
    turnWheel(-120);
    EXPECT_EQ(scrollBar()->value(), kStart + QApplication::wheelScrollLines());
    EXPECT_NE(QApplication::wheelScrollLines(), 1);
}

TEST_F(GridWheelView, StopsAtTheFirstRow)
{
    GridWheelFilter::hookGridWheel(&m_view);
    scrollBar()->setValue(1);
    EXPECT_TRUE(turnWheel(360));
    EXPECT_EQ(scrollBar()->value(), 0);
}

TEST_F(GridWheelView, OtherEventsPassUnchanged)
{
    GridWheelFilter* filter = GridWheelFilter::hookGridWheel(&m_view);
    const QModelIndex target = m_model.index(kStart + 2, 1);
    const QPoint centre = m_view.visualRect(target).center();

    QMouseEvent press(QEvent::MouseButtonPress, centre, m_view.viewport()->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    EXPECT_FALSE(filter->eventFilter(m_view.viewport(), &press));

    QTest::mouseClick(m_view.viewport(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(m_view.currentIndex(), target);
    EXPECT_EQ(scrollBar()->value(), kStart);
    EXPECT_EQ(filter->wheelRemainder(), 0);

    // A sideways turn is left to the view.
    QWheelEvent sideways(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(-120, 0), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
    EXPECT_FALSE(filter->eventFilter(m_view.viewport(), &sideways));
    turnWheel(0, QPoint(-120, 0));
    EXPECT_EQ(filter->wheelRemainder(), 0);
    EXPECT_EQ(scrollBar()->value(), kStart);

    // Wheel events of other objects are not taken.
    QWheelEvent wheel(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    EXPECT_FALSE(filter->eventFilter(&m_view, &wheel));
    EXPECT_EQ(filter->wheelRemainder(), 0);
}

TEST_F(GridWheelView, PixelScrollingMovesByRowHeight)
{
    m_view.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    GridWheelFilter::hookGridWheel(&m_view);
    const int rowHeight = m_view.rowHeight(0);
    scrollBar()->setValue(kStart * rowHeight);
    ASSERT_EQ(m_view.rowAt(0), kStart);

    EXPECT_TRUE(turnWheel(-240));
    EXPECT_EQ(scrollBar()->value(), (kStart + 2) * rowHeight);
    EXPECT_EQ(m_view.rowAt(0), kStart + 2);
    EXPECT_TRUE(turnWheel(120));
    EXPECT_EQ(m_view.rowAt(0), kStart + 1);
}

} // namespace
