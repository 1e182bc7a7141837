#include "LogGrid.h"

#include "ConfirmationCount.h"
#include "ContactEdits.h"
#include "Twips.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <functional>

namespace mivra {

// Cells of the editable columns take an editor; what is typed goes to onEdit, the log decides,
// and the rows are read anew. Rows are numbered from 1 as shown.
class EditableRows : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    std::function<void(const QModelIndex&, const QString&)> onEdit;
    // Rows read anew since the query ran, by source row: their columns as the query gives them.
    QHash<int, QVariantList> reread;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override
    {
        if (index.isValid() && (role == Qt::DisplayRole || role == Qt::EditRole)) {
            const auto row = reread.constFind(mapToSource(index).row());
            if (row != reread.constEnd() && index.column() < row->size())
                return row->at(index.column());
        }
        return QSortFilterProxyModel::data(index, role);
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags flags = QSortFilterProxyModel::flags(index);
        if (index.isValid() && isEditableColumn(headerData(index.column(), Qt::Horizontal).toString()))
            flags |= Qt::ItemIsEditable;
        return flags;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (role != Qt::EditRole || !onEdit)
            return false;
        onEdit(index, value.toString());
        return true;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override
    {
        if (orientation == Qt::Vertical && role == Qt::DisplayRole)
            return section + 1;
        return QSortFilterProxyModel::headerData(section, orientation, role);
    }
};

namespace {

constexpr std::array<int, 16> kColumnTwips{10,  900,  700, 1000, 1100, 500, 500,  1300,
                                           500, 1200, 700, 700,  500,  400, 2500, 500};

// The widest values some columns hold, which they show whole whatever width the table gives them:
// CW reports with a serial, frequencies, the longest locator.
constexpr std::pair<const char*, const char*> kWidestValues[] = {
    {"Date", "2026-06-07"}, {"GMT", "23:59"}, {"Grid", "JO62QM55AA"}, {"rsts", "599 1234"},     {"rstr", "599 1234"},
    {"Band", "10368.200"},  {"QRB", "20004"}, {"QTF", "359"},         {"Freq", "10368.123456"},
};

} // namespace

LogGrid::LogGrid(QWidget* parent)
    : QWidget(parent)
    , m_caption(new QLabel(this))
    , m_view(new QTableView(this))
    , m_model(new QSqlQueryModel(this))
    , m_filter(new EditableRows(this))
{
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setAutoFillBackground(true);
    m_caption->setObjectName(QStringLiteral("DataGrid1Caption"));
    QPalette captionPalette = m_caption->palette();
    captionPalette.setColor(QPalette::Window, palette().color(QPalette::Active, QPalette::Highlight));
    captionPalette.setColor(QPalette::WindowText, palette().color(QPalette::Active, QPalette::HighlightedText));
    m_caption->setPalette(captionPalette);
    m_caption->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_filter->setSourceModel(m_model);
    // Handled after the editor has closed: the edit reloads the rows.
    m_filter->onEdit = [this](const QModelIndex& index, const QString& text) {
        const qint64 id = idAt(index.row());
        const QString column = columnName(index.column());
        QMetaObject::invokeMethod(
            this, [this, id, column, text] { emit cellEdited(id, column, text); }, Qt::QueuedConnection);
    };
    m_view->setModel(m_filter);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                            | QAbstractItemView::AnyKeyPressed);
    m_view->verticalHeader()->setDefaultSectionSize(twipsToPixels(255));
    m_view->setWordWrap(false);
    m_view->setTextElideMode(Qt::ElideNone);
    m_view->horizontalHeader()->setMinimumSectionSize(1);
    m_view->installEventFilter(this);

    auto* deleteAction = new QAction(tr("Delete"), m_view);
    connect(deleteAction, &QAction::triggered, this, &LogGrid::requestDeleteOfCurrentRow);
    m_view->addAction(deleteAction);
    auto* separator = new QAction(m_view);
    separator->setSeparator(true);
    m_view->addAction(separator);
    const std::pair<QString, void (LogGrid::*)()> exchange[] = {
        {tr("Export ADIF..."), &LogGrid::exportAdifRequested},
        {tr("Import ADIF..."), &LogGrid::importAdifRequested},
        {tr("Export EDI..."), &LogGrid::exportEdiRequested},
        {tr("Import LoTW/eQSL confirmations..."), &LogGrid::importConfirmationsRequested},
    };
    for (const auto& [caption, signal] : exchange) {
        auto* action = new QAction(caption, m_view);
        connect(action, &QAction::triggered, this, signal);
        m_view->addAction(action);
    }
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_caption);
    layout->addWidget(m_view, 1);
}

void LogGrid::setRows(QSqlQuery&& query)
{
    m_filter->reread.clear();
    m_model->setQuery(std::move(query));
    m_filter->invalidate();
    placeConfirmedColumn();
    placePositionColumn();
}

void LogGrid::placePositionColumn()
{
    // The position of a shared log that logged the contact, beside the band: who worked what.
    int position = -1;
    int band = -1;
    for (int column = 0; column < m_filter->columnCount(); ++column) {
        const QString name = columnName(column);
        if (name.compare(QLatin1String("Position"), Qt::CaseInsensitive) == 0)
            position = column;
        else if (name.compare(QLatin1String("Band"), Qt::CaseInsensitive) == 0)
            band = column;
    }
    if (position < 0 || band < 0)
        return;
    QHeaderView* header = m_view->horizontalHeader();
    header->moveSection(header->visualIndex(position), header->visualIndex(band) + 1);
    const int padding = 2 * m_view->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, m_view) + 8;
    m_view->setColumnWidth(position, std::max(QFontMetrics(m_view->font()).horizontalAdvance(QStringLiteral("432B-2")),
                                              header->fontMetrics().horizontalAdvance(columnName(position)))
                                         + padding);
}

void LogGrid::refreshRows(const QHash<qint64, QVariantList>& rows)
{
    if (rows.isEmpty())
        return;
    // Only the rows fetched so far are held; the others are read as they are scrolled to.
    int left = int(rows.size());
    for (int row = 0; left > 0 && row < m_model->rowCount(); ++row) {
        const auto values = rows.constFind(m_model->index(row, 0).data().toLongLong());
        if (values == rows.constEnd())
            continue;
        --left;
        m_filter->reread.insert(row, *values);
        const QModelIndex first = m_filter->mapFromSource(m_model->index(row, 0));
        emit m_filter->dataChanged(first, first.siblingAtColumn(m_filter->columnCount() - 1));
    }
}

void LogGrid::placeConfirmedColumn()
{
    // The rows end with how each contact is confirmed; it is shown beside the QSL state, wide
    // enough for all three kinds. A new query resets the header, so this follows every load.
    int confirmed = -1;
    int qsl = -1;
    for (int column = 0; column < m_filter->columnCount(); ++column) {
        const QString name = columnName(column);
        if (name == kConfirmedColumn)
            confirmed = column;
        else if (name.compare(QLatin1String("QSL"), Qt::CaseInsensitive) == 0)
            qsl = column;
    }
    if (confirmed < 0)
        return;
    QHeaderView* header = m_view->horizontalHeader();
    if (qsl >= 0)
        header->moveSection(header->visualIndex(confirmed), header->visualIndex(qsl) + 1);
    const QFontMetrics metrics(m_view->font());
    const int padding = 2 * m_view->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, m_view) + 8;
    const int text = std::max(metrics.horizontalAdvance(QStringLiteral("Card LoTW eQSL")),
                              header->fontMetrics().horizontalAdvance(kConfirmedColumn));
    m_view->setColumnWidth(confirmed, text + padding);
}

void LogGrid::addToCaptionBar(QWidget* widget, Qt::Alignment side)
{
    auto* row = qobject_cast<QHBoxLayout*>(m_caption->layout());
    if (!row) {
        row = new QHBoxLayout(m_caption);
        row->setContentsMargins(6, 0, 6, 0);
        row->addStretch();
    }
    widget->setParent(m_caption);
    if (side.testFlag(Qt::AlignLeft))
        row->insertWidget(0, widget);
    else
        row->addWidget(widget);
}

void LogGrid::setCaption(const QString& caption)
{
    m_caption->setText(caption);
}

QString LogGrid::caption() const
{
    return m_caption->text();
}

void LogGrid::setGridColumns()
{
    const int columns = std::min<int>(kColumnTwips.size(), m_filter->columnCount());
    for (int column = 0; column < columns; ++column)
        m_view->setColumnWidth(column, std::max(1, twipsToPixels(kColumnTwips[column])));
    // Room for the cell's margins and the grid line.
    const int padding = 2 * m_view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_view) + 8;
    const QFontMetrics metrics(m_view->font());
    for (int column = 0; column < m_filter->columnCount(); ++column) {
        for (const auto& [name, widest] : kWidestValues) {
            if (columnName(column).compare(QLatin1String(name), Qt::CaseInsensitive) != 0)
                continue;
            const int needed = metrics.horizontalAdvance(QLatin1String(widest)) + padding;
            if (column >= columns || m_view->columnWidth(column) < needed)
                m_view->setColumnWidth(column, needed);
        }
    }
}

void LogGrid::selectRowAt(int row)
{
    if (m_filter->rowCount() == 0)
        return;
    const int column = std::max(1, m_view->currentIndex().column());
    const QModelIndex index = m_filter->index(std::clamp(row, 0, m_filter->rowCount() - 1), column);
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
}

int LogGrid::currentRow() const
{
    return m_view->currentIndex().row();
}

int LogGrid::visibleRowCount() const
{
    return m_filter->rowCount();
}

qint64 LogGrid::idAt(int row) const
{
    return m_filter->index(row, 0).data().toLongLong();
}

QString LogGrid::columnName(int column) const
{
    return m_filter->headerData(column, Qt::Horizontal).toString();
}

QList<qint64> LogGrid::selectedIds() const
{
    QList<qint64> ids;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        ids << idAt(index.row());
    if (ids.isEmpty() && m_view->currentIndex().isValid())
        ids << idAt(m_view->currentIndex().row());
    return ids;
}

QModelIndex LogGrid::indexOf(qint64 id, const QString& column) const
{
    int columnIndex = 0;
    for (int c = 0; c < m_filter->columnCount(); ++c) {
        if (columnName(c).compare(column, Qt::CaseInsensitive) == 0)
            columnIndex = c;
    }
    for (int row = 0; row < m_filter->rowCount(); ++row) {
        if (idAt(row) == id)
            return m_filter->index(row, columnIndex);
    }
    return {};
}

bool LogGrid::showCell(qint64 id, const QString& column)
{
    const QModelIndex index = indexOf(id, column);
    if (!index.isValid())
        return false;
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
    return true;
}

bool LogGrid::isEditing() const
{
    // The open editor is the current cell's index widget.
    return m_view->indexWidget(m_view->currentIndex()) != nullptr;
}

void LogGrid::keepPlaceThrough(const std::function<void()>& reload)
{
    const int row = currentRow();
    const qint64 id = row >= 0 ? idAt(row) : 0;
    const QString column = columnName(m_view->currentIndex().column());
    const int scrolled = m_view->verticalScrollBar()->value();
    const int loaded = m_filter->rowCount();
    reload();
    // The rows read so far are read again, so the place is there to go back to.
    while (m_filter->rowCount() < loaded && m_model->canFetchMore())
        m_model->fetchMore();
    const QModelIndex index = id > 0 ? indexOf(id, column) : QModelIndex();
    if (index.isValid())
        m_view->selectionModel()->setCurrentIndex(index,
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_view->verticalScrollBar()->setValue(scrolled);
}

void LogGrid::editCell(qint64 id, const QString& column, const QString& text)
{
    if (!showCell(id, column))
        return;
    m_view->setFocus(Qt::OtherFocusReason);
    m_view->edit(m_view->currentIndex());
    if (auto* editor = qobject_cast<QLineEdit*>(m_view->indexWidget(m_view->currentIndex())))
        editor->setText(text);
}

bool LogGrid::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        requestDeleteOfCurrentRow();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LogGrid::requestDeleteOfCurrentRow()
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid())
        return;
    emit deleteRequested(idAt(current.row()));
}

} // namespace mivra
