#pragma once

#include "LogRow.h"

#include <vector>

namespace mivra {

class LogDatabase;

// A contest as the log sees it: the contacts of one band inside a span [from, to) in UTC.
struct ContestSpan {
    QString bandValue; // "144", "432", ...
    QDateTime from;
    QDateTime to;
};

// The contest's rows in time order (then as stored): Band exactly the band value ("1440" is not
// "144"; "144.300" is) and a readable date and time inside the span. The one reader of a contest's
// rows, for the window's score and serials and for the EDI file. False (with *error) when the log
// cannot be read.
bool readContestRows(const LogDatabase& log, const ContestSpan& contest, std::vector<LogRow>* rows, QString* error);

// The serial number in a sent report ("59001" is 1, "599012" in CW is 12, "59 005" is 5); 0 without one.
int sentSerial(const QString& report, const QString& mode);
// One more than the highest serial sent in the rows: a deleted or edited row never makes a serial repeat.
int nextSerial(const std::vector<LogRow>& rows);
// The report New puts into Rss: "59" ("599" in CW) and the serial with three digits at least.
QString serialReport(int serial, const QString& mode);

// Whether the callsign's station is among the rows (portable and mobile suffixes ignored).
bool isDuplicate(const std::vector<LogRow>& rows, const QString& callsign);

} // namespace mivra
