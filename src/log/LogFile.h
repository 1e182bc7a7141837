#pragma once

#include "CtyCsv.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <functional>
#include <vector>

namespace mivra {

// Creates a new log at path (which must not exist): logtab and its indexes, and dxccdata
// holding dxccRows in their order. Built in a temporary file beside path and renamed into
// place, so a failure leaves no file behind.
bool createLogFile(const QString& path, const std::vector<DxccRow>& dxccRows, QString* error);

// Checks that the file at path is a writable SQLite log with the tables and named columns the
// program uses. Sets *error to a message naming the file. Nothing is written to it, except that
// SQLite rolls back a journal an interrupted write left beside it.
bool checkLogFile(const QString& path, QString* error);

// Makes the indexes an older log lacks, all in one transaction. False (with *error) when refused;
// the log then still works, only its look-ups are slower.
bool createMissingIndexes(QSqlDatabase db, QString* error);

// Runs work in one transaction on db: committed when it returns true, rolled back otherwise, with
// *error (when given) set to the database's message.
bool inTransaction(QSqlDatabase db, const std::function<bool(QSqlQuery&)>& work, QString* error);

} // namespace mivra
