#include "AdifFields.h"

#include "QslState.h"

#include "BandPlan.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cmath>

namespace mivra::adif {

namespace {

struct ModeEntry {
    const char* submode;
    const char* mode;
};

// Submodes with their modes, as the ADIF mode enumeration lists them (the ones logs hold).
constexpr ModeEntry kSubmodes[] = {
    {"USB", "SSB"},
    {"LSB", "SSB"},
    {"FT4", "MFSK"},
    {"FST4", "MFSK"},
    {"FST4W", "MFSK"},
    {"JS8", "MFSK"},
    {"Q65", "MFSK"},
    {"MFSK8", "MFSK"},
    {"MFSK16", "MFSK"},
    {"PSK31", "PSK"},
    {"BPSK31", "PSK"},
    {"PSK63", "PSK"},
    {"BPSK63", "PSK"},
    {"PSK125", "PSK"},
    {"QPSK31", "PSK"},
    {"QPSK63", "PSK"},
    {"JT65A", "JT65"},
    {"JT65B", "JT65"},
    {"JT65B2", "JT65"},
    {"JT65C", "JT65"},
    {"JT65C2", "JT65"},
    {"JT9-1", "JT9"},
    {"JT9A", "JT9"},
    {"JT4A", "JT4"},
    {"JT4B", "JT4"},
    {"JT4C", "JT4"},
    {"JT4D", "JT4"},
    {"JT4E", "JT4"},
    {"JT4F", "JT4"},
    {"JT4G", "JT4"},
    {"ISCAT-A", "ISCAT"},
    {"ISCAT-B", "ISCAT"},
    {"PCW", "CW"},
    {"DSTAR", "DIGITALVOICE"},
    {"C4FM", "DIGITALVOICE"},
    {"DMR", "DIGITALVOICE"},
    {"FREEDV", "DIGITALVOICE"},
    {"FMHELL", "HELL"},
    {"ASCI", "RTTY"},
};

constexpr const char* kModes[] = {
    "AM",      "ARDOP", "ATV",   "CHIP",   "CLO",   "CONTESTI", "CW",    "DIGITALVOICE", "DOMINO",
    "DYNAMIC", "FAX",   "FM",    "FSK441", "FT8",   "HELL",     "ISCAT", "JT4",          "JT9",
    "JT44",    "JT65",  "MFSK",  "MSK144", "MT63",  "OLIVIA",   "OPERA", "PAC",          "PAX",
    "PKT",     "PSK",   "PSK2K", "Q15",    "QRA64", "ROS",      "RTTY",  "RTTYM",        "SSB",
    "SSTV",    "T10",   "THOR",  "THRB",   "TOR",   "V4",       "VOICE", "WINMOR",       "WSPR",
};

struct PropEntry {
    const char* code;
    const char* mode;
};
constexpr PropEntry kProps[] = {{"Tr", "TR"}, {"Au", "AUR"}, {"Es", "ES"}, {"Rs", "RS"}, {"Ms", "MS"}};

// The rest of the ADIF PROP_MODE enumeration: a log that holds one of these exports it as it is.
constexpr const char* kOtherPropModes[]
    = {"AS", "AUE", "BS", "ECH", "EME", "F2", "FAI", "GWAVE", "INTERNET", "ION", "IRL", "LOS", "RPT", "SAT", "TEP"};

// Latin letters that Unicode does not decompose, spelt as they are usually written in ASCII.
struct Transliteration {
    char16_t letter;
    const char* ascii;
};
constexpr Transliteration kTransliterations[]
    = {{u'ß', "ss"}, {u'ẞ', "SS"}, {u'Ø', "O"}, {u'ø', "o"},  {u'Ł', "L"},  {u'ł', "l"},  {u'Đ', "D"},
       {u'đ', "d"},  {u'Ð', "D"},  {u'ð', "d"}, {u'Æ', "AE"}, {u'æ', "ae"}, {u'Œ', "OE"}, {u'œ', "oe"},
       {u'Þ', "TH"}, {u'þ', "th"}, {u'Ħ', "H"}, {u'ħ', "h"},  {u'ı', "i"},  {u'Ŧ', "T"},  {u'ŧ', "t"},
       {u'Ŋ', "NG"}, {u'ŋ', "ng"}, {u'‘', "'"}, {u'’', "'"},  {u'‚', ","},  {u'“', "\""}, {u'”', "\""},
       {u'„', "\""}, {u'–', "-"},  {u'—', "-"}, {u'«', "\""}, {u'»', "\""}, {u'€', "EUR"}};

} // namespace

QString bandOfFrequency(double frequencyMHz)
{
    const Band* band = bandAtFrequency(frequencyMHz);
    return band ? QString::fromLatin1(band->adifName) : QString();
}

QString bandValueOf(const QString& adifBand, std::optional<double> frequencyMHz)
{
    const Band* band = frequencyMHz ? bandAtFrequency(*frequencyMHz) : nullptr;
    if (!band)
        band = bandWithAdifName(adifBand);
    if (!band)
        return {};
    const QString button = band->valueText();
    if (band->isShortWave()) {
        // Short wave is logged in kHz.
        if (!button.isEmpty())
            return button;
        return numberText(frequencyMHz ? *frequencyMHz * 1000.0 : band->lowMHz * 1000.0, 3);
    }
    if (frequencyMHz) {
        const QString frequency = numberText(*frequencyMHz, 6);
        if (button.isEmpty() || frequency.startsWith(button))
            return frequency;
    }
    return button.isEmpty() ? numberText(band->lowMHz, 6) : button;
}

ModeInfo modeOfText(const QString& text)
{
    const QString upper = text.trimmed().toUpper();
    if (upper.isEmpty())
        return {};
    for (const char* mode : kModes) {
        if (upper == QLatin1String(mode))
            return {upper, {}};
    }
    for (const ModeEntry& entry : kSubmodes) {
        if (upper == QLatin1String(entry.submode))
            return {QString::fromLatin1(entry.mode), upper};
    }
    return {};
}

ModeInfo nearestModeOfText(const QString& text, const QString& report)
{
    if (ModeInfo exact = modeOfText(text); !exact.mode.isEmpty())
        return exact;
    static const QRegularExpression separator(QStringLiteral("[^A-Za-z0-9-]+"));
    const QStringList words = text.toUpper().split(separator, Qt::SkipEmptyParts);
    for (const QString& word : words) {
        if (ModeInfo mode = modeOfText(word); !mode.mode.isEmpty())
            return mode;
    }
    for (const QString& word : words) {
        for (const ModeEntry& entry : kSubmodes) {
            if (word.startsWith(QLatin1String(entry.submode)))
                return {QString::fromLatin1(entry.mode), QString::fromLatin1(entry.submode)};
        }
        for (const char* mode : kModes) {
            if (word.startsWith(QLatin1String(mode)))
                return {QString::fromLatin1(mode), {}};
        }
    }
    return {report.trimmed().size() == 2 ? u"SSB"_qs : u"CW"_qs, {}};
}

QslStates qslStatesOfLetter(const QString& letter)
{
    const QslState* state = qslStateOf(letter);
    if (!state)
        return {};
    return {QLatin1String(state->adifSent), QLatin1String(state->adifReceived)};
}

QString qslLetterOfStates(const QString& sent, const QString& received)
{
    const QString s = sent.trimmed().toUpper();
    const QString r = received.trimmed().toUpper();
    const bool cardReceived = r == u"Y"_qs || r == u"V"_qs;
    const bool cardWaiting = s == u"Q"_qs || s == u"R"_qs;
    if (cardReceived)
        return cardWaiting ? u"T"_qs : u"Q"_qs;
    return cardWaiting ? u"Y"_qs : u"N"_qs;
}

QString propModeOfCode(const QString& code)
{
    for (const PropEntry& entry : kProps) {
        if (code.trimmed().compare(QLatin1String(entry.code), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(entry.mode);
    }
    for (const char* mode : kOtherPropModes) {
        if (code.trimmed().compare(QLatin1String(mode), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(mode);
    }
    return {};
}

QString propCodeOfMode(const QString& propMode)
{
    for (const PropEntry& entry : kProps) {
        if (propMode.trimmed().compare(QLatin1String(entry.mode), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(entry.code);
    }
    return propMode.trimmed();
}

QString asciiText(const QString& text)
{
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u' ' && c < u'\x7f'; }))
        return text;
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 32 && u < 127) {
            result += c;
        } else if (u == u'\r' || u == u'\n' || u == u'\t') {
            result += u' ';
        } else if (const auto* t = std::find_if(std::begin(kTransliterations), std::end(kTransliterations),
                                                [u](const Transliteration& entry) { return entry.letter == u; });
                   t != std::end(kTransliterations)) {
            result += QLatin1String(t->ascii);
        } else if (c.isLowSurrogate()) {
            continue; // the high surrogate already stood for the character
        } else {
            const QString decomposed = QString(c).normalized(QString::NormalizationForm_KD);
            QString base;
            for (const QChar d : decomposed) {
                if (d.unicode() >= 32 && d.unicode() < 127)
                    base += d;
            }
            result += base.isEmpty() ? u"?"_qs : base;
        }
    }
    return result;
}

QString percentEncoded(const QString& text)
{
    // Letters, digits, "-._~" and the space stay as they are.
    const auto kept = [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
               || c == u'.' || c == u'_' || c == u'~' || c == u' ';
    };
    if (std::all_of(text.cbegin(), text.cend(), kept))
        return text;
    return QString::fromLatin1(QUrl::toPercentEncoding(text, " "));
}

QString percentDecoded(const QString& text)
{
    return QUrl::fromPercentEncoding(text.toLatin1());
}

QString numberText(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(u'.')) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
    }
    return text;
}

} // namespace mivra::adif
