#pragma once

#include "CtyCsv.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace mivra {

class SqliteConnection;

// The layout of the log file and its versions. The file carries its version in PRAGMA
// user_version; opening a log brings it to kNewestLogVersion through the numbered upgrade steps
// of LogSchema.cpp, one transaction each. A new layout is one more step there.
inline constexpr int kNewestLogVersion = 6;

// The layout a log has: its version, and for a log of version 0 (made before versions were kept)
// the version its columns show.
struct LogLayout {
    int version = -1;    // -1: the version cannot be read
    int recognised = -1; // the version the log is at, recognised once for version 0
    QStringList columns; // logtab's columns, read only for version 0
};
LogLayout readLogLayout(SqliteConnection& db);

// The refusal of a log newer than this program; empty when the log is not newer.
QString newerLogRefusal(const QString& path, const LogLayout& layout);

// Creates the newest layout in an empty database: logtab, dxccdata holding dxccRows in their
// order, the indexes and the version, all in one transaction.
bool createLogTables(SqliteConnection& db, const std::vector<DxccRow>& dxccRows, QString* error);

// Runs the upgrade steps from the log's version to the newest, each in its own transaction;
// backUp is called once before the first step changes the layout. A log of version 0 whose
// columns are already the newest layout only has its version written. False with *error when a
// step or the backup failed: the steps committed before stay, the log is whole at their version.
bool upgradeLog(SqliteConnection& db, const std::function<bool(QString* error)>& backUp, QString* error);

// Declares logtab's ID AUTOINCREMENT, so that SQLite never gives an ID twice (a deleted contact's
// ID stays free for its undo), in the transaction open on db. Edit changes the declaration where
// SQLite keeps it and falls back to Rebuild where the connection refuses that; Rebuild makes the
// table again with every row, ID, column and index. Nothing to do when the ID is so already.
enum class IdDeclarationChange { Edit, Rebuild };
bool makeIdsNeverReused(SqliteConnection& db, IdDeclarationChange change, QString* error);

// Makes the indexes an older log lacks, all in one transaction. False (with *error) when refused;
// the log then still works, only its look-ups are slower.
bool createMissingIndexes(SqliteConnection& db, QString* error);

// Makes the table of contacts per band value and the triggers that keep it, filled from logtab,
// when any of them is missing (a log of an earlier version, or a table rebuilt without them).
// False (with *error) when refused; counts then walk logtab.
bool ensureBandCounts(SqliteConnection& db, QString* error);

} // namespace mivra
