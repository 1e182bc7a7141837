#include "EntryRow.h"

#include "BandPlan.h"
#include "Clock.h"
#include "ContactCheck.h"
#include "Locator.h"
#include "LogDatabase.h"
#include "MainWindowLayout.h"
#include "Messages.h"
#include "OtherFields.h"
#include "UpperCaseValidator.h"
#include "Utf16View.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace mivra {

namespace {

// The fields of a contact's ADIF record that a station profile gives, beside its locator.
std::vector<OtherField> stationFields(const StationProfile& station)
{
    std::vector<OtherField> fields;
    const auto add = [&fields](const char* name, const QString& value) {
        if (!value.trimmed().isEmpty())
            fields.push_back({QLatin1String(name), value.trimmed(), 0});
    };
    add("STATION_CALLSIGN", station.callsign.toUpper());
    add("OPERATOR", station.operatorCall.toUpper());
    add("TX_PWR", station.power);
    add("MY_RIG", station.equipment);
    return fields;
}

bool isKey(QEvent* event, Qt::Key key)
{
    return event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == key;
}

bool isEnter(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

// Ctrl+S, Ctrl+Enter and F12 save the contact from anywhere in the entry row.
bool isSaveKey(QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_F12 && modifiers == Qt::NoModifier)
        return true;
    return modifiers == Qt::ControlModifier
           && (key->key() == Qt::Key_S || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
}

} // namespace

EntryRow::EntryRow(QWidget* window, QLineEdit* ownLocator, Services services)
    : QObject(window)
    , m_window(window)
    , m_ownLocator(ownLocator)
    , m_services(std::move(services))
    , m_history(m_services.log)
{
    // The captions above the fields, the fields, New and Save, and the entity, as the layout table places them.
    for (const char* caption : {"Label4", "Label5", "Label6", "Label7", "Label8", "Label9", "Label10", "Label11",
                                "Label14", "Label12", "Label13", "Label15"}) {
        const ControlPlace& place = MainWindowLayout::control(caption);
        placeControl(new QLabel(place.captionText(), window), place)->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    const auto makeField
        = [window](const char* name) { return placeControl(new QLineEdit(window), MainWindowLayout::control(name)); };
    m_date = makeField("Da");
    m_time = makeField("GM");
    m_callsign = makeField("Ca");
    m_locator = makeField("Gr");
    // Rss and Rr hold a report and a contest serial ("59 005").
    m_reportSent = makeField("Rss");
    m_reportReceived = makeField("Rr");
    m_band = makeField("Ba");
    m_mode = makeField("mo");
    m_name = makeField("Na");
    m_comment = makeField("Co");
    m_qslState = makeField("Qs");
    m_propagation = makeField("Pr");
    m_callsign->setValidator(new UpperCaseValidator(m_callsign));
    m_locator->setValidator(new UpperCaseValidator(m_locator));

    const ControlPlace& newPlace = MainWindowLayout::control("addnew");
    m_addnew = placeControl(new QPushButton(newPlace.captionText(), window), newPlace);
    const ControlPlace& savePlace = MainWindowLayout::control("Save");
    m_save = placeControl(new QPushButton(savePlace.captionText(), window), savePlace);
    connect(m_addnew, &QPushButton::clicked, this, &EntryRow::addNew);
    connect(m_save, &QPushButton::clicked, this, &EntryRow::save);

    m_entity = placeControl(new QLabel(window), MainWindowLayout::control("cou"));

    for (QObject* watched :
         {static_cast<QObject*>(m_date), static_cast<QObject*>(m_time), static_cast<QObject*>(m_callsign),
          static_cast<QObject*>(m_locator), static_cast<QObject*>(m_reportSent),
          static_cast<QObject*>(m_reportReceived), static_cast<QObject*>(m_band), static_cast<QObject*>(m_mode),
          static_cast<QObject*>(m_name), static_cast<QObject*>(m_comment), static_cast<QObject*>(m_qslState),
          static_cast<QObject*>(m_propagation), static_cast<QObject*>(m_save), static_cast<QObject*>(m_addnew)})
        watched->installEventFilter(this);

    connect(m_callsign, &QLineEdit::textChanged, this, &EntryRow::callsignEdited);
    connect(m_locator, &QLineEdit::textChanged, this, &EntryRow::locatorEdited);
    connect(qApp, &QApplication::focusChanged, this, &EntryRow::onFocusChanged);
}

QString EntryRow::callsign() const
{
    return m_callsign->text();
}

QString EntryRow::band() const
{
    return m_band->text();
}

QString EntryRow::mode() const
{
    return m_mode->text();
}

bool EntryRow::contactBeingTyped() const
{
    return !m_date->text().isEmpty();
}

void EntryRow::setBand(const QString& band)
{
    m_band->setText(band);
}

void EntryRow::setMode(const QString& mode)
{
    m_mode->setText(mode);
}

void EntryRow::setReportSent(const QString& report)
{
    m_reportSent->setText(report);
}

bool EntryRow::eventFilter(QObject* watched, QEvent* event)
{
    if (isKey(event, Qt::Key_Escape)) {
        clearContact();
        return true;
    }
    if (isSaveKey(event)) {
        save();
        return true;
    }
    if (!isEnter(event))
        return QObject::eventFilter(watched, event);
    if (watched == m_save || watched == m_addnew) {
        static_cast<QPushButton*>(watched)->click();
        return true;
    }
    // In a contest the received report is the last thing typed: Enter there saves.
    if (watched == m_reportReceived && m_contestContact && m_contestContact()) {
        save();
        return true;
    }
    const std::pair<QObject*, QWidget*> enterPath[] = {
        {m_callsign, m_locator},    {m_locator, m_reportSent}, {m_reportSent, m_reportReceived},
        {m_reportReceived, m_band}, {m_band, m_mode},          {m_mode, m_name},
        {m_name, m_comment},        {m_comment, m_qslState},   {m_qslState, m_propagation},
        {m_propagation, m_save},
    };
    for (const auto& [from, to] : enterPath) {
        if (watched == from) {
            to->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

// A field is left when the focus moves to another control of the same window; focus lost to a
// message box, a popup or another window is not leaving. The check runs at once, before the event
// that moved the focus (a click on Save, say) goes on; only the focus moves it makes are queued.
void EntryRow::onFocusChanged(QWidget* old, QWidget* now)
{
    if (!old || !now || now->window() != m_window || old->window() != m_window)
        return;
    if (old == m_callsign)
        leaveCallsign(now);
    else if (old == m_locator)
        leaveLocator(now);
    else if (old == m_ownLocator)
        leaveOwnLocator();
}

void EntryRow::focusLater(QLineEdit* target, bool select)
{
    const int generation = m_focusGeneration;
    QTimer::singleShot(0, target, [this, target, generation, select] { moveFocus(target, generation, select); });
}

void EntryRow::moveFocus(QLineEdit* target, int generation, bool select)
{
    if (generation != m_focusGeneration)
        return;
    // A button still held down keeps the focus until it is released, so that its click is not lost.
    auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
    if (button && button->isDown() && QGuiApplication::mouseButtons() != Qt::NoButton) {
        connect(
            button, &QAbstractButton::released, target,
            [this, target, generation, select] {
                QTimer::singleShot(0, target,
                                   [this, target, generation, select] { moveFocus(target, generation, select); });
            },
            Qt::SingleShotConnection);
        return;
    }
    m_refused = false;
    target->setFocus(Qt::OtherFocusReason);
    if (select)
        target->selectAll();
}

void EntryRow::leaveCallsign(QWidget* now)
{
    // Shift+Tab back to Date or Time (a paper log is typed so) keeps its way; the callsign is checked
    // when it is left forward, or by Save.
    const bool backwards = now == m_date || now == m_time;
    if (m_callsign->text().isEmpty()) {
        if (!backwards)
            focusLater(m_callsign);
        return;
    }
    if (!findDxcc())
        return;
    const bool filled = prefillLocator();
    if (!backwards)
        focusLater(m_locator, filled);
}

bool EntryRow::prefillLocator()
{
    const QString typed = m_locator->text();
    if (!typed.isEmpty() && typed != m_prefilledLocator)
        return false;
    const QString locator = m_history.lastLocator(m_callsign->text()).value_or(QString());
    if (locator == typed)
        return !locator.isEmpty();
    m_locator->setText(locator);
    m_prefilledLocator = locator;
    if (locator.isEmpty())
        return false;
    computeGeometry();
    return true;
}

bool EntryRow::findDxcc()
{
    const DxccResult result = m_services.log.findDxcc(m_callsign->text());
    if (result.status == DxccStatus::Found) {
        m_entity->setText(result.entity);
        m_checkedCallsign = m_callsign->text();
        emit callsignChecked(m_callsign->text(), result.entity);
        return true;
    }
    m_refused = true;
    if (result.status == DxccStatus::NoMatch)
        m_services.messages.inform(m_window, QStringLiteral("Callsign not allowed"));
    m_callsign->clear();
    focusLater(m_callsign);
    return false;
}

bool EntryRow::locatorAccepted()
{
    m_locator->setText(m_locator->text().toUpper());
    return geo::isLocatorValid(utf16View(m_locator->text()));
}

// The text stays, selected, so one character can be mended or the whole typed anew.
void EntryRow::refuseLocator()
{
    m_refused = true;
    const QString text = m_locator->text();
    m_services.messages.inform(m_window,
                               QStringLiteral("Locator input incorrect: %1, %2.").arg(text, locatorFault(text)));
    focusLater(m_locator, true);
}

void EntryRow::leaveLocator(QWidget* now)
{
    if (!m_locator->text().isEmpty() && !locatorAccepted()) {
        refuseLocator();
        return;
    }
    if (m_locator->text().isEmpty()) {
        // Going back to the callsign to mend it keeps the focus there: sent on to Rss, it would leave
        // the callsign, whose check hands the focus straight back to the locator.
        if (now != m_callsign)
            focusLater(m_reportSent);
        return;
    }
    computeGeometry();
}

QString EntryRow::stationLocator() const
{
    const std::optional<StationProfile> station = m_services.station ? m_services.station() : std::nullopt;
    return station ? station->locator : m_ownLocator->text();
}

void EntryRow::computeGeometry()
{
    m_geometryLocator.clear();
    m_geometryOwnLocator = stationLocator();
    if (m_geometry.calculate(utf16View(m_geometryOwnLocator), utf16View(m_locator->text())))
        m_geometryLocator = m_locator->text();
    emit locatorChecked(m_locator->text(), !m_geometryLocator.isEmpty(), m_geometry.qrbKm, m_geometry.qtfDeg);
}

void EntryRow::leaveOwnLocator()
{
    const QString text = m_ownLocator->text();
    if (text.isEmpty() || geo::isLocatorValid(utf16View(text)))
        return;
    m_ownLocator->clear();
    m_services.messages.inform(m_window, QStringLiteral("Locator input incorrect"));
    focusLater(m_ownLocator);
}

void EntryRow::addNew()
{
    const QString pattern = m_services.bandPattern();
    if (pattern.isEmpty()) {
        m_services.messages.inform(m_window, QStringLiteral("Please select Band"));
        for (QLineEdit* field : {m_time, m_date, m_reportSent, m_reportReceived, m_mode, m_qslState, m_propagation})
            field->clear();
        return;
    }
    const QDateTime now = m_services.clock.nowUtc();
    m_date->setText(now.toString(QStringLiteral("yyyy-MM-dd")));
    m_time->setText(now.toString(QStringLiteral("HH:mm")));
    m_reportSent->setText(QStringLiteral("59"));
    m_reportReceived->setText(QStringLiteral("59"));
    m_mode->setText(QStringLiteral("SSB"));
    m_qslState->setText(QStringLiteral("Y"));
    m_propagation->setText(QStringLiteral("Tr"));
    m_band->setText(bandValue(pattern));
    ++m_focusGeneration;
    m_refused = false;
    m_prefilledLocator.clear();
    m_callsign->setFocus(Qt::OtherFocusReason);
    // The kept callsign is selected, so the next one typed replaces it.
    m_callsign->selectAll();
    emit contactStarted();
}

void EntryRow::save()
{
    // The click that left a refused field stores nothing: its message is shown, the focus is on its way.
    if (m_refused)
        return;
    // Checks the leave events have not run for the text now in the fields run here.
    if (!m_callsign->text().isEmpty() && m_callsign->text() != m_checkedCallsign && !findDxcc())
        return;
    if (!m_locator->text().isEmpty() && !locatorAccepted()) {
        refuseLocator();
        return;
    }

    if (std::ranges::all_of(fields(), [](const QLineEdit* field) { return field->text().trimmed().isEmpty(); })) {
        m_services.messages.inform(m_window, QStringLiteral("Nothing to save: the entry fields are empty. "
                                                            "New starts a contact."));
        m_addnew->setFocus(Qt::OtherFocusReason);
        return;
    }

    Contact typed;
    typed.date = m_date->text();
    typed.gmt = m_time->text();
    typed.callsign = m_callsign->text();
    typed.locator = m_locator->text();
    typed.rsts = m_reportSent->text();
    typed.rstr = m_reportReceived->text();
    typed.band = m_band->text();
    typed.mode = m_mode->text();
    typed.name = m_name->text();
    typed.comment = m_comment->text();
    typed.qsl = m_qslState->text();
    typed.prop = m_propagation->text();
    ContactRefusal refusal;
    const std::optional<Contact> checked = checkedContact(typed, &refusal);
    if (!checked) {
        refuseField(refusal);
        return;
    }
    Contact qso = *checked;
    qso.dxcc = m_entity->text();
    if (m_frequencySource)
        qso.frequencyMHz = m_frequencySource(qso.band);
    // Where the contact is made from stays with it, whatever the settings say later.
    const std::optional<StationProfile> station = m_services.station ? m_services.station() : std::nullopt;
    const QString ownLocator = station ? station->locator : m_ownLocator->text();
    if (geo::isLocatorValid(utf16View(ownLocator.trimmed().toUpper())))
        qso.myLocator = ownLocator.trimmed().toUpper();
    if (station)
        qso.otherFields = encodeOtherFields(stationFields(*station));
    if (!qso.locator.isEmpty() && qso.locator == m_geometryLocator && ownLocator == m_geometryOwnLocator) {
        qso.qrb = m_geometry.qrbKm;
        qso.qtf = m_geometry.qtfDeg;
    } else if (!qso.locator.isEmpty() && m_geometry.calculate(utf16View(ownLocator), utf16View(qso.locator))) {
        // The station changed since the locator was checked: reckoned from the one in use now.
        qso.qrb = m_geometry.qrbKm;
        qso.qtf = m_geometry.qtfDeg;
    }
    QString error;
    if (!m_services.log.saveQso(qso, &error)) {
        // The operator learns why: the message of the log beneath the usual one.
        m_services.messages.inform(m_window, QStringLiteral("No new Recorset available") + u"\n\n"_qs + error);
        return;
    }
    for (QLineEdit* field : fields())
        field->clear();
    m_prefilledLocator.clear();
    emit saved();
    // Enter now starts the next contact.
    m_addnew->setFocus(Qt::OtherFocusReason);
    ++m_focusGeneration;
}

std::array<QLineEdit*, 12> EntryRow::fields() const
{
    return {m_date, m_time, m_callsign, m_locator, m_reportSent, m_reportReceived,
            m_band, m_mode, m_name,     m_comment, m_qslState,   m_propagation};
}

void EntryRow::refuseField(const ContactRefusal& refusal)
{
    const std::pair<const char*, QLineEdit*> columns[] = {
        {"Date", m_date},    {"GMT", m_time},  {"Callsign", m_callsign},
        {"Grid", m_locator}, {"Band", m_band}, {"QSL", m_qslState},
    };
    m_services.messages.inform(m_window, refusal.reason);
    for (const auto& [column, field] : columns) {
        if (refusal.column == QLatin1String(column)) {
            // Leave checks the move runs queue their own focus moves: dropped.
            field->setFocus(Qt::OtherFocusReason);
            ++m_focusGeneration;
            field->selectAll();
        }
    }
}

void EntryRow::clearContact()
{
    for (QLineEdit* field : fields())
        field->clear();
    m_entity->clear();
    m_checkedCallsign.clear();
    m_geometryLocator.clear();
    m_prefilledLocator.clear();
    m_refused = false;
    m_addnew->setFocus(Qt::OtherFocusReason);
    ++m_focusGeneration;
}

} // namespace mivra
