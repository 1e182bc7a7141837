#pragma once

#include <QString>
#include <QStringList>

namespace mivra {

class SqliteConnection;

// The local half of the shared log. Every contact carries a Uuid (its identity at every position)
// and the Position that logged it; share_stamp holds each contact's version (a hybrid logical
// clock: milliseconds, then a count within the millisecond, then the position name; compared as
// text, the later change wins and ties fall the same way everywhere), a tombstone for a deleted
// one, and the base: the version last sent or received that the change was made on, which tells a
// later edit from a concurrent one; share_outbox lists the contacts changed here and not yet
// acknowledged by the server. Triggers on logtab fill both, so every writer of the log is covered;
// writes made while share_state.applying is set (the pull) are not.

// The payload columns of logtab: all but ID, Uuid and the map data, in table order.
QStringList sharePayloadColumns(SqliteConnection& db);

// Makes the share tables when missing and gives every contact without one its Uuid.
bool createShareTables(SqliteConnection& db, QString* error);

// (Re)makes the triggers for logtab's columns as they are now. Called after every layout change, so
// columns added later travel without other changes.
bool refreshShareTriggers(SqliteConnection& db, QString* error);

// An SQL expression of a new random (version 4) UUID text.
QString newUuidSql();

} // namespace mivra
