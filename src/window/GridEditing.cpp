#include "GridEditing.h"

#include "QslState.h"

#include "LogDatabase.h"
#include "LogGrid.h"
#include "Messages.h"

#include <QAction>
#include <QLineEdit>
#include <QTableView>

namespace mivra {

namespace {

QString callsignOf(const RowSnapshot& row)
{
    return row.value(QStringLiteral("Callsign")).toString();
}

} // namespace

GridEditing::GridEditing(LogGrid* grid, Services services)
    : QObject(grid)
    , m_grid(grid)
    , m_services(std::move(services))
    , m_edits(m_services.log.database())
    , m_undoAction(new QAction(grid->view()))
{
    // After the entries already there, which keep their places.
    QTableView* view = grid->view();
    auto insert = [view](QAction* action) { view->addAction(action); };
    auto* end = new QAction(view);
    end->setSeparator(true);
    insert(end);

    m_undoAction->setShortcut(QKeySequence::Undo);
    m_undoAction->setShortcutContext(Qt::WindowShortcut);
    connect(m_undoAction, &QAction::triggered, this, &GridEditing::undo);
    insert(m_undoAction);
    auto* separator = new QAction(view);
    separator->setSeparator(true);
    insert(separator);
    for (const QslState& state : qslStates()) {
        auto* action = new QAction(QString::fromLatin1(state.caption), view);
        const QString letter = QString::fromLatin1(state.letter);
        const QString caption = action->text();
        connect(action, &QAction::triggered, this, [this, letter, caption] { setQslState(letter, caption); });
        insert(action);
    }
    connect(grid, &LogGrid::cellEdited, this, &GridEditing::editCell);
    connect(grid, &LogGrid::deleteRequested, this, &GridEditing::deleteRow);
    updateUndoAction();
}

std::vector<RowSnapshot> GridEditing::snapshots(const QList<qint64>& ids)
{
    std::vector<RowSnapshot> rows;
    for (const qint64 id : ids) {
        QString error;
        std::optional<RowSnapshot> row = m_edits.readRow(id, &error);
        if (!row) {
            m_services.messages.inform(m_grid->window(), QStringLiteral("The log cannot be read: ") + error);
            return {};
        }
        rows.push_back(std::move(*row));
    }
    return rows;
}

void GridEditing::editCell(qint64 id, const QString& column, const QString& text)
{
    std::vector<RowSnapshot> before = snapshots({id});
    if (before.empty())
        return;
    QString reason;
    // Distance and heading from where the contact was made: its own locator, else the settings'.
    const QString contactLocator = before.front().value(QStringLiteral("MyGrid")).toString().trimmed();
    const std::optional<ColumnValues> values = cellEditValues(
        column, text, contactLocator.isEmpty() ? m_services.ownLocator->text() : contactLocator,
        [this](const QString& callsign) { return m_services.log.findDxcc(callsign); }, &reason);
    if (!values) {
        m_services.messages.inform(m_grid->window(), reason);
        m_grid->editCell(id, column, text);
        return;
    }
    // Retyping what is stored changes nothing and leaves nothing to undo.
    if (before.front().value(column).toString() == values->front().second.toString()
        && before.front().value(column).isNull() == values->front().second.isNull())
        return;
    QString error;
    if (!m_edits.updateRow(id, *values, &error)) {
        m_services.messages.inform(m_grid->window(), QStringLiteral("The change cannot be stored: ") + error);
        return;
    }
    const QString description = QStringLiteral("edit of %1 of %2").arg(column, callsignOf(before.front()));
    changed(description, std::move(before), {id});
    m_services.refreshCounters();
    m_grid->showCell(id, column);
}

void GridEditing::setQslState(const QString& letter, const QString& caption)
{
    const QList<qint64> ids = m_grid->selectedIds();
    if (ids.isEmpty()) {
        m_services.messages.inform(m_grid->window(), QStringLiteral("Select the contacts first."));
        return;
    }
    std::vector<RowSnapshot> before = snapshots(ids);
    if (before.empty())
        return;
    QString error;
    if (!m_edits.setQslStates(ids, letter, &error)) {
        m_services.messages.inform(m_grid->window(), QStringLiteral("The QSL states cannot be stored: ") + error);
        return;
    }
    const QString what = ids.size() == 1 ? callsignOf(before.front()) : QStringLiteral("%1 contacts").arg(ids.size());
    const QString description = QStringLiteral("%1 for %2").arg(caption, what);
    changed(description, std::move(before), ids);
    m_services.refreshCounters();
    m_grid->showCell(ids.front(), QStringLiteral("QSL"));
}

void GridEditing::deleteRow(qint64 id)
{
    std::vector<RowSnapshot> before = snapshots({id});
    if (before.empty())
        return;
    if (!m_services.messages.ask(m_grid->window(), QStringLiteral(" Delete Recordset ?")))
        return;
    QString error;
    const int row = m_grid->currentRow();
    if (!m_services.log.deleteRow(id, &error)) {
        m_services.messages.inform(m_grid->window(), error);
        return;
    }
    m_undo.push({QStringLiteral("delete of %1").arg(callsignOf(before.front())), std::move(before), {}});
    updateUndoAction();
    // The count, the row numbers and the counters follow at once; the contact below takes its place.
    m_services.reloadView();
    m_services.refreshCounters();
    m_grid->selectRowAt(row);
}

void GridEditing::undo()
{
    std::optional<UndoStep> step = m_undo.pop();
    if (!step)
        return;
    QString error;
    if (!m_edits.undoChange(step->rows, step->after, &error)) {
        // Kept, so that nothing is lost: it may be undone once the way is clear.
        m_services.messages.inform(m_grid->window(),
                                   QStringLiteral("The %1 cannot be undone: %2").arg(step->description, error));
        m_undo.push(std::move(*step));
        return;
    }
    updateUndoAction();
    m_services.reloadView();
    m_services.refreshCounters();
    m_grid->showCell(step->rows.front().id, QStringLiteral("Callsign"));
}

void GridEditing::changed(const QString& description, std::vector<RowSnapshot> before, const QList<qint64>& ids)
{
    // As the change left the rows: an undo writes back only over what it wrote.
    std::vector<RowSnapshot> after = snapshots(ids);
    if (!after.empty())
        m_undo.push({description, std::move(before), std::move(after)});
    updateUndoAction();
    m_services.reloadView();
}

void GridEditing::updateUndoAction()
{
    const UndoStep* top = m_undo.top();
    m_undoAction->setEnabled(top != nullptr);
    m_undoAction->setText(top ? QStringLiteral("Undo %1").arg(top->description) : QStringLiteral("Undo"));
}

} // namespace mivra
