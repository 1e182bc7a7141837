#include "KmlDocument.h"
#include "WholeFile.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace mivra::exporter {

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
    const QByteArray yellow = ('#' + alpha + QStringLiteral("00ffff")).toLatin1();
    const QByteArray red = ('#' + alpha + QStringLiteral("0000ff")).toLatin1();
    const QByteArray title = utf8(header.title);
    const QByteArray ownPoint = utf8(header.ownPoint);
    QByteArray colour = utf8(lineColour);

    QByteArray text;
    text.reserve(qsizetype(rows.size()) * (header.lines ? 900 : 650) + 512);
    text += "<kml xmlns=\"http://earth.google.com/kml/2.0\">\r\n<Document>\r\n";
    text += "<Placemark><name> " + utf8(header.ownCallsign) + "</name><Point><coordinates>" + ownPoint
        + "</coordinates></Point></Placemark>\r\n";
    for (const KmlRow& row : rows) {
        const QByteArray point = utf8(row.point);
        text += "<name>";
        text += title;
        text += "</name><Placemark><name>";
        text += utf8(row.grid);
        text += "</name><description>";
        text += utf8(row.description);
        text += "</description><Style><PolyStyle><color>";
        text += row.qsl == QLatin1String("D") ? red : yellow;
        text += "</color></PolyStyle></Style><MultiGeometry><Point><coordinates>";
        text += point;
        text += "</coordinates></Point><Polygon><outerBoundaryIs><LinearRing><coordinates>";
        text += utf8(row.outline);
        text += "</coordinates></LinearRing></outerBoundaryIs></Polygon></MultiGeometry></Placemark>";
        if (const auto own = lineColourOf(row.prop)) {
            lineColour = *own;
            colour = own->toLatin1();
        }
        if (header.lines) {
            text += "<Placemark> <LineString>  <coordinates>";
            text += ownPoint;
            text += ' ';
            text += point;
            text += "</coordinates> </LineString><Style><LineStyle><color>";
            text += colour;
            text += "</color><width>2</width></LineStyle></Style></Placemark>";
        }
    }
    text += "</Document></kml>\r\n";
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

} // namespace mivra::exporter
