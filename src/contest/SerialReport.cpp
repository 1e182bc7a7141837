#include "SerialReport.h"

namespace mivra {

QString splitReport(const QString& typed, const QString& mode, QString* serial)
{
    const QString text = typed.trimmed();
    const int reportLength = mode.trimmed().compare(u"CW"_qs, Qt::CaseInsensitive) == 0 ? 3 : 2;
    // "59 005": the report, a space, the serial.
    const qsizetype space = text.indexOf(u' ');
    if (space > 0) {
        const QString report = text.left(space);
        const QString number = text.mid(space + 1).trimmed();
        bool digits = !number.isEmpty();
        for (const QChar c : report + number)
            digits = digits && c >= u'0' && c <= u'9';
        serial->clear();
        if (!digits)
            return text;
        *serial = number;
        return report;
    }
    bool digits = !text.isEmpty();
    for (const QChar c : text)
        digits = digits && c >= u'0' && c <= u'9';
    serial->clear();
    if (!digits || text.size() <= reportLength)
        return text;
    *serial = text.mid(reportLength);
    return text.left(reportLength);
}

} // namespace mivra
