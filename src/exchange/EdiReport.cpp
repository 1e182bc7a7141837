#include "EdiReport.h"

#include "AdifFields.h"
#include "SerialReport.h"

#include <QRegularExpression>

namespace mivra {

EdiReport ediReport(const QString& typed, const QString& mode)
{
    static const QRegularExpression rstPattern(u"^[1-5][1-9][1-9]?[ACKSacks]?$"_qs);
    static const QRegularExpression digits(u"^[0-9]+$"_qs);
    EdiReport report;
    const QString text = typed.trimmed();
    const QStringList parts = text.split(u' ', Qt::SkipEmptyParts);
    if (parts.size() == 2 && digits.match(parts[1]).hasMatch()) {
        report.rst = parts[0];
        report.serial = parts[1];
    } else {
        report.rst = splitReport(text, mode, &report.serial);
        if (report.serial.isEmpty() && text.size() > 3 && digits.match(text).hasMatch()) {
            // A serial typed with fewer than three digits ("5994"): it follows the mode's report.
            QString probe;
            const qsizetype length = splitReport(u"599001"_qs, mode, &probe).size();
            report.rst = text.left(length);
            report.serial = text.mid(length);
        }
        // A CW log may hold a two-digit report ("59064"): 590 is no RST, 59 is.
        if (report.rst.size() == 3 && !rstPattern.match(report.rst).hasMatch() && digits.match(text).hasMatch()
            && text.size() > 3) {
            report.rst = text.left(2);
            report.serial = text.mid(2);
        }
    }
    if (!report.rst.isEmpty() && (report.rst.size() > 3 || !rstPattern.match(report.rst).hasMatch())) {
        report.error = QStringLiteral("the report \"%1\" is no RST, which is all an EDI log holds").arg(text);
        return report;
    }
    if (!report.serial.isEmpty()) {
        QString serial = report.serial;
        while (serial.size() > 1 && serial.startsWith(u'0'))
            serial.remove(0, 1);
        if (serial.size() > 4) {
            report.error
                = QStringLiteral("the serial number %1 has more than the 4 digits an EDI log holds").arg(report.serial);
            return report;
        }
        report.serial = serial.rightJustified(3, u'0');
    }
    return report;
}

} // namespace mivra
