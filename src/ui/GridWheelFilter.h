#pragma once

#include <QAbstractItemView>
#include <QObject>
#include <QPointer>

namespace mivra {

// Turns mouse-wheel turns over a grid into whole-row scrolls: one notch (120) is one row,
// smaller deltas add up until they make a row. It takes wheel turns over any part of the grid:
// rows, scroll bars and headers (hookGridWheel installs it on each); the wheel event is consumed
// so that the view or the scroll bar does not scroll again.
class GridWheelFilter : public QObject {
    Q_OBJECT

public:
    static constexpr int kWheelNotch = 120;

    // Without a parent the filter becomes a child of the grid.
    explicit GridWheelFilter(QAbstractItemView* grid, QObject* parent = nullptr);

    // Creates the filter for the grid and installs it on the grid's viewport.
    static GridWheelFilter* hookGridWheel(QAbstractItemView* grid);

    // Adds delta to remainder and returns the whole rows it holds, truncated toward zero;
    // the remainder keeps the rest with its sign (250 gives 2 and leaves 10, -50 gives 0).
    static int takeWholeRows(int& remainder, int delta);

    int wheelRemainder() const { return m_wheelRemainder; }

    // Scrolls the grid by lines rows; a positive count moves towards the first row.
    void scrollGridRows(int lines);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QAbstractItemView> m_grid;
    int m_wheelRemainder = 0;
};

} // namespace mivra
