#include "StoredDateTime.h"

#include <optional>

namespace mivra {

namespace {

// The number of `count` ASCII digits at `at`, or nothing.
std::optional<int> digitsAt(QStringView text, qsizetype at, qsizetype count)
{
    if (at < 0 || at + count > text.size())
        return std::nullopt;
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
    }
    return value;
}

QDate dateOf(std::optional<int> year, std::optional<int> month, std::optional<int> day)
{
    return year && month && day ? QDate(*year, *month, *day) : QDate();
}

// Writes `value` as `count` digits at `out`.
void putDigits(QChar* out, int value, int count)
{
    for (int i = count - 1; i >= 0; --i, value /= 10)
        out[i] = QChar(char16_t(u'0' + value % 10));
}

} // namespace

QString storedDateText(QDate date)
{
    // Qt's own formatting parses a format each call; an import writes a million of these.
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return date.toString(Qt::ISODate);
    QString text(10, u'-');
    putDigits(text.data(), date.year(), 4);
    putDigits(text.data() + 5, date.month(), 2);
    putDigits(text.data() + 8, date.day(), 2);
    return text;
}

QString storedTimeText(QTime time)
{
    if (!time.isValid())
        return {};
    QString text(5, u':');
    putDigits(text.data(), time.hour(), 2);
    putDigits(text.data() + 3, time.minute(), 2);
    return text;
}

QDate readStoredDate(QStringView text)
{
    text = text.trimmed();
    // A time after the date is allowed and ignored.
    if (text.size() > 10 && (text[10] == u' ' || text[10] == u'T'))
        text = text.left(10);
    if (text.size() != 10)
        return {};
    if (text[4] == u'-' && text[7] == u'-')
        return dateOf(digitsAt(text, 0, 4), digitsAt(text, 5, 2), digitsAt(text, 8, 2));
    if (text[2] == u'.' && text[5] == u'.')
        return dateOf(digitsAt(text, 6, 4), digitsAt(text, 3, 2), digitsAt(text, 0, 2));
    return {};
}

QTime readStoredTime(QStringView text)
{
    text = text.trimmed();
    std::optional<int> hours;
    std::optional<int> minutes;
    std::optional<int> seconds = 0;
    const qsizetype colon = text.indexOf(u':');
    if (colon < 0) {
        if (text.size() != 4)
            return {};
        hours = digitsAt(text, 0, 2);
        minutes = digitsAt(text, 2, 2);
    } else {
        if (colon != 1 && colon != 2)
            return {};
        hours = digitsAt(text, 0, colon);
        minutes = digitsAt(text, colon + 1, 2);
        const qsizetype rest = text.size() - colon - 3;
        if (rest == 3 && text[colon + 3] == u':')
            seconds = digitsAt(text, colon + 4, 2);
        else if (rest != 0)
            return {};
    }
    if (!hours || !minutes || !seconds || *hours > 23 || *minutes > 59 || *seconds > 59)
        return {};
    return QTime(*hours, *minutes, *seconds);
}

QDateTime readStoredDateTime(QStringView date, QStringView time)
{
    const QDate day = readStoredDate(date);
    const QTime clock = readStoredTime(time);
    if (!day.isValid() || !clock.isValid())
        return {};
    return QDateTime(day, clock, Qt::UTC);
}

} // namespace mivra
