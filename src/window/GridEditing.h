#pragma once

#include "ContactEdits.h"
#include "UndoStack.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QAction;
class QLineEdit;

namespace mivra {

class LogDatabase;
class LogGrid;
class Messages;

// The changes made in the log grid: a cell edited in place, the QSL state of the selected rows,
// deleting a row, and undo of the last of these. The grid only shows; the log library writes.
class GridEditing : public QObject {
    Q_OBJECT
public:
    struct Services {
        LogDatabase& log;
        Messages& messages;
        QLineEdit* ownLocator;
        // Reads what the grid shows anew.
        std::function<void()> reloadView;
        // Counts anew the counters that are shown.
        std::function<void()> refreshCounters;
        // Whether a change of these columns can move rows into, out of or within the view.
        std::function<bool(const QStringList& columns)> viewMoves;
    };

    // Adds the QSL state and undo entries to the grid's context menu.
    GridEditing(LogGrid* grid, Services services);

    void editCell(qint64 id, const QString& column, const QString& text);
    void setQslState(const QString& letter, const QString& caption);
    void deleteRow(qint64 id);
    // Takes back the last edit, state change or delete.
    void undo();

    QAction* undoAction() const { return m_undoAction; }
    const UndoStack& undoStack() const { return m_undo; }

private:
    // Snapshots of these rows, or an empty list after telling why they cannot be read.
    std::vector<RowSnapshot> snapshots(const QList<qint64>& ids);
    // Keeps a stored change for undo: the rows before it and, read now, as it left them.
    void changed(const QString& description, std::vector<RowSnapshot> before, const QList<qint64>& ids);
    void updateUndoAction();
    // Shows the change of these rows: only they are read anew, unless the change can move rows
    // in the view (then all of it is), and only where the grid holds them.
    void showChangedRows(const std::vector<RowSnapshot>& before, const std::vector<RowSnapshot>& after);

    LogGrid* m_grid;
    Services m_services;
    ContactEdits m_edits;
    UndoStack m_undo;
    QAction* m_undoAction;
};

} // namespace mivra
