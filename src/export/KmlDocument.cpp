#include "KmlDocument.h"

#include <QDir>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace mivra::exporter {

namespace {

constexpr int kDefaultOpacity = 128;

QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}

} // namespace

QString kmlTitle(const QString& ownCallsign, const QString& bandPattern, const QString& squaresWorked,
                 const QString& squaresConfirmed)
{
    const QString band = bandPattern.isEmpty() ? QStringLiteral("All bands") : bandPattern.chopped(1) + QStringLiteral(" MHz");
    return ownCallsign + QLatin1Char(' ') + band + QStringLiteral(" wkd/cfd ") + squaresWorked + QLatin1Char('/')
        + squaresConfirmed;
}

QString opacityDigits(const QString& opacity)
{
    bool ok = false;
    int value = opacity.trimmed().toInt(&ok);
    if (!ok || value < 0 || value > 255)
        value = kDefaultOpacity;
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

std::optional<QString> lineColourOf(const QString& prop)
{
    static const std::pair<const char*, const char*> colours[] = {
        {"Rs", "#ffff0000"}, {"Tr", "#ff0000ff"}, {"Es", "#ff00ff00"}, {"Au", "#ffff0080"}, {"Ms", "#ff707070"}};
    for (const auto& [code, colour] : colours) {
        if (prop == QLatin1String(code))
            return QString::fromLatin1(colour);
    }
    return std::nullopt;
}

std::optional<std::vector<KmlRow>> readKmlRows(QSqlDatabase db, const QString& bandPattern, QString* error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const bool ok = query.prepare(QStringLiteral("SELECT Grid, QSL, Prop, GEdata, GEgridXY, GEpoly FROM logtab WHERE Grid <> ''")
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
                        query.value(3).toString(), query.value(4).toString(), query.value(5).toString()});
    }
    if (query.lastError().isValid()) {
        *error = query.lastError().text();
        return std::nullopt;
    }
    return rows;
}

QByteArray kmlDocument(const KmlHeader& header, const std::vector<KmlRow>& rows, QString& lineColour)
{
    const QString alpha = opacityDigits(header.opacity);
    const QString yellow = QLatin1Char('#') + alpha + QStringLiteral("00ffff");
    const QString red = QLatin1Char('#') + alpha + QStringLiteral("0000ff");
    const QString title = escaped(header.title);
    const QString ownPoint = escaped(header.ownPoint);

    QString text;
    text.reserve(qsizetype(rows.size()) * 700 + 512);
    text += QStringLiteral("<kml xmlns=\"http://earth.google.com/kml/2.0\">\r\n<Document>\r\n");
    text += QStringLiteral("<Placemark><name> ") + escaped(header.ownCallsign)
        + QStringLiteral("</name><Point><coordinates>") + ownPoint
        + QStringLiteral("</coordinates></Point></Placemark>\r\n");
    for (const KmlRow& row : rows) {
        const QString& colour = row.qsl == QLatin1String("D") ? red : yellow;
        text += QStringLiteral("<name>") + title + QStringLiteral("</name><Placemark><name>") + escaped(row.grid)
            + QStringLiteral("</name><description>") + escaped(row.description)
            + QStringLiteral("</description><Style><PolyStyle><color>") + colour
            + QStringLiteral("</color></PolyStyle></Style><MultiGeometry><Point><coordinates>") + escaped(row.point)
            + QStringLiteral("</coordinates></Point><Polygon><outerBoundaryIs><LinearRing><coordinates>")
            + escaped(row.outline)
            + QStringLiteral("</coordinates></LinearRing></outerBoundaryIs></Polygon></MultiGeometry></Placemark>");
        if (const auto own = lineColourOf(row.prop))
            lineColour = *own;
        if (header.lines) {
            text += QStringLiteral("<Placemark> <LineString>  <coordinates>") + ownPoint + QLatin1Char(' ')
                + escaped(row.point) + QStringLiteral("</coordinates> </LineString><Style><LineStyle><color>")
                + escaped(lineColour) + QStringLiteral("</color><width>2</width></LineStyle></Style></Placemark>");
        }
    }
    text += QStringLiteral("</Document></kml>\r\n");
    return text.toUtf8();
}

bool writeKmlFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = QStringLiteral("The map %1 cannot be written: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
}

} // namespace mivra::exporter
