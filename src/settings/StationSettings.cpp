#include "StationSettings.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace mivra {

namespace {

bool isValidSlot(int slot)
{
    return slot >= 0 && slot < StationSettings::kSlotCount;
}

bool isIntegral(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

qint64 roundToWhole(double value)
{
    if (!std::isfinite(value))
        return 0;
    constexpr double limit = 9.2e18; // inside qint64's range
    if (value >= limit)
        return static_cast<qint64>(limit);
    if (value <= -limit)
        return -static_cast<qint64>(limit);
    return std::llround(value);
}

} // namespace

QVariant StationSettings::value(int slot) const
{
    return isValidSlot(slot) ? m_slots[static_cast<std::size_t>(slot)] : QVariant();
}

void StationSettings::setValue(int slot, const QVariant& value)
{
    if (!isValidSlot(slot))
        return;
    QVariant stored;
    if (!value.isValid())
        stored = QVariant();
    else if (isIntegral(value))
        stored = QVariant::fromValue<qint64>(value.toLongLong());
    else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
        stored = QVariant::fromValue<qint64>(roundToWhole(value.toDouble()));
    else
        stored = QVariant(value.toString());
    m_slots[static_cast<std::size_t>(slot)] = stored;
}

void StationSettings::setText(int slot, const QString& text)
{
    setValue(slot, storableText(text));
}

bool StationSettings::isNumber(int slot) const
{
    return value(slot).typeId() == QMetaType::LongLong;
}

QString StationSettings::text(int slot) const
{
    const QVariant v = value(slot);
    if (!v.isValid())
        return QString();
    if (v.typeId() == QMetaType::LongLong)
        return QString::number(v.toLongLong());
    return v.toString();
}

qint64 StationSettings::numericValue(int slot) const
{
    const QVariant v = value(slot);
    if (!v.isValid())
        return 0;
    if (v.typeId() == QMetaType::LongLong)
        return v.toLongLong();
    static const QRegularExpression leadingNumber(
        QStringLiteral("^\\s*([+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    const QRegularExpressionMatch match = leadingNumber.match(v.toString());
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    const double number = QLocale::c().toDouble(match.capturedView(1), &ok);
    return ok ? roundToWhole(number) : 0;
}

void StationSettings::setCreationDefaults()
{
    for (int slot = 0; slot < kFileSlotCount; ++slot)
        setValue(slot, creationDefault(slot));
}

void StationSettings::fillAbsentDefaults()
{
    for (int slot = 0; slot < kFileSlotCount; ++slot) {
        if (isEmpty(slot))
            setValue(slot, absentDefault(slot));
    }
}

QVariant StationSettings::creationDefault(int slot)
{
    switch (slot) {
    case SearchSelector:
    case Reserved3:
    case MapLines:
        return QVariant::fromValue<qint64>(1);
    case BandIndex:
        return QVariant::fromValue<qint64>(10);
    case OwnCallsign:
    case OwnLocator:
    case QslInfoLine:
    case QslLine2:
    case QslLine3:
    case QslLine4:
    case QslAddressLine:
    case QslFooterLine:
    case MapOpacity:
        return QVariant(QString());
    default:
        return QVariant();
    }
}

QVariant StationSettings::absentDefault(int slot)
{
    switch (slot) {
    case QslInfoLine:
        return QVariant(QStringLiteral("DOK: "));
    case QslLine2:
    case QslLine3:
    case QslLine4:
        return QVariant(QStringLiteral("Rig: "));
    case QslAddressLine:
        return QVariant(QStringLiteral("OP: "));
    case QslFooterLine:
        return QVariant(QStringLiteral("email:    Printed: "));
    case MapOpacity:
        return QVariant(QStringLiteral("128"));
    default:
        return creationDefault(slot);
    }
}

QString StationSettings::storableText(const QString& text)
{
    QString result = text;
    result.replace(QLatin1String("\r\n"), QLatin1String(" "));
    result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    result.replace(QLatin1Char('"'), QLatin1Char('\''));
    return result;
}

} // namespace mivra
