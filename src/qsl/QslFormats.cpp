#include "QslFormats.h"

#include "QslState.h"

#include "StoredDateTime.h"
#include <QDate>
#include <QTime>

#include <cmath>

namespace mivra::qsl {

QString formatBand(const QString& band, const QLocale& locale)
{
    bool ok = false;
    double value = QLocale::c().toDouble(band.trimmed(), &ok);
    if (!ok)
        value = locale.toDouble(band.trimmed(), &ok);
    if (!ok || !std::isfinite(value) || std::fabs(value) > 1e15)
        return band;
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return QStringLiteral("    ") + grouped.toString(qlonglong(std::llround(value)));
}

QString formatDate(const QString& date)
{
    const QDate day = readStoredDate(date);
    if (!day.isValid())
        return date;
    return QLatin1Char(' ') + day.toString(QStringLiteral("dd.MM.yy"));
}

QString formatTime(const QString& time)
{
    const QTime clock = readStoredTime(time);
    if (!clock.isValid())
        return time;
    return clock.toString(QStringLiteral("'  'HH': 'mm' '"));
}

QString prefixMode(const QString& mode)
{
    return QStringLiteral("     ") + mode;
}

QString valueText(const QVariant& value, const QLocale& locale)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        QLocale plain = locale;
        plain.setNumberOptions(QLocale::OmitGroupSeparator);
        return plain.toString(value.toDouble(), 'g', 7);
    }
    return value.toString();
}

QString advancedState(const QString& state)
{
    // A state no run prints is left exactly as it is.
    const QslState* known = state.size() == 1 ? qslStateOf(state) : nullptr;
    if (!known || qstrcmp(known->afterPrint, known->letter) == 0)
        return state;
    return QString::fromLatin1(known->afterPrint);
}

} // namespace mivra::qsl
