#pragma once

#include <QSet>
#include <QWidget>

class QLabel;
class QSqlQuery;
class QSqlQueryModel;
class QSortFilterProxyModel;
class QTableView;

namespace mivra {

class HiddenRowsFilter;

// The log view: a caption bar over a read-only table of whole rows. Column 0 holds the row's ID.
class LogGrid : public QWidget {
    Q_OBJECT
public:
    explicit LogGrid(QWidget* parent = nullptr);

    // Shows the rows of an executed query; the previous rows are released.
    void setRows(QSqlQuery&& query);
    void setCaption(const QString& caption);
    QString caption() const;
    // Column widths in twips by position; later columns keep the default width.
    void setGridColumns();

    QTableView* view() const { return m_view; }
    QSqlQueryModel* sourceModel() const { return m_model; }
    int visibleRowCount() const;
    qint64 idAt(int row) const;
    // Takes the row out of the view after it was deleted from the log.
    void hideRow(qint64 id);

signals:
    // The user asked to delete the row with this ID (Delete key or context menu).
    void deleteRequested(qint64 id);
    // The exchange entries of the context menu.
    void exportAdifRequested();
    void importAdifRequested();
    void exportEdiRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void requestDeleteOfCurrentRow();

    QLabel* m_caption;
    QTableView* m_view;
    QSqlQueryModel* m_model;
    HiddenRowsFilter* m_filter;
};

} // namespace mivra
