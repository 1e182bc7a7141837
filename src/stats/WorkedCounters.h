#pragma once

#include <QSqlDatabase>
#include <QString>

namespace mivra::stats {

// The four counters of the main window, by their label.
enum class Counter {
    SquaresWorked,     // Sqw: first 4 characters of Grid; also writes the square outlines (GEpoly)
    SquaresConfirmed,  // SQc: the same over rows whose QSL is q
    EntitiesWorked,    // dxw: first 8 characters of DXCC
    EntitiesConfirmed, // DXc: the same over rows whose QSL is q
};

struct CounterResult {
    enum Outcome {
        Counted,   // count holds the number of distinct keys
        Unchanged, // a search text is present or no row qualifies: the label keeps its text
        Failed,    // the log could not be read or written; nothing was changed, error says why
    };
    Outcome outcome = Unchanged;
    int count = 0;
    QString error;
};

// Counts the distinct keys of the rows within the band (empty pattern: every band). Keys are
// compared exactly, with case. SquaresWorked stores the outline of each square into GEpoly of the
// square's first row in locator order, all in one transaction.
CounterResult runCounter(QSqlDatabase db, Counter counter, const QString& bandPattern, const QString& searchText);

} // namespace mivra::stats
