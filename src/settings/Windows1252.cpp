#include "Windows1252.h"

#include <QStringDecoder>

namespace mivra {

QString decodeWindows1252(QByteArrayView bytes)
{
    QStringDecoder decoder("windows-1252");
    if (!decoder.isValid())
        return decodeWindows1252ByTable(bytes);
    return decoder.decode(bytes);
}

QString decodeWindows1252ByTable(QByteArrayView bytes)
{
    static constexpr char16_t high[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
    };
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        if (code >= 0x80 && code <= 0x9F)
            text.append(QChar(high[code - 0x80]));
        else
            text.append(QChar(code));
    }
    return text;
}

} // namespace mivra
