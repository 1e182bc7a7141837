#include "ShareTriggers.h"

#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QSet>

namespace mivra {

namespace {

// Columns written by the map preparation and the counters: derived, never sent.
bool isLocalColumn(const QString& column)
{
    static const QSet<QString> local = {u"id"_qs, u"uuid"_qs, u"gedata"_qs, u"gepoly"_qs, u"gegridxy"_qs};
    return local.contains(column.toLower());
}

// The statements that stamp the contact of uuidSql as changed here (deleted: 1 or 0).
QString stampStatements(const QString& uuidSql, int deleted)
{
    // Put together by hand: the printf format would read as arg() markers. The clock is the time in
    // milliseconds times a million plus a count of the changes made within it, so a burst of changes
    // (an import) counts on below the millisecond and never runs ahead of the time.
    return u"UPDATE share_state SET clock = max(clock + 1,"
           " CAST((julianday('now') - 2440587.5) * 86400000.0 AS INTEGER) * 1000000);"
           " INSERT OR REPLACE INTO share_stamp (uuid, stamp, deleted, base)"
           " SELECT "_qs
           + uuidSql + u", printf('%021d:%s', clock, position), "_qs + QString::number(deleted)
           + u", (SELECT CASE WHEN EXISTS (SELECT 1 FROM share_outbox WHERE uuid = "_qs + uuidSql
           + u") THEN base ELSE stamp END FROM share_stamp WHERE uuid = "_qs + uuidSql
           + u") FROM share_state; INSERT OR REPLACE INTO share_outbox (uuid) VALUES ("_qs + uuidSql + u");"_qs;
}

const char* const kShareTables[] = {
    "CREATE TABLE IF NOT EXISTS share_state ("
    " only INTEGER PRIMARY KEY CHECK (only = 1),"
    " position TEXT NOT NULL DEFAULT '',"
    " clock INTEGER NOT NULL DEFAULT 0,"
    " applying INTEGER NOT NULL DEFAULT 0,"
    " pulled INTEGER NOT NULL DEFAULT 0,"
    " server TEXT NOT NULL DEFAULT '')",
    "INSERT OR IGNORE INTO share_state (only) VALUES (1)",
    "CREATE TABLE IF NOT EXISTS share_stamp ("
    " uuid TEXT PRIMARY KEY, stamp TEXT NOT NULL, deleted INTEGER NOT NULL DEFAULT 0, base TEXT) WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS share_outbox (n INTEGER PRIMARY KEY, uuid TEXT NOT NULL UNIQUE)",
    "CREATE INDEX IF NOT EXISTS logtab_uuid ON logtab (Uuid)",
};

} // namespace

QString newUuidSql()
{
    return QStringLiteral(
        "(lower(hex(randomblob(4))) || '-' || lower(hex(randomblob(2))) || '-4' || substr(lower(hex(randomblob(2))), 2)"
        " || '-' || substr('89ab', 1 + (abs(random()) % 4), 1) || substr(lower(hex(randomblob(2))), 2)"
        " || '-' || lower(hex(randomblob(6))))");
}

QStringList sharePayloadColumns(SqliteConnection& db)
{
    QStringList columns;
    SqliteStatement query(db, QStringLiteral("SELECT name FROM pragma_table_info('logtab') ORDER BY cid"));
    while (query.step()) {
        const QString column = query.text(0);
        if (!isLocalColumn(column))
            columns << column;
    }
    return columns;
}

bool createShareTables(SqliteConnection& db, QString* error)
{
    for (const char* statement : kShareTables) {
        if (!db.exec(QString::fromLatin1(statement), error))
            return false;
    }
    return db.exec(QStringLiteral("UPDATE logtab SET Uuid = %1 WHERE Uuid IS NULL").arg(newUuidSql()), error);
}

bool refreshShareTriggers(SqliteConnection& db, QString* error)
{
    QStringList changed;
    for (const QString& column : sharePayloadColumns(db))
        changed << QStringLiteral("new.\"%1\" IS NOT old.\"%1\" COLLATE BINARY").arg(column);
    // Stamped only while the log is shared (a position named) and not by the pull's own writes; a
    // log joining later queues its unstamped contacts then.
    const QString stamping = QStringLiteral("(SELECT applying = 0 AND position <> '' FROM share_state)");
    const QString sharedElsewhere
        = QStringLiteral("EXISTS (SELECT 1 FROM logtab AS other WHERE other.Uuid = new.Uuid AND other.ID <> new.ID)");
    // The contact of a logfields row, whose other fields travel with it.
    const auto contactOf = [](const char* row) {
        return QStringLiteral("(SELECT Uuid FROM logtab WHERE ID = %1.ID)").arg(QLatin1String(row));
    };
    const QString statements[] = {
        u"DROP TRIGGER IF EXISTS share_insert_new"_qs,
        u"DROP TRIGGER IF EXISTS share_insert_kept"_qs,
        u"DROP TRIGGER IF EXISTS share_update"_qs,
        u"DROP TRIGGER IF EXISTS share_delete"_qs,
        u"DROP TRIGGER IF EXISTS share_fields_insert"_qs,
        u"DROP TRIGGER IF EXISTS share_fields_update"_qs,
        u"DROP TRIGGER IF EXISTS share_fields_delete"_qs,
        // A new contact, or one whose Uuid another contact holds already (an import of the same file
        // twice): a new identity, shared or not. The update it makes is stamped by share_update.
        QStringLiteral("CREATE TRIGGER share_insert_new AFTER INSERT ON logtab"
                       " WHEN (SELECT applying = 0 FROM share_state) AND (new.Uuid IS NULL OR %1)"
                       " BEGIN UPDATE logtab SET Uuid = %2, Position = coalesce(Position,"
                       " (SELECT nullif(position, '') FROM share_state)) WHERE ID = new.ID; END")
            .arg(sharedElsewhere, newUuidSql()),
        // A contact that came with its identity (an import of an exported contact, an undone delete).
        QStringLiteral("CREATE TRIGGER share_insert_kept AFTER INSERT ON logtab"
                       " WHEN %1 AND new.Uuid IS NOT NULL AND NOT %2 BEGIN %3 END")
            .arg(stamping, sharedElsewhere, stampStatements(u"new.Uuid"_qs, 0)),
        QStringLiteral("CREATE TRIGGER share_update AFTER UPDATE ON logtab"
                       " WHEN %1 AND new.Uuid IS NOT NULL AND (new.Uuid IS NOT old.Uuid OR %2) BEGIN %3 END")
            .arg(stamping, changed.join(u" OR "_qs), stampStatements(u"new.Uuid"_qs, 0)),
        QStringLiteral("CREATE TRIGGER share_delete AFTER DELETE ON logtab WHEN %1 AND old.Uuid IS NOT NULL"
                       " BEGIN %2 END")
            .arg(stamping, stampStatements(u"old.Uuid"_qs, 1)),
        // The fields without a column of their own: a change of them alone changes the contact. A
        // delete that goes with its contact's (logtab_fields_delete) finds no contact and stamps nothing.
        QStringLiteral("CREATE TRIGGER share_fields_insert AFTER INSERT ON logfields WHEN %1 AND %2 IS NOT NULL"
                       " BEGIN %3 END")
            .arg(stamping, contactOf("new"), stampStatements(contactOf("new"), 0)),
        QStringLiteral("CREATE TRIGGER share_fields_update AFTER UPDATE ON logfields"
                       " WHEN %1 AND (new.fields IS NOT old.fields COLLATE BINARY OR new.ID IS NOT old.ID)"
                       " AND %2 IS NOT NULL BEGIN %3 END")
            .arg(stamping, contactOf("new"), stampStatements(contactOf("new"), 0)),
        QStringLiteral("CREATE TRIGGER share_fields_delete AFTER DELETE ON logfields WHEN %1 AND %2 IS NOT NULL"
                       " BEGIN %3 END")
            .arg(stamping, contactOf("old"), stampStatements(contactOf("old"), 0)),
    };
    for (const QString& statement : statements) {
        if (!db.exec(statement, error))
            return false;
    }
    return true;
}

} // namespace mivra
