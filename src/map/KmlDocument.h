#pragma once

#include "ConfirmationCount.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

namespace mivra::map {

// What the map shows of one contact, as prepared in the log.
struct KmlRow {
    QString locator;
    QString qsl;
    QString prop;
    QString description;    // GEdata
    QString point;          // GEgridXY
    QString outline;        // GEpoly
    bool confirmed = false; // by the ConfirmationCount of the export
    QString from;           // point text of the place the contact was made from; empty for the own point
};

struct KmlHeader {
    QString ownCallsign;
    QString ownPoint;
    QString title;
    QString opacity; // decimal 0 to 255; anything else counts as 128
    bool lines = false;
};

// A band value with its unit as the log keeps it: "144 MHz" from 50 MHz up, "14200 kHz" on short
// wave; a value that names no band stays as it is.
QString bandValueWithUnit(const QString& bandValue);

// "OWNCALL 144 MHz wkd/cfd 57/40"; with no band pattern the band part reads "All bands".
QString kmlTitle(const QString& ownCallsign, const QString& bandPattern, const QString& squaresWorked,
                 const QString& squaresConfirmed);

// The alpha digits of the square colours: two lower-case hexadecimal digits.
QString opacityDigits(const QString& opacity);

// The KML colour (aabbggrr, no "#") of a contact's line: one of the five propagation codes (exact,
// with case), or the colour of lines with any other code or none.
QString lineColourOf(const QString& prop);
inline constexpr const char* kDefaultLineColour = "ff00a5ff"; // orange

// The rows with a locator within the band (empty pattern: every band), in locator order, each
// marked confirmed as confirmedBy says.
std::optional<std::vector<KmlRow>> readKmlRows(QSqlDatabase db, const QString& bandPattern,
                                               ConfirmationCount confirmedBy, QString* error);

// The whole KML 2.2 document, UTF-8 with CRLF line ends and every value XML-escaped: the title as
// the document's one name, then the own station, then per row a placemark for its square (red when
// confirmed or a single card went out, D; yellow else) and, with lines on, one for the line to it
// from where the contact was made. Each placemark gives its style before its geometry.
QByteArray kmlDocument(const KmlHeader& header, const std::vector<KmlRow>& rows);

// Replaces the file at path with bytes, or leaves it as it was and sets *error naming it.
bool writeKmlFile(const QString& path, const QByteArray& bytes, QString* error);

} // namespace mivra::map
