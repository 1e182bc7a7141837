#include "RigText.h"

#include <cmath>

namespace mivra::rig {

QString frequencyText(double hz)
{
    const qint64 total = qint64(std::llround(std::max(hz, 0.0)));
    return QStringLiteral("%1.%2.%3")
        .arg(total / 1000000)
        .arg(total / 1000 % 1000, 3, 10, QLatin1Char('0'))
        .arg(total % 1000, 3, 10, QLatin1Char('0'));
}

QString logMode(const QString& radioMode)
{
    const QString mode = radioMode.trimmed().toUpper();
    if (mode == u"USB" || mode == u"LSB" || mode == u"ECSSUSB" || mode == u"ECSSLSB")
        return QStringLiteral("SSB");
    if (mode == u"CW" || mode == u"CWR")
        return QStringLiteral("CW");
    if (mode == u"FM" || mode == u"FMN" || mode == u"WFM")
        return QStringLiteral("FM");
    if (mode == u"AM" || mode == u"AMS" || mode == u"SAM" || mode == u"AMN" || mode == u"SAL" || mode == u"SAH")
        return QStringLiteral("AM");
    return mode;
}

} // namespace mivra::rig
