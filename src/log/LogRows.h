#pragma once

#include "LogRow.h"

#include <functional>
#include <vector>

namespace mivra {

class LogDatabase;

// Reads the selected rows of logtab in time order (date, time, then as stored). Rows outside
// a time span are left out; so are rows whose date or time cannot be read when a span is
// given. False with *error when the log cannot be read.
bool readLogRows(const LogDatabase& log, const LogSelection& selection, std::vector<LogRow>* rows, QString* error);

// The same rows one at a time, without holding them all where the log keeps them in sortable
// form; visit may take the row it is given, and returns false to stop early. While the rows are
// read, visit must not use the log's connection; quiet, called every thousand rows or so, may.
bool visitLogRows(const LogDatabase& log, const LogSelection& selection, const std::function<bool(LogRow&)>& visit,
                  QString* error, const std::function<void()>& quiet = {});

} // namespace mivra
