#pragma once

#include <QString>

#include <optional>
#include <span>

namespace mivra {

// One band of the amateur band plan as the log knows it: its ADIF name and edges, the band value
// stored in logtab, and where there is one, the band button's caption and the EDI band text.
struct Band {
    const char* adifName; // ADIF band enumeration ("2m", "70cm", "20m")
    double lowMHz;
    double highMHz;
    const char* value;   // band value stored in logtab ("144", short wave in kHz "14200")
    const char* caption; // band button caption, or nullptr when there is no button
    const char* ediText; // EDI PBand text ("144 MHz", "1,3 GHz"), or nullptr below 30 MHz

    bool isShortWave() const { return highMHz < 30.0; }
    QString valueText() const { return value ? QString::fromLatin1(value) : QString(); }
};

// Every band of the ADIF enumeration, lowest first.
std::span<const Band> bandPlan();

// The band buttons left to right: every band with a caption, then "All" (no band).
struct BandButton {
    const char* caption;
    const Band* band; // nullptr for "All"
};
std::span<const BandButton> bandButtons();
inline constexpr int kDefaultBandButton = 10; // 144

// The LIKE pattern that selects a band value's rows: the value followed by "%"; "" (all rows) for "".
QString bandPattern(const QString& bandValue);
// The LIKE pattern of a band button: "" for "All".
QString bandPattern(int buttonIndex);
// The band value a pattern selects: the pattern without its "%".
QString bandValue(const QString& pattern);

// The band whose stored value is exactly this text ("144"), else nullptr.
const Band* bandWithValue(const QString& value);
// The band whose edges hold this frequency in MHz, else nullptr.
const Band* bandAtFrequency(double mhz);
// The band of an ADIF band name, any case ("2M", "70cm"), else nullptr.
const Band* bandWithAdifName(const QString& name);

// The band of any band text the log may hold: a band value, an ADIF band name, or a frequency
// (MHz from 30 MHz up, kHz for short wave as the log keeps it). nullptr when it names none.
const Band* bandOfText(const QString& text);

// The band a logtab band value names, in ADIF terms.
struct BandInfo {
    QString name;                    // ADIF band ("2m", "70cm", "20m"); empty when unknown
    std::optional<double> frequency; // MHz, when the value is a frequency rather than a band button's value
};

// "144" is 2m, "1296" is 23cm, "122250" is 2.5mm; short-wave values are kHz ("3600" is 80m).
// A value that is no band button's is read as MHz when it lies in a band, else as kHz.
BandInfo bandOfValue(const QString& bandValue);

} // namespace mivra
