#include "ContactCheck.h"

#include "BandPlan.h"
#include "Locator.h"
#include "Utf16View.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

namespace mivra {

namespace {

std::optional<QString> refuse(QString* reason, const QString& message)
{
    if (reason)
        *reason = message;
    return std::nullopt;
}

bool isDigits(QStringView text)
{
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return !text.isEmpty();
}

// Reads day, month and year from "y-m-d" or "d.m.y" made of digits only; an invalid date otherwise.
QDate readDate(const QString& text)
{
    const bool iso = text.contains(u'-');
    const QStringList parts = text.split(iso ? u'-' : u'.');
    if (parts.size() != 3)
        return {};
    for (const QString& part : parts) {
        if (!isDigits(part))
            return {};
    }
    const QString& yearText = iso ? parts[0] : parts[2];
    const QString& dayText = iso ? parts[2] : parts[0];
    if (yearText.size() != 4 || parts[1].size() > 2 || dayText.size() > 2)
        return {};
    return QDate(yearText.toInt(), parts[1].toInt(), dayText.toInt());
}

QTime readTime(const QString& text)
{
    QStringList parts;
    if (text.size() == 4 && isDigits(text))
        parts = {text.left(2), text.mid(2)};
    else
        parts = text.split(u':');
    if (parts.size() == 3) {
        if (parts[2].size() != 2 || !isDigits(parts[2]) || parts[2].toInt() > 59)
            return {};
        parts.removeLast();
    }
    if (parts.size() != 2 || parts[0].isEmpty() || parts[0].size() > 2 || parts[1].size() != 2)
        return {};
    if (!isDigits(parts[0]) || !isDigits(parts[1]))
        return {};
    return QTime(parts[0].toInt(), parts[1].toInt());
}

const QString kQslLetters = QStringLiteral("NYTSBDQ");

} // namespace

std::optional<QString> checkedDate(const QString& text, QString* reason)
{
    const QDate date = readDate(text.trimmed());
    if (!date.isValid() || date.year() < 1900)
        return refuse(reason, QStringLiteral("Date: \"%1\" is not a calendar day; "
                                             "type it as yyyy-MM-dd (or dd.MM.yyyy)").arg(text));
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

std::optional<QString> checkedTime(const QString& text, QString* reason)
{
    const QTime time = readTime(text.trimmed());
    if (!time.isValid())
        return refuse(reason, QStringLiteral("GMT: \"%1\" is not a time of day; "
                                             "type it as HH:mm, from 00:00 to 23:59").arg(text));
    return time.toString(QStringLiteral("HH:mm"));
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
                                         "frequency that begins with its band value (144.300)").arg(text));
}

std::optional<QString> checkedQslState(const QString& text, QString* reason)
{
    const QString letter = text.trimmed().toUpper();
    if (letter.size() != 1 || !kQslLetters.contains(letter))
        return refuse(reason, QStringLiteral("QSL: \"%1\" is not a QSL state; type one letter of "
                                             "N, Y, T, S, B, D or Q").arg(text));
    return letter;
}

std::optional<QString> checkedCallsign(const QString& text, QString* reason)
{
    static const QRegularExpression shape(QStringLiteral("^[A-Z0-9/]{3,}$"));
    const QString callsign = text.trimmed().toUpper();
    if (!shape.match(callsign).hasMatch())
        return refuse(reason, QStringLiteral("Callsign: \"%1\" is not a callsign; type letters, digits "
                                             "and \"/\", at least three").arg(text));
    return callsign;
}

std::optional<QString> checkedLocator(const QString& text, QString* reason)
{
    const QString locator = text.trimmed().toUpper();
    if (!locator.isEmpty() && !geo::IsLocatorValid(utf16View(locator)))
        return refuse(reason, QStringLiteral("Grid: \"%1\" is not a locator; type a Maidenhead locator of "
                                             "4, 6, 8 or 10 characters (JO62QM), or nothing").arg(text));
    return locator;
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

std::optional<QsoRecord> checkedContact(const QsoRecord& qso, ContactRefusal* refusal)
{
    QsoRecord checked = qso;
    const std::pair<const char*, QString*> fields[] = {
        {"Date", &checked.date}, {"GMT", &checked.gmt},   {"Callsign", &checked.callsign},
        {"Grid", &checked.grid}, {"Band", &checked.band}, {"QSL", &checked.qsl},
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
