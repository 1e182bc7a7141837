#include "GridWheelFilter.h"

#include <QAbstractItemView>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <limits>

namespace mivra {

GridWheelFilter::GridWheelFilter(QAbstractItemView* grid, QObject* parent)
    : QObject(parent ? parent : grid)
    , m_grid(grid)
{
}

GridWheelFilter* GridWheelFilter::hookGridWheel(QAbstractItemView* grid)
{
    auto* filter = new GridWheelFilter(grid);
    // The whole grid window: its rows, its scroll bars and its headers.
    grid->viewport()->installEventFilter(filter);
    for (QWidget* part : grid->findChildren<QWidget*>())
        part->installEventFilter(filter);
    return filter;
}

int GridWheelFilter::takeWholeRows(int& remainder, int delta)
{
    // A wheel message carries a signed 16-bit delta; larger values are cut to that range.
    delta = std::clamp(delta, int(std::numeric_limits<qint16>::min()), int(std::numeric_limits<qint16>::max()));
    remainder += delta;
    const int lines = remainder / kWheelNotch;
    remainder %= kWheelNotch;
    return lines;
}

void GridWheelFilter::scrollGridRows(int lines)
{
    if (lines == 0 || !m_grid)
        return;
    QScrollBar* bar = m_grid->verticalScrollBar();
    int rowStep = 1;
    if (m_grid->verticalScrollMode() == QAbstractItemView::ScrollPerPixel) {
        // The pitch from the top row to the next includes any grid line between them.
        const QModelIndex top = m_grid->indexAt(QPoint(0, 0));
        const QModelIndex next = top.sibling(top.row() + 1, top.column());
        if (next.isValid())
            rowStep = m_grid->visualRect(next).top() - m_grid->visualRect(top).top();
        else
            rowStep = top.isValid() ? m_grid->visualRect(top).height() : bar->singleStep();
    }
    bar->setValue(bar->value() - lines * rowStep);
}

bool GridWheelFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel || !m_grid)
        return false;
    auto* part = qobject_cast<QWidget*>(watched);
    if (!part || part == m_grid || !m_grid->isAncestorOf(part))
        return false;
    auto* wheel = static_cast<QWheelEvent*>(event);
    const int delta = wheel->angleDelta().y();
    if (delta == 0)
        return false; // a sideways turn: the grid scrolls its columns itself
    scrollGridRows(takeWholeRows(m_wheelRemainder, delta));
    wheel->accept();
    return true;
}

} // namespace mivra
