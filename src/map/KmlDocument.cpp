#include "KmlDocument.h"
#include "WholeFile.h"

#include "BandPlan.h"
#include "ContactGeometry.h"
#include "Utf16View.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace mivra::map {

namespace {

constexpr int kDefaultOpacity = 128;

// A value as the document holds it: markup characters escaped, UTF-8. Characters XML cannot hold
// (control characters other than tab and line breaks) are left out.
QByteArray utf8(QString text)
{
    text.removeIf([](QChar c) {
        const char16_t code = c.unicode();
        return (code < 0x20 && code != u'\t' && code != u'\n' && code != u'\r');
    });
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

QString bandValueWithUnit(const QString& bandValue)
{
    const Band* band = bandOfText(bandValue);
    if (!band)
        return bandValue;
    return bandValue + (band->isShortWave() ? QStringLiteral(" kHz") : QStringLiteral(" MHz"));
}

QString kmlTitle(const QString& ownCallsign, const QString& bandPattern, const QString& squaresWorked,
                 const QString& squaresConfirmed)
{
    const QString band
        = bandPattern.isEmpty() ? QStringLiteral("All bands") : bandValueWithUnit(bandValue(bandPattern));
    return ownCallsign + QLatin1Char(' ') + band + QStringLiteral(" wkd/cfd ") + squaresWorked + QLatin1Char('/')
           + squaresConfirmed;
}

QString opacityDigits(const QString& opacity)
{
    bool ok = false;
    int value = opacity.trimmed().toInt(&ok);
    if (!ok || value < 0 || value > 255)
        value = kDefaultOpacity;
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0'));
}

QString lineColourOf(const QString& prop)
{
    static const std::pair<const char*, const char*> colours[]
        = {{"Rs", "ffff0000"}, {"Tr", "ff0000ff"}, {"Es", "ff00ff00"}, {"Au", "ffff0080"}, {"Ms", "ff707070"}};
    for (const auto& [code, colour] : colours) {
        if (prop == QLatin1String(code))
            return QString::fromLatin1(colour);
    }
    return QString::fromLatin1(kDefaultLineColour);
}

namespace {

// The point text of a contact's own locator, as the own point is written; empty for none.
QString placeOf(const QString& locator)
{
    if (locator.trimmed().isEmpty())
        return {};
    geo::ContactGeometry place;
    place.calculate(utf16View(locator.trimmed().toUpper()), {});
    return QString::fromStdString(place.ownMapPoint);
}

} // namespace

std::optional<std::vector<KmlRow>> readKmlRows(QSqlDatabase db, const QString& bandPattern,
                                               ConfirmationCount confirmedBy, QString* error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const bool ok = query.prepare(
        QStringLiteral("SELECT Grid, QSL, Prop, GEdata, GEgridXY, GEpoly, %1, MyGrid FROM logtab WHERE Grid <> ''")
            .arg(confirmedCondition(confirmedBy))
        + (bandPattern.isEmpty() ? QString() : QStringLiteral(" AND Band LIKE :band"))
        + QStringLiteral(" ORDER BY Grid, ID"));
    if (ok && !bandPattern.isEmpty())
        query.bindValue(QStringLiteral(":band"), bandPattern);
    if (!ok || !query.exec()) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    std::vector<KmlRow> rows;
    while (query.next()) {
        rows.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                        query.value(3).toString(), query.value(4).toString(), query.value(5).toString(),
                        query.value(6).toBool(), placeOf(query.value(7).toString())});
    }
    if (query.lastError().isValid()) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    return rows;
}

QByteArray kmlDocument(const KmlHeader& header, const std::vector<KmlRow>& rows)
{
    const QString alpha = opacityDigits(header.opacity);
    const QByteArray yellow = (alpha + QStringLiteral("00ffff")).toLatin1();
    const QByteArray red = (alpha + QStringLiteral("0000ff")).toLatin1();
    const QByteArray ownPoint = utf8(header.ownPoint);

    QByteArray text;
    text.reserve(qsizetype(rows.size()) * (header.lines ? 1000 : 700) + 1024);
    text += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n<Document>\r\n<name>";
    text += utf8(header.title);
    text += "</name>\r\n<Placemark><name> " + utf8(header.ownCallsign) + "</name><Point><coordinates>" + ownPoint
            + "</coordinates></Point></Placemark>\r\n";
    for (const KmlRow& row : rows) {
        const QByteArray point = utf8(row.point);
        text += "<Placemark><name>";
        text += utf8(row.locator);
        text += "</name><description>";
        text += utf8(row.description);
        text += "</description><Style><PolyStyle><color>";
        text += row.confirmed || row.qsl == QLatin1String("D") ? red : yellow;
        text += "</color></PolyStyle></Style><MultiGeometry><Point><coordinates>";
        text += point;
        text += "</coordinates></Point><Polygon><tessellate>1</tessellate><outerBoundaryIs><LinearRing><coordinates>";
        text += utf8(row.outline);
        text += "</coordinates></LinearRing></outerBoundaryIs></Polygon></MultiGeometry></Placemark>\r\n";
        // Marble leaves out lines narrower than 4.
        if (header.lines) {
            text += "<Placemark><Style><LineStyle><color>";
            text += lineColourOf(row.prop).toLatin1();
            text += "</color><width>4</width></LineStyle></Style><LineString><tessellate>1</tessellate><coordinates>";
            text += row.from.isEmpty() ? ownPoint : utf8(row.from);
            text += ' ';
            text += point;
            text += "</coordinates></LineString></Placemark>\r\n";
        }
    }
    text += "</Document>\r\n</kml>\r\n";
    return text;
}

bool writeKmlFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QString reason;
    if (writeWholeFile(path, bytes, &reason))
        return true;
    *error = QStringLiteral("The map %1 cannot be written: %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

} // namespace mivra::map
