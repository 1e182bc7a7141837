#pragma once

#include "WorkedCounters.h"
#include "WriteTarget.h"

#include <QSqlDatabase>
#include <QString>

namespace mivra::map {

struct MapExportRequest {
    QString bandPattern;
    QString searchText;
    QString ownCallsign;
    QString ownPoint; // point text of the own locator
    QString opacity;
    bool lines = false;
    ConfirmationCount confirmedBy = kDefaultConfirmationCount; // which squares are red
    QString squaresWorkedCaption;                              // the counters' captions before the run: the title keeps
    QString squaresConfirmedCaption;                           // them when a counter leaves its label as it is
    QString filePath;
    WriteTarget writeTarget; // files that filePath must not be
};

struct MapExportResult {
    enum Outcome {
        Written,           // the file was replaced; open it
        SearchTextPresent, // nothing read or written: the map shows the whole band
        NoCoordinates,     // no row with a locator; nothing written
        Failed,            // message names what went wrong; an existing file is kept
    };
    Outcome outcome = Failed;
    QString message;
    stats::CounterResult squaresWorked;
    stats::CounterResult squaresConfirmed;
};

// Reads the rows with a locator within the band, runs the two squares counters (which store the
// outlines the next export shows), and writes the KML document to request.filePath.
MapExportResult exportMap(QSqlDatabase db, const MapExportRequest& request);

} // namespace mivra::map
