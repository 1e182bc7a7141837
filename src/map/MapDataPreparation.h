#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>

namespace mivra::map {

struct PreparationResult {
    bool ok = false;        // false: the log could not be read or the changes not committed; none are kept
    int rowCount = 0;       // rows within the band, those without a locator (NULL Grid) included
    int prepared = 0;       // rows that received GEdata and GEgridXY
    bool cancelled = false; // the progress said stop; nothing was changed
    QString error;
};

// Writes the description (GEdata) and the point text (GEgridXY) into every row of the band that
// has a Grid value (empty pattern: every row), in one transaction. Distance and heading are
// recomputed from ownLocator when the row's locator is valid; otherwise the stored QRB and QTF
// are described and the point is the own station's. A row that cannot be updated is skipped.
// progress is told now and then the rows done and the rows of the band; when it returns false
// the work stops and every change is rolled back.
using MapProgress = std::function<bool(qint64 done, qint64 total)>;
PreparationResult prepareMapData(QSqlDatabase db, const QString& bandPattern, const QString& ownLocator,
                                 const MapProgress& progress = {});

} // namespace mivra::map
