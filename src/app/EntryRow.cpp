#include "EntryRow.h"

#include "BandPlan.h"
#include "Clock.h"
#include "ContactGeometry.h"
#include "LogDatabase.h"
#include "Locator.h"
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

namespace mivra {

namespace {

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
    struct Caption { const char* name; const char* text; int left; int width; int height; };
    static constexpr Caption captions[] = {
        {"Label4", "Date", 3120, 495, 255},   {"Label5", "GMT", 3960, 495, 255},
        {"Label6", "Callsign", 4920, 615, 255}, {"Label7", "Grid", 6240, 375, 255},
        {"Label8", "RSTs", 7080, 495, 255},   {"Label9", "RSTr", 7560, 495, 255},
        {"Label10", "Band", 8280, 615, 255},  {"Label11", "Mode", 9000, 495, 255},
        {"Label14", "Name", 9720, 615, 255},  {"Label12", "Comment", 10320, 735, 255},
        {"Label13", "QSL", 11160, 375, 375},  {"Label15", "Prop", 11520, 495, 255},
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
    m_da = makeField("Da", 3000, 975);
    m_gm = makeField("GM", 4080, 495);
    m_ca = makeField("Ca", 4680, 1215);
    m_gr = makeField("Gr", 6000, 975);
    m_rss = makeField("Rss", 7080, 375);
    m_rr = makeField("Rr", 7560, 375);
    m_ba = makeField("Ba", 8040, 855);
    m_mo = makeField("mo", 9000, 495);
    m_na = makeField("Na", 9600, 615);
    m_co = makeField("Co", 10320, 735);
    m_qs = makeField("Qs", 11130, 255);
    m_pr = makeField("Pr", 11520, 375);
    m_qs->setToolTip(QStringLiteral("Must contain N orY orT or B or D or Q default Y"));
    m_pr->setToolTip(QStringLiteral("default TR, can contain Au, ES, Rs, Ms"));
    m_ca->setValidator(new UpperCaseValidator(m_ca));
    m_gr->setValidator(new UpperCaseValidator(m_gr));

    m_addnew = new QPushButton(QStringLiteral("New"), window);
    m_addnew->setObjectName(QStringLiteral("addnew"));
    m_addnew->setToolTip(QStringLiteral("input new QSO"));
    m_addnew->setGeometry(twipRect(12000, 585, 540, 510));
    m_save = new QPushButton(QStringLiteral("Save"), window);
    m_save->setObjectName(QStringLiteral("Save"));
    m_save->setGeometry(twipRect(12650, 585, 590, 510));
    connect(m_addnew, &QPushButton::clicked, this, &EntryRow::addNew);
    connect(m_save, &QPushButton::clicked, this, &EntryRow::save);

    m_cou = new QLabel(window);
    m_cou->setObjectName(QStringLiteral("cou"));
    m_cou->setGeometry(twipRect(5040, 120, 1695, 255));

    for (QObject* watched : {static_cast<QObject*>(m_ca), static_cast<QObject*>(m_gr), static_cast<QObject*>(m_rss),
                             static_cast<QObject*>(m_rr), static_cast<QObject*>(m_ba), static_cast<QObject*>(m_mo),
                             static_cast<QObject*>(m_na), static_cast<QObject*>(m_co), static_cast<QObject*>(m_qs),
                             static_cast<QObject*>(m_pr), static_cast<QObject*>(m_save), static_cast<QObject*>(m_addnew)})
        watched->installEventFilter(this);

    connect(qApp, &QApplication::focusChanged, this, &EntryRow::onFocusChanged);
}

QLineEdit* EntryRow::field(const QString& name) const
{
    return m_window->findChild<QLineEdit*>(name, Qt::FindDirectChildrenOnly);
}

bool EntryRow::eventFilter(QObject* watched, QEvent* event)
{
    if (!isEnter(event))
        return QObject::eventFilter(watched, event);
    if (watched == m_save || watched == m_addnew) {
        static_cast<QPushButton*>(watched)->click();
        return true;
    }
    const std::pair<QObject*, QWidget*> enterPath[] = {
        {m_ca, m_gr}, {m_gr, m_rss}, {m_rss, m_rr}, {m_rr, m_ba}, {m_ba, m_mo},
        {m_mo, m_na}, {m_na, m_co}, {m_co, m_qs}, {m_qs, m_pr}, {m_pr, m_save},
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
    if (old == m_ca)
        leaveCallsign();
    else if (old == m_gr)
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
    if (m_ca->text().isEmpty()) {
        focusLater(m_ca);
        return;
    }
    if (findDxcc())
        focusLater(m_gr);
}

bool EntryRow::findDxcc()
{
    const DxccResult result = m_services.log.findDxcc(m_ca->text());
    if (result.status == DxccStatus::Found) {
        m_cou->setText(result.entity);
        m_checkedCallsign = m_ca->text();
        emit callsignChecked(m_ca->text(), result.entity);
        return true;
    }
    m_refused = true;
    if (result.status == DxccStatus::NoMatch)
        m_services.messages.inform(m_window, QStringLiteral("Callsign not allowed"));
    m_ca->clear();
    focusLater(m_ca);
    return false;
}

bool EntryRow::locatorAccepted()
{
    m_gr->setText(m_gr->text().toUpper());
    return geo::IsLocatorValid(utf16View(m_gr->text()));
}

void EntryRow::refuseLocator()
{
    m_refused = true;
    m_gr->clear();
    m_services.messages.inform(m_window, QStringLiteral("Locator input incorrect"));
    focusLater(m_ca);
}

void EntryRow::leaveLocator(QWidget* now)
{
    if (!m_gr->text().isEmpty() && !locatorAccepted())
        refuseLocator();
    if (m_gr->text().isEmpty()) {
        // Going back to the callsign to mend it keeps the focus there: sent on to Rss, it would leave
        // the callsign, whose check hands the focus straight back to the locator.
        if (now != m_ca)
            focusLater(m_rss);
        return;
    }
    computeGeometry();
}

void EntryRow::computeGeometry()
{
    m_geometryLocator.clear();
    m_geometryOwnLocator = m_ownLocator->text();
    if (m_services.geometry.CalcContactGeometry(utf16View(m_geometryOwnLocator), utf16View(m_gr->text())))
        m_geometryLocator = m_gr->text();
    emit locatorChecked(m_gr->text(), !m_geometryLocator.isEmpty());
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
        for (QLineEdit* field : {m_gm, m_da, m_rss, m_rr, m_mo, m_qs, m_pr})
            field->clear();
        return;
    }
    const QDateTime now = m_services.clock.nowUtc();
    m_da->setText(now.toString(QStringLiteral("yyyy-MM-dd")));
    m_gm->setText(now.toString(QStringLiteral("HH:mm")));
    m_rss->setText(QStringLiteral("59"));
    m_rr->setText(QStringLiteral("59"));
    m_mo->setText(QStringLiteral("SSB"));
    m_qs->setText(QStringLiteral("Y"));
    m_pr->setText(QStringLiteral("Tr"));
    m_ba->setText(bandValue(pattern));
    ++m_focusGeneration;
    m_refused = false;
    m_ca->setFocus(Qt::OtherFocusReason);
    emit contactStarted();
}

void EntryRow::save()
{
    // The click that left a refused field stores nothing: its message is shown, the focus is on its way.
    if (m_refused)
        return;
    // Checks the leave events have not run for the text now in the fields run here.
    if (!m_ca->text().isEmpty() && m_ca->text() != m_checkedCallsign && !findDxcc())
        return;
    if (!m_gr->text().isEmpty() && !locatorAccepted()) {
        refuseLocator();
        return;
    }

    Contact qso;
    qso.date = m_da->text();
    qso.gmt = m_gm->text();
    qso.callsign = m_ca->text();
    qso.grid = m_gr->text();
    qso.rsts = m_rss->text();
    qso.rstr = m_rr->text();
    qso.band = m_ba->text();
    qso.mode = m_mo->text();
    qso.name = m_na->text();
    qso.comment = m_co->text();
    qso.qsl = m_qs->text();
    qso.prop = m_pr->text();
    qso.dxcc = m_cou->text();
    if (!qso.grid.isEmpty() && qso.grid == m_geometryLocator && m_ownLocator->text() == m_geometryOwnLocator) {
        qso.qrb = m_services.geometry.QrbKm;
        qso.qtf = m_services.geometry.QtfDeg;
    }
    if (!m_services.log.saveQso(qso)) {
        m_services.messages.inform(m_window, QStringLiteral("No new Recorset available"));
        return;
    }
    for (QLineEdit* field : {m_da, m_gm, m_ca, m_gr, m_rss, m_rr, m_ba, m_mo, m_na, m_qs, m_co, m_pr})
        field->clear();
    emit saved();
}

} // namespace mivra
