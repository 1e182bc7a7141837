#include "ContactCheck.h"

#include "QslState.h"

#include "BandPlan.h"
#include "ErrorText.h"
#include "Locator.h"
#include "StoredDateTime.h"
#include "Utf16View.h"

#include <QRegularExpression>

namespace mivra {

namespace {

std::optional<QString> refuse(QString* reason, const QString& message)
{
    setError(reason, message);
    return std::nullopt;
}

} // namespace

std::optional<QString> checkedDate(const QString& text, QString* reason)
{
    const QDate date = readStoredDate(text);
    if (!date.isValid() || date.year() < 1900)
        return refuse(reason, QStringLiteral("Date: \"%1\" is not a calendar day; "
                                             "type it as yyyy-MM-dd (or dd.MM.yyyy)")
                                  .arg(text));
    return storedDateText(date);
}

std::optional<QString> checkedTime(const QString& text, QString* reason)
{
    const QTime time = readStoredTime(text);
    if (!time.isValid())
        return refuse(reason, QStringLiteral("GMT: \"%1\" is not a time of day; "
                                             "type it as HH:mm, from 00:00 to 23:59")
                                  .arg(text));
    return storedTimeText(time);
}

std::optional<QString> checkedBand(const QString& text, QString* reason)
{
    const QString trimmed = text.trimmed();
    if (const Band* band = bandWithValue(trimmed))
        return band->valueText();
    if (const Band* band = bandWithAdifName(trimmed); band && band->value)
        return band->valueText();
    // A frequency stays as typed when the band filter (LIKE value%) finds it under its band.
    static const QRegularExpression frequency(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    const Band* band = frequency.match(trimmed).hasMatch() ? bandOfText(trimmed) : nullptr;
    if (band && band->value && trimmed.startsWith(band->valueText()))
        return trimmed;
    return refuse(reason, QStringLiteral("Band: \"%1\" is not a band of the log; type a band value of the band "
                                         "buttons (144, 432, 14200 ...), an ADIF band name (2m, 70cm ...) or a "
                                         "frequency that begins with its band value (144.300)")
                              .arg(text));
}

std::optional<QString> checkedQslState(const QString& text, QString* reason)
{
    const QslState* state = qslStateOf(text);
    if (!state)
        return refuse(reason, QStringLiteral("QSL: \"%1\" is not a QSL state; type one letter of "
                                             "N, Y, T, S, B, D or Q")
                                  .arg(text));
    return QString::fromLatin1(state->letter);
}

std::optional<QString> checkedCallsign(const QString& text, QString* reason)
{
    const QString callsign = text.trimmed().toUpper();
    if (callsign.isEmpty())
        return refuse(reason, QStringLiteral("Callsign: a callsign is needed; type the other station's callsign"));
    return callsign;
}

std::optional<QString> checkedLocator(const QString& text, QString* reason)
{
    const QString locator = text.trimmed().toUpper();
    if (!locator.isEmpty() && !geo::isLocatorValid(utf16View(locator)))
        return refuse(reason, QStringLiteral("Grid: \"%1\" is not a locator (%2); type a Maidenhead locator of "
                                             "4, 6, 8 or 10 characters (JO62QM), or nothing")
                                  .arg(text, locatorFault(locator)));
    return locator;
}

QString locatorFault(const QString& upperText)
{
    const long at = geo::locatorFaultIndex(utf16View(upperText));
    if (at < 0)
        return {};
    if (at == upperText.size())
        return QStringLiteral("it has %1 character%2; a locator has 4, 6, 8 or 10")
            .arg(at)
            .arg(at == 1 ? QString() : QStringLiteral("s"));
    // Field letters, square digits, sub-square letters, then digits and letters again.
    static const char* const kRules[] = {"a letter A-R", "a digit 0-9", "a letter A-X", "a digit 0-9", "a letter A-X"};
    static const char* const kOrdinals[] = {"1st", "2nd", "3rd", "4th", "5th", "6th", "7th", "8th", "9th", "10th"};
    return QStringLiteral("the %1 character \"%2\" must be %3")
        .arg(QLatin1String(kOrdinals[at]), upperText.at(at), QLatin1String(kRules[at / 2]));
}

std::optional<QString> checkedColumn(const QString& column, const QString& text, QString* reason)
{
    using Check = std::optional<QString> (*)(const QString&, QString*);
    static const std::pair<QLatin1StringView, Check> checks[] = {
        {QLatin1StringView("Date"), &checkedDate},         {QLatin1StringView("GMT"), &checkedTime},
        {QLatin1StringView("Callsign"), &checkedCallsign}, {QLatin1StringView("Grid"), &checkedLocator},
        {QLatin1StringView("Band"), &checkedBand},         {QLatin1StringView("QSL"), &checkedQslState},
    };
    for (const auto& [name, check] : checks) {
        if (column.compare(name, Qt::CaseInsensitive) == 0)
            return check(text, reason);
    }
    return text;
}

std::optional<Contact> checkedContact(const Contact& qso, ContactRefusal* refusal)
{
    Contact checked = qso;
    const std::pair<const char*, QString*> fields[] = {
        {"Date", &checked.date},    {"GMT", &checked.gmt},   {"Callsign", &checked.callsign},
        {"Grid", &checked.locator}, {"Band", &checked.band}, {"QSL", &checked.qsl},
    };
    for (const auto& [column, value] : fields) {
        QString reason;
        const std::optional<QString> stored = checkedColumn(QLatin1String(column), *value, &reason);
        if (!stored) {
            if (refusal)
                *refusal = {QLatin1String(column), reason};
            return std::nullopt;
        }
        *value = *stored;
    }
    return checked;
}

} // namespace mivra
