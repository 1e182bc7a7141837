#include "StationDialog.h"

#include "ConfirmationCount.h"
#include "Messages.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

namespace mivra {

StationDialog::StationDialog(QString iniPath, Messages& messages, QWidget* parent)
    : QDialog(parent)
    , m_iniPath(std::move(iniPath))
    , m_messages(messages)
    , m_choice(new QComboBox(this))
    , m_name(new QLineEdit(this))
    , m_callsign(new QLineEdit(this))
    , m_locator(new QLineEdit(this))
    , m_operator(new QLineEdit(this))
    , m_power(new QLineEdit(this))
    , m_equipment(new QLineEdit(this))
    , m_counting(new QComboBox(this))
{
    setObjectName(QStringLiteral("StationDialog"));
    setWindowTitle(QStringLiteral("Station"));
    QString error;
    m_stations = readStationProfiles(m_iniPath, &error);
    if (!error.isEmpty())
        m_messages.inform(this, error);
    const std::pair<QLineEdit*, const char*> names[]
        = {{m_name, "name"},         {m_callsign, "callsign"}, {m_locator, "locator"},
           {m_operator, "operator"}, {m_power, "power"},       {m_equipment, "equipment"}};
    for (const auto& [box, name] : names)
        box->setObjectName(QLatin1String(name));
    m_choice->setObjectName(QStringLiteral("profile"));
    m_counting->setObjectName(QStringLiteral("counting"));

    m_choice->addItem(QStringLiteral("(none: the settings' callsign and locator)"));
    for (const StationProfile& profile : m_stations.profiles)
        m_choice->addItem(profile.name);
    m_counting->addItems(confirmationCountCaptions());
    m_counting->setCurrentIndex(int(readConfirmationCount(m_iniPath)));

    auto* add = new QPushButton(QStringLiteral("&New profile"), this);
    add->setObjectName(QStringLiteral("newProfile"));
    auto* remove = new QPushButton(QStringLiteral("&Delete profile"), this);
    remove->setObjectName(QStringLiteral("deleteProfile"));
    auto* profileButtons = new QHBoxLayout;
    profileButtons->addWidget(add);
    profileButtons->addWidget(remove);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Save)->setText(QStringLiteral("&Save"));

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Station in use:"), m_choice);
    form->addRow(profileButtons);
    form->addRow(QStringLiteral("Profile name:"), m_name);
    form->addRow(QStringLiteral("Callsign used:"), m_callsign);
    form->addRow(QStringLiteral("Locator:"), m_locator);
    form->addRow(QStringLiteral("Operator:"), m_operator);
    form->addRow(QStringLiteral("Power (W):"), m_power);
    form->addRow(QStringLiteral("Equipment:"), m_equipment);
    form->addRow(QStringLiteral("Confirmed counts:"), m_counting);
    form->addRow(buttons);

    const StationProfile* active = m_stations.activeProfile();
    m_choice->setCurrentIndex(active ? int(active - m_stations.profiles.data()) + 1 : 0);
    showProfile(m_choice->currentIndex() - 1);
    connect(m_choice, &QComboBox::activated, this, [this](int index) {
        if (index - 1 == m_shown)
            return;
        if (!keepShown()) {
            m_choice->setCurrentIndex(m_shown + 1);
            return;
        }
        showProfile(index - 1);
    });
    connect(add, &QPushButton::clicked, this, &StationDialog::addProfile);
    connect(remove, &QPushButton::clicked, this, &StationDialog::removeProfile);
    connect(buttons, &QDialogButtonBox::accepted, this, &StationDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void StationDialog::showProfile(int index)
{
    m_shown = index;
    const StationProfile shown = index >= 0 ? m_stations.profiles[std::size_t(index)] : StationProfile{};
    m_name->setText(shown.name);
    m_callsign->setText(shown.callsign);
    m_locator->setText(shown.locator);
    m_operator->setText(shown.operatorCall);
    m_power->setText(shown.power);
    m_equipment->setText(shown.equipment);
    for (QLineEdit* box : {m_name, m_callsign, m_locator, m_operator, m_power, m_equipment})
        box->setEnabled(index >= 0);
}

bool StationDialog::keepShown()
{
    if (m_shown < 0)
        return true;
    StationProfile profile{m_name->text().trimmed(),
                           m_callsign->text().trimmed().toUpper(),
                           m_locator->text().trimmed().toUpper(),
                           m_operator->text().trimmed().toUpper(),
                           m_power->text().trimmed(),
                           m_equipment->text().trimmed()};
    std::vector<StationProfile> others = m_stations.profiles;
    others.erase(others.begin() + m_shown);
    const QString refusal = profileRefusal(profile, others);
    if (!refusal.isEmpty()) {
        m_messages.inform(this, refusal);
        return false;
    }
    m_stations.profiles[std::size_t(m_shown)] = profile;
    m_choice->setItemText(m_shown + 1, profile.name);
    return true;
}

void StationDialog::addProfile()
{
    if (!keepShown())
        return;
    QString name = QStringLiteral("Station %1").arg(m_stations.profiles.size() + 1);
    for (int n = int(m_stations.profiles.size()) + 2; m_stations.find(name); ++n)
        name = QStringLiteral("Station %1").arg(n);
    m_stations.profiles.push_back({name, {}, {}, {}, {}, {}});
    m_choice->addItem(name);
    m_choice->setCurrentIndex(m_choice->count() - 1);
    showProfile(m_choice->count() - 2);
    m_callsign->setFocus();
}

void StationDialog::removeProfile()
{
    if (m_shown < 0)
        return;
    m_stations.profiles.erase(m_stations.profiles.begin() + m_shown);
    m_choice->removeItem(m_shown + 1);
    m_choice->setCurrentIndex(0);
    showProfile(-1);
}

void StationDialog::save()
{
    if (!keepShown())
        return;
    m_stations.active = m_shown >= 0 ? m_stations.profiles[std::size_t(m_shown)].name : QString();
    QString error;
    if (!writeStationProfiles(m_iniPath, m_stations, &error)
        || !writeConfirmationCount(m_iniPath, confirmationCountOf(m_counting->currentIndex()), &error)) {
        m_messages.inform(this, error);
        return;
    }
    accept();
}

} // namespace mivra
