#pragma once

#include <QByteArray>
#include <QString>

#include "BandPlan.h"

#include <optional>

namespace mivra::adif {

// The band value to store for an ADIF band and frequency (either may be missing): the band
// button's value, or for VHF and up the frequency itself when the band filter still finds it.
// Empty when neither names a band.
QString bandValueOf(const QString& adifBand, std::optional<double> frequencyMHz);

// The ADIF band (lower case as the enumeration writes it) of a frequency in MHz; empty when none.
QString bandOfFrequency(double frequencyMHz);

// MODE and SUBMODE of a mode text ("USB" is SSB/USB, "FT4" is MFSK/FT4); both empty when the
// text is no ADIF mode or submode.
struct ModeInfo {
    QString mode;
    QString submode;
};
ModeInfo modeOfText(const QString& text);
// The ADIF mode nearest to a free mode text, so that every record has one: the first ADIF mode or
// submode among its words ("SSB/CW" is SSB, "FT8 DXpedition" FT8), else one that a word begins
// with ("JT65A2" is JT65), else SSB for a two-digit report and CW for any other.
ModeInfo nearestModeOfText(const QString& text, const QString& report);

// QSL_SENT and QSL_RCVD of a QSL letter; both empty for a letter not in the vocabulary.
struct QslStates {
    QString sent;
    QString received;
};
QslStates qslStatesOfLetter(const QString& letter);
// The QSL letter for QSL_SENT and QSL_RCVD as other loggers write them; "N" when both are empty.
QString qslLetterOfStates(const QString& sent, const QString& received);

// PROP_MODE of a propagation code ("Tr" is TR, "Au" AUR, "Es" ES, "Rs" RS, "Ms" MS, and any other
// value of the ADIF enumeration such as "EME" as it is); empty when none.
QString propModeOfCode(const QString& code);
// The propagation code of a PROP_MODE; other modes are kept as they are.
QString propCodeOfMode(const QString& propMode);

// Text as an ADIF String: printable ASCII only. Letters with accents lose them, letters without
// a decomposition are transliterated ("ß" ss, "Ø" O, "Ł" L, "Æ" AE, "Þ" TH), line breaks and tabs
// become spaces, anything else becomes "?".
QString asciiText(const QString& text);

// The exact text in ASCII for an application field (UTF-8, percent-encoded) and back.
QString percentEncoded(const QString& text);
QString percentDecoded(const QString& text);

// Numbers as ADIF writes them: "." as decimal separator, no exponent, no trailing zeros.
QString numberText(double value, int decimals);

} // namespace mivra::adif
