#include "EntryRow.h"

#include "BandPlan.h"
#include "Clock.h"
#include "ContactCheck.h"
#include "ContactGeometry.h"
#include "Locator.h"
#include "LogDatabase.h"
#include "Messages.h"
#include "Twips.h"
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

} // namespace

EntryRow::EntryRow(QWidget* window, QLineEdit* ownLocator, Services services)
    : QObject(window)
    , m_window(window)
    , m_ownLocator(ownLocator)
    , m_services(std::move(services))
{
    struct Caption {
        const char* name;
        const char* text;
        int left;
        int width;
        int height;
    };
    static constexpr Caption captions[] = {
        {"Label4", "Date", 3120, 495, 255},     {"Label5", "GMT", 3960, 495, 255},
        {"Label6", "Callsign", 4920, 615, 255}, {"Label7", "Grid", 6240, 375, 255},
        {"Label8", "RSTs", 7080, 495, 255},     {"Label9", "RSTr", 7710, 495, 255},
        {"Label10", "Band", 8400, 495, 255},    {"Label11", "Mode", 9000, 495, 255},
        {"Label14", "Name", 9720, 615, 255},    {"Label12", "Comment", 10320, 735, 255},
        {"Label13", "QSL", 11160, 375, 375},    {"Label15", "Prop", 11520, 495, 255},
    };
    for (const Caption& c : captions) {
        auto* label = new QLabel(QString::fromLatin1(c.text), window);
        label->setObjectName(QString::fromLatin1(c.name));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(twipRect(c.left, 480, c.width, c.height));
    }

    auto makeField = [window](const char* name, int left, int width) {
        auto* field = new QLineEdit(window);
        field->setObjectName(QString::fromLatin1(name));
        field->setGeometry(twipRect(left, 840, width, 285));
        return field;
    };
    m_date = makeField("Da", 3000, 975);
    m_time = makeField("GM", 4080, 495);
    m_callsign = makeField("Ca", 4680, 1215);
    m_locator = makeField("Gr", 6000, 975);
    // Rss and Rr hold a report and a contest serial ("59 005").
    m_reportSent = makeField("Rss", 7080, 615);
    m_reportReceived = makeField("Rr", 7710, 615);
    m_band = makeField("Ba", 8340, 555);
    m_mode = makeField("mo", 9000, 495);
    m_name = makeField("Na", 9600, 615);
    m_comment = makeField("Co", 10320, 735);
    m_qslState = makeField("Qs", 11130, 255);
    m_propagation = makeField("Pr", 11520, 375);
    m_qslState->setToolTip(QStringLiteral("Must contain N orY orT or B or D or Q default Y"));
    m_propagation->setToolTip(QStringLiteral("default TR, can contain Au, ES, Rs, Ms"));
    m_callsign->setValidator(new UpperCaseValidator(m_callsign));
    m_locator->setValidator(new UpperCaseValidator(m_locator));

    m_addnew = new QPushButton(QStringLiteral("New"), window);
    m_addnew->setObjectName(QStringLiteral("addnew"));
    m_addnew->setToolTip(QStringLiteral("input new QSO"));
    m_addnew->setGeometry(twipRect(12000, 585, 540, 510));
    m_save = new QPushButton(QStringLiteral("Save"), window);
    m_save->setObjectName(QStringLiteral("Save"));
    m_save->setGeometry(twipRect(12650, 585, 590, 510));
    connect(m_addnew, &QPushButton::clicked, this, &EntryRow::addNew);
    connect(m_save, &QPushButton::clicked, this, &EntryRow::save);

    m_entity = new QLabel(window);
    m_entity->setObjectName(QStringLiteral("cou"));
    m_entity->setGeometry(twipRect(5040, 120, 1695, 255));

    for (QObject* watched :
         {static_cast<QObject*>(m_date), static_cast<QObject*>(m_time), static_cast<QObject*>(m_callsign),
          static_cast<QObject*>(m_locator), static_cast<QObject*>(m_reportSent),
          static_cast<QObject*>(m_reportReceived), static_cast<QObject*>(m_band), static_cast<QObject*>(m_mode),
          static_cast<QObject*>(m_name), static_cast<QObject*>(m_comment), static_cast<QObject*>(m_qslState),
          static_cast<QObject*>(m_propagation), static_cast<QObject*>(m_save), static_cast<QObject*>(m_addnew)})
        watched->installEventFilter(this);

    connect(qApp, &QApplication::focusChanged, this, &EntryRow::onFocusChanged);
}

QLineEdit* EntryRow::field(const QString& name) const
{
    return m_window->findChild<QLineEdit*>(name, Qt::FindDirectChildrenOnly);
}

bool EntryRow::eventFilter(QObject* watched, QEvent* event)
{
    if (isKey(event, Qt::Key_Escape)) {
        clearContact();
        return true;
    }
    if (!isEnter(event))
        return QObject::eventFilter(watched, event);
    if (watched == m_save || watched == m_addnew) {
        static_cast<QPushButton*>(watched)->click();
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
        leaveCallsign();
    else if (old == m_locator)
        leaveLocator(now);
    else if (old == m_ownLocator)
        leaveOwnLocator();
}

void EntryRow::focusLater(QWidget* target)
{
    const int generation = m_focusGeneration;
    QTimer::singleShot(0, target, [this, target, generation] { moveFocus(target, generation); });
}

void EntryRow::moveFocus(QWidget* target, int generation)
{
    if (generation != m_focusGeneration)
        return;
    // A button still held down keeps the focus until it is released, so that its click is not lost.
    auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
    if (button && button->isDown() && QGuiApplication::mouseButtons() != Qt::NoButton) {
        connect(
            button, &QAbstractButton::released, target,
            [this, target, generation] {
                QTimer::singleShot(0, target, [this, target, generation] { moveFocus(target, generation); });
            },
            Qt::SingleShotConnection);
        return;
    }
    m_refused = false;
    target->setFocus(Qt::OtherFocusReason);
}

void EntryRow::leaveCallsign()
{
    if (m_callsign->text().isEmpty()) {
        focusLater(m_callsign);
        return;
    }
    if (findDxcc())
        focusLater(m_locator);
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
    return geo::IsLocatorValid(utf16View(m_locator->text()));
}

void EntryRow::refuseLocator()
{
    m_refused = true;
    m_locator->clear();
    m_services.messages.inform(m_window, QStringLiteral("Locator input incorrect"));
    focusLater(m_callsign);
}

void EntryRow::leaveLocator(QWidget* now)
{
    if (!m_locator->text().isEmpty() && !locatorAccepted())
        refuseLocator();
    if (m_locator->text().isEmpty()) {
        // Going back to the callsign to mend it keeps the focus there: sent on to Rss, it would leave
        // the callsign, whose check hands the focus straight back to the locator.
        if (now != m_callsign)
            focusLater(m_reportSent);
        return;
    }
    computeGeometry();
}

void EntryRow::computeGeometry()
{
    m_geometryLocator.clear();
    m_geometryOwnLocator = m_ownLocator->text();
    if (m_services.geometry.CalcContactGeometry(utf16View(m_geometryOwnLocator), utf16View(m_locator->text())))
        m_geometryLocator = m_locator->text();
    emit locatorChecked(m_locator->text(), !m_geometryLocator.isEmpty());
}

void EntryRow::leaveOwnLocator()
{
    const QString text = m_ownLocator->text();
    if (text.isEmpty() || geo::IsLocatorValid(utf16View(text)))
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
    typed.grid = m_locator->text();
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
    if (!qso.grid.isEmpty() && qso.grid == m_geometryLocator && m_ownLocator->text() == m_geometryOwnLocator) {
        qso.qrb = m_services.geometry.QrbKm;
        qso.qtf = m_services.geometry.QtfDeg;
    }
    QString error;
    if (!m_services.log.saveQso(qso, &error)) {
        // The operator learns why: the message of the log beneath the usual one.
        m_services.messages.inform(m_window, QStringLiteral("No new Recorset available") + u"\n\n"_qs + error);
        return;
    }
    for (QLineEdit* field : fields())
        field->clear();
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
    m_refused = false;
    m_addnew->setFocus(Qt::OtherFocusReason);
    ++m_focusGeneration;
}

} // namespace mivra
