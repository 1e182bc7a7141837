#include "ContestDialog.h"

#include "BandPlan.h"
#include "FocusedValueChanges.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace mivra {

namespace {

QDateTimeEdit* utcEdit(const QDateTime& time, const char* name, QWidget* parent)
{
    auto* edit = new QDateTimeEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
    edit->setCalendarPopup(true);
    edit->setDateTime(time.toUTC());
    return edit;
}

} // namespace

void fillContestBands(QComboBox* box, const QString& band)
{
    for (const Band& contestBand : bandPlan()) {
        if (contestBand.value && contestBand.ediText)
            box->addItem(QString::fromLatin1(contestBand.ediText), contestBand.valueText());
    }
    const int index = box->findData(band);
    box->setCurrentIndex(index >= 0 ? index : 0);
}

ContestDialog::ContestDialog(const ContestSettings& contest, const QStringList& stations, QWidget* parent)
    : QDialog(parent)
    , m_name(new QLineEdit(contest.name, this))
    , m_start(utcEdit(contest.start, "start", this))
    , m_end(utcEdit(contest.end, "end", this))
    , m_band(new QComboBox(this))
    , m_station(new QComboBox(this))
{
    setObjectName(QStringLiteral("ContestDialog"));
    setWindowTitle(QStringLiteral("Contest"));
    m_name->setObjectName(QStringLiteral("name"));
    m_band->setObjectName(QStringLiteral("band"));
    fillContestBands(m_band, contest.band);
    m_station->setObjectName(QStringLiteral("station"));
    m_station->addItem(QStringLiteral("(the station in use)"), QString());
    for (const QString& station : stations)
        m_station->addItem(station, station);
    const int station = m_station->findData(contest.station, Qt::UserRole, Qt::MatchFixedString);
    m_station->setCurrentIndex(station >= 0 ? station : 0);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Start"));
    QPushButton* end = buttons->addButton(QStringLiteral("&End contest"), QDialogButtonBox::DestructiveRole);
    end->setObjectName(QStringLiteral("endContest"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(end, &QPushButton::clicked, this, [this] { done(kEnded); });

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Contest:"), m_name);
    form->addRow(QStringLiteral("Band:"), m_band);
    form->addRow(QStringLiteral("Station:"), m_station);
    form->addRow(QStringLiteral("From (UTC):"), m_start);
    form->addRow(QStringLiteral("To (UTC):"), m_end);
    form->addRow(buttons);

    // Tab goes down the fields as they are shown; the wheel turns no value it merely passes over.
    QWidget::setTabOrder(m_name, m_band);
    QWidget::setTabOrder(m_band, m_station);
    QWidget::setTabOrder(m_station, m_start);
    QWidget::setTabOrder(m_start, m_end);
    QWidget::setTabOrder(m_end, buttons);
    FocusedValueChanges::guard(this);
    m_name->setFocus(Qt::OtherFocusReason);
}

ContestSettings ContestDialog::contest() const
{
    ContestSettings contest;
    contest.name = m_name->text().trimmed();
    contest.start = m_start->dateTime().toUTC();
    contest.end = m_end->dateTime().toUTC();
    contest.band = m_band->currentData().toString();
    contest.station = m_station->currentData().toString();
    return contest;
}

} // namespace mivra
