#pragma once

#include "RowSnapshot.h"

#include <QString>

#include <deque>
#include <optional>
#include <vector>

namespace mivra {

// One change that can be taken back: the rows it touched as they were before it, and as it left
// them (none when it deleted them).
struct UndoStep {
    QString description; // what is undone, for the menu ("delete of OK1ABC")
    std::vector<RowSnapshot> rows;
    std::vector<RowSnapshot> after;
};

// The last changes of a session, newest on top; the oldest are dropped beyond the depth.
class UndoStack {
public:
    explicit UndoStack(int depth = 50);

    void push(UndoStep step);
    // The newest step, or nothing when the stack is empty.
    std::optional<UndoStep> pop();
    const UndoStep* top() const;
    bool isEmpty() const { return m_steps.empty(); }
    int size() const { return int(m_steps.size()); }
    int depth() const { return m_depth; }

private:
    std::deque<UndoStep> m_steps;
    int m_depth;
};

} // namespace mivra
