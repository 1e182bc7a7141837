#pragma once

#include "ContestLog.h"

#include <QList>
#include <QStringList>

namespace mivra {

// The positions of a shared log that logged in the contest on its band since a moment (and not
// later than its end), this position left out: two positions on one band count their serials
// from the same contacts, and one that starts before it sees the other's may send a number again.
// Empty for a log that is not shared; false (with *error) when the log cannot be read.
bool otherPositionsOnBand(const LogDatabase& log, const ContestSpan& contest, const QDateTime& since,
                          QStringList* positions, QString* error);

// The serials sent more than once among the contest's rows, ascending.
QList<int> repeatedSerials(const std::vector<LogRow>& rows);

} // namespace mivra
