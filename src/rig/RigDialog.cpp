#include "RigDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace mivra::rig {

RigDialog::RigDialog(const RigSettings& settings, QWidget* parent)
    : QDialog(parent)
    , m_enabled(new QCheckBox(QStringLiteral("Read frequency and mode from the radio"), this))
    , m_model(new QSpinBox(this))
    , m_port(new QLineEdit(settings.port, this))
    , m_speed(new QSpinBox(this))
{
    setObjectName(QStringLiteral("RigDialog"));
    setWindowTitle(QStringLiteral("Rig"));
    m_enabled->setObjectName(QStringLiteral("enabled"));
    m_enabled->setChecked(settings.enabled);
    m_model->setObjectName(QStringLiteral("model"));
    m_model->setRange(1, 999999);
    m_model->setValue(settings.model);
    m_model->setToolTip(QStringLiteral("Hamlib model number (rigctl -l lists them); 2 is a running rigctld"));
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
    form->addRow(QStringLiteral("Model:"), m_model);
    form->addRow(QStringLiteral("Port:"), m_port);
    form->addRow(QStringLiteral("Serial speed:"), m_speed);
    form->addRow(buttons);
}

RigSettings RigDialog::settings() const
{
    RigSettings settings;
    settings.enabled = m_enabled->isChecked();
    settings.model = m_model->value();
    const QString port = m_port->text().trimmed();
    if (!port.isEmpty())
        settings.port = port;
    settings.speed = m_speed->value();
    return settings;
}

} // namespace mivra::rig
