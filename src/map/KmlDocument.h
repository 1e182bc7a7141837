#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>

#include <optional>
#include <vector>

namespace mivra::exporter {

// What the map shows of one contact, as prepared in the log.
struct KmlRow {
    QString grid;
    QString qsl;
    QString prop;
    QString description; // GEdata
    QString point;       // GEgridXY
    QString outline;     // GEpoly
};

struct KmlHeader {
    QString ownCallsign;
    QString ownPoint;
    QString title;
    QString opacity; // decimal 0 to 255; anything else counts as 128
    bool lines = false;
};

// "OWNCALL 144 MHz wkd/cfd 57/40"; with no band pattern the band part reads "All bands".
QString kmlTitle(const QString& ownCallsign, const QString& bandPattern, const QString& squaresWorked,
                 const QString& squaresConfirmed);

// The alpha digits of the square colours: two upper-case hexadecimal digits.
QString opacityDigits(const QString& opacity);

// The line colour of a propagation code (exact, with case), or nullopt for any other text.
std::optional<QString> lineColourOf(const QString& prop);

// The rows with a locator within the band (empty pattern: every band), in locator order.
std::optional<std::vector<KmlRow>> readKmlRows(QSqlDatabase db, const QString& bandPattern, QString* error);

// The whole document, UTF-8 with CRLF line ends and every value XML-escaped. lineColour is the
// colour of the last line written; rows whose Prop has no colour of its own draw in it, and it is
// left at the colour of the last line of this document.
QByteArray kmlDocument(const KmlHeader& header, const std::vector<KmlRow>& rows, QString& lineColour);

// Replaces the file at path with bytes, or leaves it as it was and sets *error naming it.
bool writeKmlFile(const QString& path, const QByteArray& bytes, QString* error);

} // namespace mivra::exporter
