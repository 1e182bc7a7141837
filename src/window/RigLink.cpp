#include "RigLink.h"

#include "BandPlan.h"
#include "EntryRow.h"
#include "MainWindowLayout.h"
#include "Messages.h"
#include "RigControl.h"
#include "RigDialog.h"
#include "RigText.h"
#include "Twips.h"

#include <QLabel>
#include <QTimer>

namespace mivra {

RigLink::RigLink(QWidget* window, EntryRow& entry, Services services)
    : QObject(window)
    , m_entry(entry)
    , m_services(std::move(services))
    , m_control(new rig::RigControl(this))
{
    m_status = placeControl(new QLabel(window), MainWindowLayout::control("rigStatus"));
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(m_control, &rig::RigControl::polled, this, &RigLink::onPolled);
    connect(&entry, &EntryRow::contactStarted, this, &RigLink::onContactStarted);
    m_entry.setFrequencySource([this](const QString& band) { return frequencyOnBand(band); });
    // After the command line had its say.
    QTimer::singleShot(0, this, &RigLink::start);
}

RigLink::~RigLink() = default;

void RigLink::useForThisRun(const rig::RigSettings& settings)
{
    m_forThisRun = settings;
}

void RigLink::start()
{
    QString error;
    const rig::RigSettings settings = m_forThisRun ? *m_forThisRun : rig::readRigSettings(m_services.iniPath, &error);
    if (!error.isEmpty())
        m_services.messages.inform(m_status->window(), error);
    m_reading = {};
    m_band = nullptr;
    m_mode.clear();
    m_status->clear();
    m_control->start(settings);
}

void RigLink::editSettings(QWidget* parent)
{
    QString error;
    const rig::RigSettings settings = m_forThisRun ? *m_forThisRun : rig::readRigSettings(m_services.iniPath, &error);
    if (!error.isEmpty()) {
        // Nothing could be kept in it either.
        m_services.messages.inform(parent, error);
        return;
    }
    rig::RigDialog dialog(settings, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!rig::writeRigSettings(m_services.iniPath, dialog.settings(), &error))
        m_services.messages.inform(parent, error);
    m_forThisRun.reset();
    start();
}

std::optional<double> RigLink::frequencyOnBand(const QString& band) const
{
    if (!m_reading.answering || !m_band || bandOfText(band) != m_band)
        return std::nullopt;
    return m_reading.frequencyHz / 1e6;
}

void RigLink::onPolled(const rig::RigReading& reading)
{
    if (!m_control->isRunning())
        return;
    m_reading = reading;
    QPalette palette = m_status->palette();
    palette.setColor(QPalette::WindowText, reading.answering ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80));
    m_status->setPalette(palette);
    if (!reading.answering) {
        m_status->setText(QStringLiteral("rig: no answer"));
        return;
    }
    m_status->setText(
        QStringLiteral("rig: %1 %2").arg(rig::frequencyText(reading.frequencyHz), reading.mode).trimmed());

    const Band* band = bandAtFrequency(reading.frequencyHz / 1e6);
    if (band != m_band) {
        m_band = band;
        const auto buttons = bandButtons();
        for (int i = 0; band && i < int(buttons.size()); ++i) {
            if (buttons[std::size_t(i)].band == band)
                m_services.selectBand(i);
        }
        if (band && band->value && m_entry.contactBeingTyped())
            m_entry.setBand(band->valueText());
    }
    const QString mode = rig::logMode(reading.mode);
    if (mode != m_mode) {
        m_mode = mode;
        if (!mode.isEmpty() && m_entry.contactBeingTyped())
            m_entry.setMode(mode);
    }
}

void RigLink::onContactStarted()
{
    if (!m_reading.answering)
        return;
    if (m_band && m_band->value)
        m_entry.setBand(m_band->valueText());
    if (!m_mode.isEmpty())
        m_entry.setMode(m_mode);
}

} // namespace mivra
