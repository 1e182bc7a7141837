#pragma once

#include "ContestScore.h"
#include "EdiStation.h"
#include "LogRow.h"

#include <QByteArray>

#include <vector>

namespace mivra {

class LogDatabase;

// What an EDI (REG1TEST) log needs beyond the rows: one band, the contest span in UTC and the
// header lines.
struct EdiOptions {
    QString bandValue; // "144", "432", "1296", ... (50 MHz and up)
    QDateTime from;    // the span [from, to), UTC
    QDateTime to;
    QString contestName;
    QString section;
    QString operators; // MOpe1; the station's MOpe1 when empty
    QStringList remarks;
    OwnStation own;
    EdiStation station; // the header's station details; RCall defaults to the callsign without /P
};

struct EdiExportResult {
    bool ok = false;
    QString error;
    int written = 0;
};

// The REG1TEST band text of a band value ("144 MHz", "1,3 GHz"); empty below 50 MHz.
QString ediBandText(const QString& bandValue);

// The .edi text of rows of one band in time order (CR LF line ends, ASCII). Fails with *error
// when the band or the own locator cannot make an EDI log, or a report cannot be written in it.
QByteArray ediDocument(const std::vector<LogRow>& rows, const EdiOptions& options, QString* error);

// Writes the log's rows of the band within the span to an .edi file, whole or not at all.
EdiExportResult exportEdi(LogDatabase& log, const EdiOptions& options, const QString& filePath);

} // namespace mivra
