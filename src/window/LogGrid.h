#pragma once

#include <QHash>
#include <QList>
#include <QModelIndex>
#include <QSet>
#include <QVariantList>
#include <QWidget>

#include <functional>

class QLabel;
class QSqlQuery;
class QSqlQueryModel;
class QSortFilterProxyModel;
class QTableView;

namespace mivra {

class EditableRows;

// The log view: a caption bar over a table of whole rows. Column 0 holds the row's ID. Cells of
// the editable columns open an editor (double-click, F2, typing); what is typed is handed on.
class LogGrid : public QWidget {
    Q_OBJECT
public:
    explicit LogGrid(QWidget* parent = nullptr);

    // Shows the rows of an executed query; the previous rows are released.
    void setRows(QSqlQuery&& query);
    // Shows these rows (by ID, all their columns as the query gave them) anew where the grid
    // holds them, leaving every other row and the current cell as they are.
    void refreshRows(const QHash<qint64, QVariantList>& rows);
    void setCaption(const QString& caption);
    // Shows a widget at the right (or left) end of the caption bar, beside the centred caption.
    void addToCaptionBar(QWidget* widget, Qt::Alignment side = Qt::AlignRight);
    QString caption() const;
    // Column widths in twips by position, later columns at the default width; widened where the
    // column's widest values (CW serials, frequencies) need more.
    void setGridColumns();

    QTableView* view() const { return m_view; }
    QSqlQueryModel* sourceModel() const { return m_model; }
    int visibleRowCount() const;
    qint64 idAt(int row) const;
    // The row of the current cell, -1 without one; makes a cell of the row at this place current
    // (the last row when fewer are shown).
    int currentRow() const;
    void selectRowAt(int row);
    // The log column shown in this grid column.
    QString columnName(int column) const;
    // The IDs of the selected rows; the current row's when none is selected.
    QList<qint64> selectedIds() const;
    // Makes this cell of the row with this ID current; false when the row is not shown.
    bool showCell(qint64 id, const QString& column);
    // Runs reload (new rows) and keeps the current cell's contact current and the rows scrolled as
    // they were: rows that arrive from elsewhere do not move what the operator looks at.
    void keepPlaceThrough(const std::function<void()>& reload);
    // A cell's editor is open.
    bool isEditing() const;
    // Opens the editor of the cell again with this text (after it was refused).
    void editCell(qint64 id, const QString& column, const QString& text);

signals:
    // A cell was edited and Enter pressed: column of the row with this ID, the text typed.
    void cellEdited(qint64 id, const QString& column, const QString& text);
    // The user asked to delete the row with this ID (Delete key or context menu).
    void deleteRequested(qint64 id);
    // The exchange entries of the context menu.
    void exportAdifRequested();
    void importAdifRequested();
    void importConfirmationsRequested();
    void exportEdiRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void requestDeleteOfCurrentRow();
    void placeConfirmedColumn();
    void placePositionColumn();
    QModelIndex indexOf(qint64 id, const QString& column) const;

    QLabel* m_caption;
    QTableView* m_view;
    QSqlQueryModel* m_model;
    EditableRows* m_filter;
};

} // namespace mivra
