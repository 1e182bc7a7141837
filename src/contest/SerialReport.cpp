#include "SerialReport.h"

namespace mivra {

namespace {

// Modes whose reports are RS (two digits), and modes known to give RST (three).
constexpr const char* kVoiceModes[]
    = {"SSB", "USB", "LSB", "AM", "FM", "DIGITALVOICE", "DSTAR", "C4FM", "DMR", "FREEDV", "M17", "VOICE"};
constexpr const char* kToneModes[]
    = {"CW",   "PCW",  "RTTY",   "RTTYM",    "PSK",    "BPSK31", "PSK31", "PSK63", "QPSK31", "SSTV", "PKT", "PAC",
       "HELL", "MFSK", "OLIVIA", "CONTESTI", "DOMINO", "MT63",   "THOR",  "THRB",  "FSK441", "ATV",  "FAX", "AMTOR"};

int reportLengthOf(const QString& mode)
{
    const QString text = mode.trimmed();
    for (const char* name : kVoiceModes) {
        if (text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return 2;
    }
    for (const char* name : kToneModes) {
        if (text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return 3;
    }
    return 2;
}

} // namespace

QString splitReport(const QString& typed, const QString& mode, QString* serial)
{
    const QString text = typed.trimmed();
    const int reportLength = reportLengthOf(mode);
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
    if (!digits || text.size() <= 3 || text.size() - reportLength < 3)
        return text;
    *serial = text.mid(reportLength);
    return text.left(reportLength);
}

} // namespace mivra
