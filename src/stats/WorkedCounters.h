#pragma once

#include "ConfirmationCount.h"

#include <QSqlDatabase>
#include <QString>

#include <vector>

namespace mivra::stats {

// The four counters of the main window, by their label.
enum class Counter {
    SquaresWorked,     // Sqw: first 4 characters of Grid; also writes the square outlines (GEpoly)
    SquaresConfirmed,  // SQc: the same over rows confirmed as the ConfirmationCount says
    EntitiesWorked,    // dxw: first 8 characters of DXCC
    EntitiesConfirmed, // DXc: the same over confirmed rows
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
// confirmedBy: what counts a row as confirmed for the confirmed counters.
CounterResult runCounter(QSqlDatabase db, Counter counter, const QString& bandPattern, const QString& searchText,
                         ConfirmationCount confirmedBy = kDefaultConfirmationCount);

// The first row of a square in locator order: the row that carries the square's outline.
struct SquareFirstRow {
    QString square;
    qint64 id = 0;
};

// What runCounter reads, without writing: for SquaresWorked also the rows the outlines go to.
struct CounterTally {
    CounterResult result;
    std::vector<SquareFirstRow> firstRows;
};

// The read half of runCounter; safe on a connection of its own in another thread.
CounterTally tallyCounter(QSqlDatabase db, Counter counter, const QString& bandPattern, const QString& searchText,
                          ConfirmationCount confirmedBy = kDefaultConfirmationCount);
// The write half: stores the outlines of a SquaresWorked tally. Returns the tally's result, or
// Failed (nothing changed) when the log refused the write.
CounterResult storeSquareOutlines(QSqlDatabase db, const CounterTally& tally);

} // namespace mivra::stats
