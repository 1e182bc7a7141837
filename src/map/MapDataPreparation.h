#pragma once

#include <QSqlDatabase>
#include <QString>

namespace mivra::exporter {

struct PreparationResult {
    bool ok = false;  // false: the log could not be read or the changes not committed; none are kept
    int rowCount = 0; // rows within the band, those without a locator (NULL Grid) included
    int prepared = 0; // rows that received GEdata and GEgridXY
    QString error;
};

// Writes the description (GEdata) and the point text (GEgridXY) into every row of the band that
// has a Grid value (empty pattern: every row), in one transaction. Distance and heading are
// recomputed from ownLocator when the row's locator is valid; otherwise the stored QRB and QTF
// are described and the point is the own station's. A row that cannot be updated is skipped.
PreparationResult prepareMapData(QSqlDatabase db, const QString& bandPattern, const QString& ownLocator);

} // namespace mivra::exporter
