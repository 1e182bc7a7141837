#include "OperatingAids.h"

#include "BandPlan.h"
#include "EntryRow.h"
#include "LogDatabase.h"
#include "MainWindowLayout.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>

namespace mivra {

namespace {

enum class Aid { Plain, Figure, Mark };

QLabel* makeAid(QWidget* window, const char* name, Aid kind)
{
    auto* label = placeControl(new QLabel(window), MainWindowLayout::control(name));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    if (kind != Aid::Plain) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    if (kind == Aid::Mark) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, QColor(0xD0, 0x00, 0x00));
        label->setPalette(palette);
    }
    return label;
}

// "wkd 3 on 144, 5 all, last 2025-06-12"; empty when the station was never worked.
QString workedBeforeText(const WorkedBefore& worked, const QString& bandPattern)
{
    if (worked.allBands == 0)
        return {};
    QString text = bandPattern.isEmpty() ? QStringLiteral("wkd %1 all").arg(worked.allBands)
                                         : QStringLiteral("wkd %1 on %2, %3 all")
                                               .arg(worked.onBand)
                                               .arg(bandValue(bandPattern))
                                               .arg(worked.allBands);
    if (worked.last.isValid())
        text += QStringLiteral(", last ") + worked.last.toString(QStringLiteral("yyyy-MM-dd"));
    return text;
}

// "482 km  256°"
QString distanceHeadingText(double km, double degrees)
{
    const QLocale locale;
    return locale.toString(km, 'f', 0) + QStringLiteral(" km  ") + locale.toString(degrees, 'f', 0)
           + QStringLiteral("°");
}

} // namespace

OperatingAids::OperatingAids(QWidget* window, EntryRow& entry, QLineEdit* ownLocator, Services services)
    : QObject(window)
    , m_history(services.log)
    , m_services(std::move(services))
{
    // Two rows between cou and "My Callsign:", above the entry captions: the station's history, then
    // distance and heading with the marks of what is new.
    m_workedBefore = makeAid(window, "workedBefore", Aid::Plain);
    m_distanceHeading = makeAid(window, "distanceHeading", Aid::Figure);
    m_newSquare = makeAid(window, "newSquare", Aid::Mark);
    m_newDxcc = makeAid(window, "newDxcc", Aid::Mark);

    connect(&entry, &EntryRow::callsignChecked, this, &OperatingAids::showCallsign);
    connect(&entry, &EntryRow::locatorChecked, this, &OperatingAids::showLocator);
    for (auto signal : {&EntryRow::contactStarted, &EntryRow::saved}) {
        connect(&entry, signal, this, &OperatingAids::clearCallsign);
        connect(&entry, signal, this, &OperatingAids::clearLocator);
    }
    connect(&entry, &EntryRow::callsignEdited, this, &OperatingAids::clearCallsign);
    connect(&entry, &EntryRow::locatorEdited, this, &OperatingAids::clearLocator);
    connect(ownLocator, &QLineEdit::textChanged, m_distanceHeading, &QLabel::clear);
}

void OperatingAids::showCallsign(const QString& callsign, const QString& entity)
{
    m_callsign = callsign;
    m_entity = entity;
    lookUpCallsign();
}

void OperatingAids::showLocator(const QString& locator, bool hasDistance, double distanceKm, double headingDeg)
{
    m_locator = locator;
    m_distanceHeading->setText(hasDistance ? distanceHeadingText(distanceKm, headingDeg) : QString());
    lookUpSquare();
}

void OperatingAids::bandChanged()
{
    if (!m_callsign.isEmpty())
        lookUpCallsign();
    if (!m_locator.isEmpty())
        lookUpSquare();
}

void OperatingAids::lookUpCallsign()
{
    const QString band = m_services.bandPattern();
    const std::optional<WorkedBefore> worked = m_history.workedBefore(m_callsign, band);
    m_workedBefore->setText(worked ? workedBeforeText(*worked, band) : QString());
    const std::optional<bool> entityWorked = m_entity.isEmpty() ? std::nullopt : m_history.entityWorked(m_entity, band);
    m_newDxcc->setText(entityWorked == false ? QStringLiteral("NEW DXCC") : QString());
}

void OperatingAids::lookUpSquare()
{
    const std::optional<bool> worked = m_history.squareWorked(m_locator, m_services.bandPattern());
    m_newSquare->setText(worked == false ? QStringLiteral("NEW SQUARE") : QString());
}

void OperatingAids::clearCallsign()
{
    m_callsign.clear();
    m_entity.clear();
    m_workedBefore->clear();
    m_newDxcc->clear();
}

void OperatingAids::clearLocator()
{
    m_locator.clear();
    m_distanceHeading->clear();
    m_newSquare->clear();
}

} // namespace mivra
