#include "MapExport.h"

#include "KmlDocument.h"

namespace mivra::map {

namespace {

QString captionOf(const stats::CounterResult& result, const QString& before)
{
    return result.outcome == stats::CounterResult::Counted ? QString::number(result.count) : before;
}

} // namespace

MapExportResult exportMap(QSqlDatabase db, const MapExportRequest& request)
{
    MapExportResult result;
    if (!request.searchText.isEmpty()) {
        result.outcome = MapExportResult::SearchTextPresent;
        result.message = QStringLiteral("Empty the search box first: the map shows every contact of the band.");
        return result;
    }
    if (!request.writeTarget.allows(request.filePath, &result.message))
        return result;
    QString error;
    const auto rows = readKmlRows(db, request.bandPattern, request.confirmedBy, &error);
    if (!rows) {
        result.message = QStringLiteral("The log cannot be read for the map: ") + error;
        return result;
    }

    result.squaresWorked
        = stats::runCounter(db, stats::Counter::SquaresWorked, request.bandPattern, request.searchText);
    result.squaresConfirmed = stats::runCounter(db, stats::Counter::SquaresConfirmed, request.bandPattern,
                                                request.searchText, request.confirmedBy);

    if (rows->empty()) {
        result.outcome = MapExportResult::NoCoordinates;
        result.message = QStringLiteral("No lat/long coords where found.");
        return result;
    }

    KmlHeader header;
    header.ownCallsign = request.ownCallsign;
    header.ownPoint = request.ownPoint;
    header.title = kmlTitle(request.ownCallsign, request.bandPattern,
                            captionOf(result.squaresWorked, request.squaresWorkedCaption),
                            captionOf(result.squaresConfirmed, request.squaresConfirmedCaption));
    header.opacity = request.opacity;
    header.lines = request.lines;
    if (!writeKmlFile(request.filePath, kmlDocument(header, *rows), &result.message))
        return result;
    result.outcome = MapExportResult::Written;
    return result;
}

} // namespace mivra::map
