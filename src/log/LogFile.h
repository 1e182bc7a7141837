#pragma once

#include "CtyCsv.h"

#include <QString>

#include <vector>

namespace mivra {

// Creates a new log at path (which must not exist): logtab and its indexes, and dxccdata
// holding dxccRows in their order. Built in a temporary file beside path and renamed into
// place, so a failure leaves no file behind.
bool createLogFile(const QString& path, const std::vector<DxccRow>& dxccRows, QString* error);

// Checks that the file at path is a writable SQLite log with the tables and named columns the
// program uses, of a layout version this program knows. Sets *error to a message naming the file. Nothing is written to it, except that
// SQLite rolls back a journal an interrupted write left beside it.
bool checkLogFile(const QString& path, QString* error);

// The same checks for a log another program holds, made without writing anything (a journal
// left by a crash is not rolled back, and stops the check); the log must be of the newest layout.
bool checkLogFileForReading(const QString& path, QString* error);

} // namespace mivra
