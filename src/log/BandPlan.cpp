#include "BandPlan.h"

#include <array>

namespace mivra {

namespace {

constexpr std::array<Band, 33> kPlan{{
    {"2190m", 0.1357, 0.1378, "136", nullptr, nullptr},
    {"630m", 0.472, 0.479, "472", nullptr, nullptr},
    {"560m", 0.501, 0.504, "560", nullptr, nullptr}, // "501" would show under 50 MHz
    {"160m", 1.8, 2.0, "1840", "1.8k", nullptr},
    {"80m", 3.5, 4.0, "3600", "3.5k ", nullptr},
    {"60m", 5.06, 5.45, "5357", nullptr, nullptr},
    {"40m", 7.0, 7.3, "7050", "7k", nullptr},
    {"30m", 10.1, 10.15, "10140", "10", nullptr},
    {"20m", 14.0, 14.35, "14200", "14", nullptr},
    {"17m", 18.068, 18.168, "18110", "18", nullptr},
    {"15m", 21.0, 21.45, "21150", "21", nullptr},
    {"12m", 24.89, 24.99, "24950", "24", nullptr},
    {"10m", 28.0, 29.7, "28400", "28", nullptr},
    {"8m", 40.0, 45.0, "40", nullptr, "40 MHz"},
    {"6m", 50.0, 54.0, "50", "50", "50 MHz"},
    {"5m", 54.000001, 69.9, "60", nullptr, "60 MHz"},
    {"4m", 70.0, 71.0, "70", nullptr, "70 MHz"},
    {"2m", 144.0, 148.0, "144", "144", "144 MHz"},
    {"1.25m", 222.0, 225.0, "222", nullptr, "222 MHz"},
    {"70cm", 420.0, 450.0, "432", "432", "432 MHz"},
    {"33cm", 902.0, 928.0, "903", nullptr, "903 MHz"},
    {"23cm", 1240.0, 1300.0, "1296", "1296", "1,3 GHz"},
    {"13cm", 2300.0, 2450.0, "2320", "2320", "2,3 GHz"},
    {"9cm", 3300.0, 3500.0, "3400", "3400", "3,4 GHz"},
    {"6cm", 5650.0, 5925.0, "5760", "5760", "5,7 GHz"},
    {"3cm", 10000.0, 10500.0, "10368", "10368", "10 GHz"},
    {"1.25cm", 24000.0, 24250.0, "24048", "24048", "24 GHz"},
    {"6mm", 47000.0, 47200.0, "47088", "47088", "47 GHz"},
    {"4mm", 75500.0, 81000.0, "76032", "76032", "76 GHz"},
    {"2.5mm", 119980.0, 123000.0, "122250", "122G", "122 GHz"},
    {"2mm", 134000.0, 149000.0, "134000", nullptr, "134 GHz"},
    {"1mm", 241000.0, 250000.0, "241000", nullptr, "241 GHz"},
    {"submm", 300000.0, 7500000.0, "300000", nullptr, "300 GHz"},
}};

constexpr const Band* planEntry(const char* adifName)
{
    for (const Band& band : kPlan) {
        if (std::string_view(band.adifName) == adifName)
            return &band;
    }
    return nullptr;
}

constexpr std::array<BandButton, 22> kButtons{{
    {"1.8k", planEntry("160m")},  {"3.5k ", planEntry("80m")},
    {"7k", planEntry("40m")},     {"10", planEntry("30m")},
    {"14", planEntry("20m")},     {"18", planEntry("17m")},
    {"21", planEntry("15m")},     {"24", planEntry("12m")},
    {"28", planEntry("10m")},     {"50", planEntry("6m")},
    {"144", planEntry("2m")},     {"432", planEntry("70cm")},
    {"1296", planEntry("23cm")},  {"2320", planEntry("13cm")},
    {"3400", planEntry("9cm")},   {"5760", planEntry("6cm")},
    {"10368", planEntry("3cm")},  {"24048", planEntry("1.25cm")},
    {"47088", planEntry("6mm")},  {"76032", planEntry("4mm")},
    {"122G", planEntry("2.5mm")}, {"All", nullptr},
}};

} // namespace

std::span<const Band> bandPlan()
{
    return kPlan;
}

std::span<const BandButton> bandButtons()
{
    return kButtons;
}

QString bandPattern(const QString& bandValue)
{
    return bandValue.isEmpty() ? QString() : bandValue + u'%';
}

QString bandPattern(int buttonIndex)
{
    const Band* band = kButtons.at(std::size_t(buttonIndex)).band;
    return band ? bandPattern(band->valueText()) : QString();
}

QString bandValue(const QString& pattern)
{
    return pattern.endsWith(u'%') ? pattern.chopped(1) : pattern;
}

const Band* bandWithValue(const QString& value)
{
    const QString text = value.trimmed();
    for (const Band& band : kPlan) {
        if (band.value && text == QLatin1String(band.value))
            return &band;
    }
    return nullptr;
}

const Band* bandAtFrequency(double mhz)
{
    for (const Band& band : kPlan) {
        if (mhz >= band.lowMHz && mhz <= band.highMHz)
            return &band;
    }
    return nullptr;
}

const Band* bandWithAdifName(const QString& name)
{
    const QString text = name.trimmed();
    for (const Band& band : kPlan) {
        if (text.compare(QLatin1String(band.adifName), Qt::CaseInsensitive) == 0)
            return &band;
    }
    return nullptr;
}

const Band* bandOfText(const QString& text)
{
    if (const Band* band = bandWithValue(text))
        return band;
    if (const Band* band = bandWithAdifName(text))
        return band;
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok || !(number > 0))
        return nullptr;
    // Short-wave kHz figures first: 10125 is 30m rather than 3cm, 475 is 630m.
    const Band* shortWave = bandAtFrequency(number / 1000.0);
    if (shortWave && shortWave->isShortWave())
        return shortWave;
    const Band* band = bandAtFrequency(number);
    return band && !band->isShortWave() ? band : nullptr;
}

BandInfo bandOfValue(const QString& bandValue)
{
    const QString value = bandValue.trimmed();
    if (const Band* band = bandWithValue(value))
        return {QString::fromLatin1(band->adifName), std::nullopt};
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (!ok || number <= 0)
        return {};
    // Short-wave kHz figures first: 10125 is 30m rather than 3cm, 475 is 630m.
    const Band* shortWave = bandAtFrequency(number / 1000.0);
    if (shortWave && shortWave->isShortWave())
        return {QString::fromLatin1(shortWave->adifName), number / 1000.0};
    if (const Band* band = bandAtFrequency(number))
        return {QString::fromLatin1(band->adifName), number};
    return {};
}

} // namespace mivra
