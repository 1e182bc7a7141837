#include "RigDialog.h"

#include "HamlibModels.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QStandardItemModel>

namespace mivra::rig {

namespace {

constexpr int kNumberRole = Qt::UserRole + 1;

} // namespace

RigDialog::RigDialog(const RigSettings& settings, QWidget* parent)
    : QDialog(parent)
    , m_enabled(new QCheckBox(QStringLiteral("Read frequency and mode from the radio"), this))
    , m_search(new QLineEdit(this))
    , m_models(new QListView(this))
    , m_list(new QStandardItemModel(this))
    , m_filter(new QSortFilterProxyModel(this))
    , m_port(new QLineEdit(settings.port, this))
    , m_speed(new QSpinBox(this))
    , m_model(settings.model)
{
    setObjectName(QStringLiteral("RigDialog"));
    setWindowTitle(QStringLiteral("Rig"));
    m_enabled->setObjectName(QStringLiteral("enabled"));
    m_enabled->setChecked(settings.enabled);

    m_search->setObjectName(QStringLiteral("search"));
    m_search->setPlaceholderText(QStringLiteral("Maker or model, e.g. IC-9700"));
    m_search->setClearButtonEnabled(true);
    bool known = false;
    for (const RigModel& model : hamlibModels()) {
        auto* item = new QStandardItem(model.label());
        item->setData(model.number, kNumberRole);
        item->setEditable(false);
        m_list->appendRow(item);
        known = known || model.number == settings.model;
    }
    if (!known) {
        // Kept as it was set, though this Hamlib does not know it.
        auto* item = new QStandardItem(QStringLiteral("Model %1 (unknown to this Hamlib)").arg(settings.model));
        item->setData(settings.model, kNumberRole);
        item->setEditable(false);
        m_list->insertRow(0, item);
    }
    m_filter->setSourceModel(m_list);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_models->setObjectName(QStringLiteral("model"));
    m_models->setModel(m_filter);
    m_models->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_models->setMinimumSize(360, 200);
    const QModelIndexList current
        = m_filter->match(m_filter->index(0, 0), kNumberRole, settings.model, 1, Qt::MatchExactly);
    if (!current.isEmpty()) {
        m_models->setCurrentIndex(current.front());
        m_models->scrollTo(current.front(), QAbstractItemView::PositionAtCenter);
    }
    connect(m_models->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& index) {
        if (index.isValid())
            m_model = index.data(kNumberRole).toInt();
    });
    connect(m_search, &QLineEdit::textChanged, this, &RigDialog::narrow);

    m_port->setObjectName(QStringLiteral("port"));
    m_port->setToolTip(QStringLiteral("Serial device (/dev/ttyUSB0) or host:port of rigctld (localhost:4532)"));
    m_speed->setObjectName(QStringLiteral("speed"));
    m_speed->setRange(0, 115200);
    m_speed->setSpecialValueText(QStringLiteral("model default"));
    m_speed->setValue(settings.speed);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(m_enabled);
    form->addRow(QStringLiteral("Search:"), m_search);
    form->addRow(QStringLiteral("Radio:"), m_models);
    form->addRow(QStringLiteral("Port:"), m_port);
    form->addRow(QStringLiteral("Serial speed:"), m_speed);
    form->addRow(buttons);
    setTabOrder(m_enabled, m_search);
    setTabOrder(m_search, m_models);
    setTabOrder(m_models, m_port);
    setTabOrder(m_port, m_speed);
}

// The list keeps the radios whose text holds the search; the first of them is chosen when the
// one chosen before is not among them.
void RigDialog::narrow(const QString& text)
{
    m_filter->setFilterFixedString(text.trimmed());
    const QModelIndexList kept = m_filter->match(m_filter->index(0, 0), kNumberRole, m_model, 1, Qt::MatchExactly);
    const QModelIndex current = kept.isEmpty() ? m_filter->index(0, 0) : kept.front();
    if (current.isValid()) {
        m_models->setCurrentIndex(current);
        m_models->scrollTo(current);
    }
}

RigSettings RigDialog::settings() const
{
    RigSettings settings;
    settings.enabled = m_enabled->isChecked();
    settings.model = m_model;
    const QString port = m_port->text().trimmed();
    if (!port.isEmpty())
        settings.port = port;
    settings.speed = m_speed->value();
    return settings;
}

void RigDialog::accept()
{
    const QString fault = rigSettingsFault(settings());
    if (!fault.isEmpty() && settings().enabled) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Mivra"), fault, QMessageBox::Ok, this);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse);
        box.exec();
        m_port->setFocus(Qt::OtherFocusReason);
        m_port->selectAll();
        return;
    }
    QDialog::accept();
}

} // namespace mivra::rig
