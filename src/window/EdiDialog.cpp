#include "EdiDialog.h"

#include "ContestDialog.h"
#include "FocusedValueChanges.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace mivra {

namespace {

QDateTimeEdit* utcEdit(const QDateTime& time, QWidget* parent)
{
    auto* edit = new QDateTimeEdit(time.toUTC(), parent);
    edit->setTimeSpec(Qt::UTC);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
    edit->setCalendarPopup(true);
    return edit;
}

// The captions of the station's details, by EDI key, in header order.
const std::pair<const char*, const char*> kStationCaptions[] = {{"PAdr1", "Station address:"},
                                                                {"PClub", "Club:"},
                                                                {"RName", "Responsible name:"},
                                                                {"RCall", "Responsible call:"},
                                                                {"RAdr1", "Address:"},
                                                                {"RPoCo", "Postal code:"},
                                                                {"RCity", "City:"},
                                                                {"RCoun", "Country:"},
                                                                {"RPhon", "Phone:"},
                                                                {"STXEq", "Transmitter:"},
                                                                {"SPowe", "Power (W):"},
                                                                {"SRXEq", "Receiver:"},
                                                                {"SAnte", "Antenna:"},
                                                                {"SAntH", "Antenna height (ground;sea level):"}};

} // namespace

EdiDialog::EdiDialog(const EdiOptions& options, QWidget* parent)
    : QDialog(parent)
    , m_options(options)
    , m_contest(new QLineEdit(options.contestName, this))
    , m_band(new QComboBox(this))
    , m_section(new QComboBox(this))
    , m_from(utcEdit(options.from, this))
    , m_to(utcEdit(options.to, this))
    , m_operators(new QLineEdit(options.operators, this))
    , m_remarks(new QPlainTextEdit(options.remarks.join(u'\n'), this))
{
    setObjectName(QStringLiteral("EdiDialog"));
    setWindowTitle(QStringLiteral("EDI contest log"));
    m_contest->setObjectName(QStringLiteral("contest"));
    m_band->setObjectName(QStringLiteral("band"));
    fillContestBands(m_band, options.bandValue);
    m_section->setObjectName(QStringLiteral("section"));
    m_section->setEditable(true);
    m_section->addItems(
        {QStringLiteral("SINGLE"), QStringLiteral("MULTI"), QStringLiteral("SINGLE-LP"), QStringLiteral("MULTI-LP")});
    if (!options.section.isEmpty())
        m_section->setCurrentText(options.section);
    m_from->setObjectName(QStringLiteral("from"));
    m_to->setObjectName(QStringLiteral("to"));
    m_operators->setObjectName(QStringLiteral("operators"));
    m_remarks->setObjectName(QStringLiteral("remarks"));

    auto* station = new QGroupBox(QStringLiteral("Station (kept for the next contest)"), this);
    auto* stationGrid = new QGridLayout(station);
    int at = 0;
    for (const auto& [key, caption] : kStationCaptions) {
        auto* edit = new QLineEdit(options.station.value(QLatin1String(key)), station);
        edit->setMaxLength(kMaxEdiStationValue);
        edit->setObjectName(QLatin1String(key));
        auto* label = new QLabel(QLatin1String(caption), station);
        label->setBuddy(edit);
        stationGrid->addWidget(label, at / 2, (at % 2) * 2);
        stationGrid->addWidget(edit, at / 2, (at % 2) * 2 + 1);
        m_station.insert(QLatin1String(key), edit);
        ++at;
    }
    m_station.value(QStringLiteral("RCall"))->setPlaceholderText(QStringLiteral("own call without /P"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Contest:"), m_contest);
    form->addRow(QStringLiteral("Band:"), m_band);
    form->addRow(QStringLiteral("Section:"), m_section);
    form->addRow(QStringLiteral("From (UTC):"), m_from);
    form->addRow(QStringLiteral("To (UTC):"), m_to);
    form->addRow(QStringLiteral("Operators:"), m_operators);
    form->addRow(QStringLiteral("Remarks:"), m_remarks);
    form->addRow(station);
    form->addRow(buttons);

    // Tab goes down the form as it is shown: the controls are made in that order, the station's
    // details row by row.
    m_remarks->setTabChangesFocus(true);
    FocusedValueChanges::guard(this);
    m_contest->setFocus(Qt::OtherFocusReason);
}

EdiOptions EdiDialog::options() const
{
    EdiOptions options = m_options;
    options.contestName = m_contest->text().trimmed();
    options.bandValue = m_band->currentData().toString();
    options.section = m_section->currentText().trimmed();
    options.from = m_from->dateTime().toUTC();
    options.to = m_to->dateTime().toUTC();
    options.operators = m_operators->text().trimmed();
    options.remarks = m_remarks->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    for (auto edit = m_station.cbegin(); edit != m_station.cend(); ++edit)
        options.station.insert(edit.key(), edit.value()->text().trimmed());
    options.station.insert(QStringLiteral("MOpe1"), options.operators);
    return options;
}

} // namespace mivra
