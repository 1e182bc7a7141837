#include "LogSchema.h"

#include "ErrorText.h"
#include "ShareTriggers.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>

#include <span>

namespace mivra {

namespace {

// Version 1, the first layout this program made: the named columns, QSLman and the map columns.
const char* const kFirstLayout[] = {
    "CREATE TABLE logtab ("
    " ID INTEGER PRIMARY KEY,"
    " Date TEXT COLLATE NOCASE NOT NULL CHECK (length(trim(Date)) > 0),"
    " GMT TEXT COLLATE NOCASE,"
    " Callsign TEXT COLLATE NOCASE NOT NULL CHECK (length(trim(Callsign)) > 0),"
    " Grid TEXT COLLATE NOCASE,"
    " rsts TEXT COLLATE NOCASE,"
    " rstr TEXT COLLATE NOCASE,"
    " DXCC TEXT COLLATE NOCASE,"
    " QSL TEXT COLLATE NOCASE,"
    " Nam TEXT COLLATE NOCASE,"
    " Band TEXT COLLATE NOCASE,"
    " mode TEXT COLLATE NOCASE,"
    " QRB REAL,"
    " QTF REAL,"
    " Comment TEXT COLLATE NOCASE,"
    " Prop TEXT COLLATE NOCASE,"
    " QSLman TEXT COLLATE NOCASE,"
    " GEdata TEXT COLLATE NOCASE,"
    " GEpoly TEXT COLLATE NOCASE,"
    " GEgridXY TEXT COLLATE NOCASE)",
    "CREATE TABLE dxccdata ("
    " ADIF INTEGER,"
    " dxcccode TEXT COLLATE NOCASE,"
    " entity TEXT COLLATE NOCASE)",
};

// Made with a new log, and made at open where an older log lacks them.
const char* const kIndexStatements[] = {
    // The view walks logtab_time newest first and tests the band on the index entry, so the
    // first screen comes without sorting; logtab_band serves the counts, callsign and grid the searches.
    "CREATE INDEX IF NOT EXISTS logtab_time ON logtab (Date DESC, GMT DESC, Band)",
    "CREATE INDEX IF NOT EXISTS logtab_band ON logtab (Band)",
    "CREATE INDEX IF NOT EXISTS logtab_callsign ON logtab (Callsign COLLATE NOCASE)",
    "CREATE INDEX IF NOT EXISTS logtab_grid ON logtab (Grid)",
    // Worked before, new square and new entity on a band: one index seek each.
    "CREATE INDEX IF NOT EXISTS logtab_square ON logtab (upper(substr(Grid, 1, 4)), Band)",
    "CREATE INDEX IF NOT EXISTS logtab_dxcc ON logtab (DXCC COLLATE NOCASE, Band)",
    // A QSL run reads the rows of one state in callsign order, a batch at a time.
    "CREATE INDEX IF NOT EXISTS logtab_qsl ON logtab (QSL, Callsign)",
    // The lookup narrows the patterns to those that can match the callsign's first character.
    "CREATE INDEX IF NOT EXISTS dxccdata_initial ON dxccdata (upper(substr(dxcccode, 1, 1)))",
};

// The number of contacts of each band value, kept by triggers in the transaction of every write, so
// that the count of a band needs no walk over its rows. Made with a new log, and made anew (and
// filled) at open when any part of it is missing.
const char* const kBandCountTriggers[] = {"logtab_count_insert", "logtab_count_delete", "logtab_count_band"};
const char* const kBandCountStatements[] = {
    "CREATE TABLE bandcounts (band TEXT, contacts INTEGER NOT NULL)",
    "CREATE UNIQUE INDEX bandcounts_band ON bandcounts (band)",
    // Band values count apart as they are stored (binary), NULL as one value of its own: a LIKE
    // over these rows matches exactly the contacts the same LIKE over logtab would.
    "INSERT INTO bandcounts (band, contacts) SELECT Band COLLATE BINARY, count(*) FROM logtab"
    " GROUP BY Band COLLATE BINARY",
    "CREATE TRIGGER logtab_count_insert AFTER INSERT ON logtab BEGIN"
    " UPDATE bandcounts SET contacts = contacts + 1 WHERE band IS NEW.Band;"
    " INSERT INTO bandcounts (band, contacts) SELECT NEW.Band, 1"
    "  WHERE NOT EXISTS (SELECT 1 FROM bandcounts WHERE band IS NEW.Band);"
    " END",
    "CREATE TRIGGER logtab_count_delete AFTER DELETE ON logtab BEGIN"
    " UPDATE bandcounts SET contacts = contacts - 1 WHERE band IS OLD.Band;"
    " DELETE FROM bandcounts WHERE band IS OLD.Band AND contacts <= 0;"
    " END",
    "CREATE TRIGGER logtab_count_band AFTER UPDATE OF Band ON logtab"
    " WHEN OLD.Band IS NOT NEW.Band COLLATE BINARY BEGIN"
    " UPDATE bandcounts SET contacts = contacts - 1 WHERE band IS OLD.Band;"
    " DELETE FROM bandcounts WHERE band IS OLD.Band AND contacts <= 0;"
    " UPDATE bandcounts SET contacts = contacts + 1 WHERE band IS NEW.Band;"
    " INSERT INTO bandcounts (band, contacts) SELECT NEW.Band, 1"
    "  WHERE NOT EXISTS (SELECT 1 FROM bandcounts WHERE band IS NEW.Band);"
    " END",
};

bool hasBandCounts(SqliteConnection& db)
{
    SqliteStatement query(db, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE (type = 'table' AND name ="
                                             " 'bandcounts') OR (type = 'trigger' AND tbl_name = 'logtab' AND name IN"
                                             " ('logtab_count_insert', 'logtab_count_delete', 'logtab_count_band'))"));
    return query.step() && query.integer(0) == 1 + qint64(std::size(kBandCountTriggers));
}

bool makeBandCounts(SqliteConnection& db, QString* error)
{
    for (const char* trigger : kBandCountTriggers) {
        if (!db.exec(QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(QLatin1String(trigger)), error))
            return false;
    }
    if (!db.exec(QStringLiteral("DROP TABLE IF EXISTS bandcounts"), error))
        return false;
    for (const char* statement : kBandCountStatements) {
        if (!db.exec(QString::fromLatin1(statement), error))
            return false;
    }
    return true;
}

// A column an upgrade step adds to logtab.
struct AddedColumn {
    const char* name;
    const char* declaration;
};

// One upgrade step: what it brings the log from the version before. Its work runs first, then its
// columns are added, then its statements run, in one transaction.
struct UpgradeStep {
    int version; // the version the log has after the step
    const char* purpose;
    std::span<const AddedColumn> columns;
    std::span<const char* const> statements;
    bool (*work)(SqliteConnection& db, QString* error) = nullptr;
};

// Logs made before the program (the old layout of 31 columns) and logs from elsewhere may lack
// any of these.
constexpr AddedColumn kFirstLayoutColumns[] = {
    {"QSLman", "TEXT COLLATE NOCASE"},
    {"GEdata", "TEXT COLLATE NOCASE"},
    {"GEpoly", "TEXT COLLATE NOCASE"},
    {"GEgridXY", "TEXT COLLATE NOCASE"},
};
// The exact frequency in MHz a radio gave, or an imported FREQ.
constexpr AddedColumn kFrequencyColumn[] = {{"Freq", "REAL"}};
// The contact's identity at every position of a shared log, and the position that logged it. The
// share tables and triggers follow every layout change (shareLayout below).
constexpr AddedColumn kShareColumns[] = {{"Uuid", "TEXT"}, {"Position", "TEXT COLLATE NOCASE"}};

// The received frequency of a split contact, an imported FREQ_RX.
constexpr AddedColumn kReceivedFrequencyColumn[] = {{"FreqRx", "REAL"}};
// The fields of a contact's ADIF record that have no column, one row per contact that has any
// (OtherFields.h); kept apart so that logtab's rows stay small for the grid and the counters, and
// deleted with their contact whichever way it goes.
const char* const kOtherFieldsTable[] = {
    "CREATE TABLE IF NOT EXISTS logfields (ID INTEGER PRIMARY KEY, fields TEXT NOT NULL)",
    "DELETE FROM logfields WHERE ID NOT IN (SELECT ID FROM logtab)",
    "CREATE TRIGGER IF NOT EXISTS logtab_fields_delete AFTER DELETE ON logtab"
    " BEGIN DELETE FROM logfields WHERE ID = old.ID; END",
};

// Where each contact was made from and how it is confirmed: the own locator (MY_GRIDSQUARE),
// the dates a paper card went out and came in, and LoTW and eQSL confirmations with their dates,
// each apart from the paper QSL state so that counts can tell them apart.
constexpr AddedColumn kStationAndConfirmationColumns[] = {
    {"MyGrid", "TEXT COLLATE NOCASE"},
    {"QslSdate", "TEXT"},
    {"QslRdate", "TEXT"},
    {"LotwRcvd", "TEXT COLLATE NOCASE"},
    {"LotwRdate", "TEXT"},
    {"EqslRcvd", "TEXT COLLATE NOCASE"},
    {"EqslRdate", "TEXT"},
};

bool makeIdsNeverReusedStep(SqliteConnection& db, QString* error);

constexpr UpgradeStep kUpgradeSteps[] = {
    {1, "the QSL manager and map columns", kFirstLayoutColumns, {}},
    {2, "the frequency column", kFrequencyColumn, {}},
    {3, "IDs that are never given twice", {}, {}, &makeIdsNeverReusedStep},
    {4, "the received frequency and the other fields of a contact", kReceivedFrequencyColumn, kOtherFieldsTable},
    {5, "the own locator and the confirmation columns", kStationAndConfirmationColumns, {}},
    {6, "the shared log's identities", kShareColumns, {}},
};

static_assert(std::size(kUpgradeSteps) == kNewestLogVersion, "one step per version");

QStringList logColumns(SqliteConnection& db)
{
    QStringList columns;
    SqliteStatement query(db, QStringLiteral("SELECT name FROM pragma_table_info('logtab')"));
    while (query.step())
        columns << query.text(0);
    return columns;
}

// The statements (sql) of sqlite_master of one type that belong to logtab.
QStringList logtabSchema(SqliteConnection& db, const QString& type, QString* error)
{
    QStringList statements;
    SqliteStatement query(db, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = ? AND tbl_name = 'logtab'"
                                             " AND sql IS NOT NULL ORDER BY rowid"));
    query.bindText(1, type);
    while (query.step())
        statements << query.text(0);
    if (!query.isPrepared() || query.failed())
        setError(error, query.error());
    return statements;
}

// logtab's declaration with AUTOINCREMENT after its ID, and (when rename is given) under that
// name; empty when its ID is no INTEGER PRIMARY KEY.
QString autoincrementTable(QString table, const QString& rename)
{
    static const QRegularExpression key(QStringLiteral(R"(("?)\bID\1\s+INTEGER\s+PRIMARY\s+KEY\b)"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression name(
        QStringLiteral(R"(^\s*CREATE\s+TABLE\s+("logtab"|'logtab'|`logtab`|\[logtab\]|logtab)(?=[\s(]))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch keyMatch = key.match(table);
    const QRegularExpressionMatch nameMatch = name.match(table);
    if (!keyMatch.hasMatch() || !nameMatch.hasMatch())
        return {};
    table.insert(keyMatch.capturedEnd(), QLatin1String(" AUTOINCREMENT"));
    if (!rename.isEmpty())
        table.replace(nameMatch.capturedStart(1), nameMatch.capturedLength(1), rename);
    return table;
}

// The declaration changed where SQLite keeps it, as its manual describes for changes that leave
// the stored rows as they are (AUTOINCREMENT only makes SQLite remember the highest ID in
// sqlite_sequence): a fraction of a second at a million contacts. False when the connection
// refuses to write its schema.
bool editIdDeclaration(SqliteConnection& db, const QString& table, QString* error)
{
    SqliteStatement version(db, QStringLiteral("PRAGMA schema_version"));
    if (!version.step()) {
        setError(error, version.error());
        return false;
    }
    const qint64 schemaVersion = version.integer(0);
    version = SqliteStatement();
    if (!db.exec(QStringLiteral("PRAGMA writable_schema = ON"), error))
        return false;
    SqliteStatement writable(db, QStringLiteral("PRAGMA writable_schema"));
    const bool editable = writable.step() && writable.integer(0) == 1;
    writable = SqliteStatement();
    if (!editable)
        return false;
    SqliteStatement update(db,
                           QStringLiteral("UPDATE sqlite_master SET sql = ? WHERE type = 'table' AND name = 'logtab'"));
    update.bindText(1, table);
    const bool updated = update.run();
    if (!updated)
        setError(error, update.error());
    update = SqliteStatement();
    // The connection reads its schema again at the next statement.
    return db.exec(QStringLiteral("PRAGMA writable_schema = OFF"), error) && updated
           && db.exec(QStringLiteral("PRAGMA schema_version = %1").arg(schemaVersion + 1), error);
}

// logtab made again under the new declaration: every row with its ID, then its indexes and triggers.
bool rebuildWithIdDeclaration(SqliteConnection& db, const QString& table, QString* error)
{
    QString failure;
    const QStringList indexes = logtabSchema(db, QStringLiteral("index"), &failure);
    const QStringList triggers = logtabSchema(db, QStringLiteral("trigger"), &failure);
    if (!failure.isEmpty()) {
        setError(error, failure);
        return false;
    }
    SqliteStatement cacheSize(db, QStringLiteral("PRAGMA cache_size"));
    const qint64 cache = cacheSize.step() ? cacheSize.integer(0) : -2000;
    cacheSize = SqliteStatement();
    // A larger cache for the copy and the index builds: a third of the time at a million rows.
    if (!db.exec(QStringLiteral("PRAGMA cache_size = -65536"), error)
        || !db.exec(QStringLiteral("DROP TABLE IF EXISTS logtab_rebuilt"), error) || !db.exec(table, error)
        || !db.exec(QStringLiteral("INSERT INTO logtab_rebuilt SELECT * FROM logtab"), error)
        || !db.exec(QStringLiteral("DROP TABLE logtab"), error)
        || !db.exec(QStringLiteral("ALTER TABLE logtab_rebuilt RENAME TO logtab"), error))
        return false;
    for (const QString& statement : indexes + triggers) {
        if (!db.exec(statement, error))
            return false;
    }
    return db.exec(QStringLiteral("PRAGMA cache_size = %1").arg(cache), error);
}

} // namespace

bool makeIdsNeverReused(SqliteConnection& db, IdDeclarationChange change, QString* error)
{
    QString failure;
    const QStringList tables = logtabSchema(db, QStringLiteral("table"), &failure);
    if (!failure.isEmpty() || tables.size() != 1) {
        setError(error, failure.isEmpty() ? QStringLiteral("the log has no table logtab") : failure);
        return false;
    }
    if (tables.first().contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive))
        return true;
    const QString edited = autoincrementTable(tables.first(), {});
    if (edited.isEmpty()) {
        setError(error, QStringLiteral("the ID of logtab is not declared INTEGER PRIMARY KEY"));
        return false;
    }
    // sqlite_sequence, made by SQLite with the first table of AUTOINCREMENT, and the highest ID.
    if (!db.exec(QStringLiteral("CREATE TABLE logtab_sequence_maker (ID INTEGER PRIMARY KEY AUTOINCREMENT)"), error)
        || !db.exec(QStringLiteral("DROP TABLE logtab_sequence_maker"), error)
        || !db.exec(QStringLiteral("DELETE FROM sqlite_sequence WHERE name = 'logtab'"), error))
        return false;
    if (change == IdDeclarationChange::Edit) {
        failure.clear();
        if (editIdDeclaration(db, edited, &failure))
            return db.exec(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) SELECT 'logtab', max(ID)"
                                          " FROM logtab WHERE ID IS NOT NULL"),
                           error);
        if (!failure.isEmpty()) {
            setError(error, failure);
            return false;
        }
    }
    // The connection does not let its schema be written: the table is made again.
    return rebuildWithIdDeclaration(db, autoincrementTable(tables.first(), QStringLiteral("logtab_rebuilt")), error);
}

namespace {

bool makeIdsNeverReusedStep(SqliteConnection& db, QString* error)
{
    return makeIdsNeverReused(db, IdDeclarationChange::Edit, error);
}

// A step's changes; for a log of version 0, columns it already has are kept as they are.
bool runStep(SqliteConnection& db, const UpgradeStep& step, const QSet<QString>& present, QString* error)
{
    if (step.work && !step.work(db, error))
        return false;
    for (const AddedColumn& column : step.columns) {
        if (present.contains(QString::fromLatin1(column.name).toLower()))
            continue;
        if (!db.exec(QStringLiteral("ALTER TABLE logtab ADD COLUMN %1 %2")
                         .arg(QLatin1String(column.name), QLatin1String(column.declaration)),
                     error))
            return false;
    }
    for (const char* statement : step.statements) {
        if (!db.exec(QString::fromLatin1(statement), error))
            return false;
    }
    return db.exec(QStringLiteral("PRAGMA user_version = %1").arg(step.version), error);
}

// The share tables and the triggers for logtab's columns as they are after the last step.
bool shareLayout(SqliteConnection& db, QString* error)
{
    return createShareTables(db, error) && refreshShareTriggers(db, error);
}

} // namespace

LogLayout readLogLayout(SqliteConnection& db)
{
    LogLayout layout;
    layout.version = db.userVersion();
    layout.recognised = layout.version;
    if (layout.version != 0)
        return layout;
    // Made before the log carried its version: the columns tell how far its layout goes.
    layout.columns = logColumns(db);
    QSet<QString> present;
    for (const QString& column : layout.columns)
        present.insert(column.toLower());
    for (const UpgradeStep& step : kUpgradeSteps) {
        bool complete = step.statements.empty() && !step.work;
        for (const AddedColumn& column : step.columns)
            complete = complete && present.contains(QString::fromLatin1(column.name).toLower());
        if (!complete)
            break;
        layout.recognised = step.version;
    }
    return layout;
}

QString newerLogRefusal(const QString& path, const LogLayout& layout)
{
    if (layout.version <= kNewestLogVersion)
        return {};
    return QStringLiteral("The log %1 was written by a newer version of Mivra (log layout %2; this version knows "
                          "layouts up to %3). It is left as it is: open it with that version.")
        .arg(QDir::toNativeSeparators(path))
        .arg(layout.version)
        .arg(kNewestLogVersion);
}

bool createLogTables(SqliteConnection& db, const std::vector<DxccRow>& dxccRows, QString* error)
{
    return db.transaction(
        [&](QString* failure) {
            for (const char* statement : kFirstLayout) {
                if (!db.exec(QString::fromLatin1(statement), failure))
                    return false;
            }
            for (const UpgradeStep& step : kUpgradeSteps) {
                if (step.version > 1 && !runStep(db, step, {}, failure))
                    return false;
            }
            for (const char* statement : kIndexStatements) {
                if (!db.exec(QString::fromLatin1(statement), failure))
                    return false;
            }
            if (!makeBandCounts(db, failure))
                return false;
            SqliteStatement insert(db,
                                   QStringLiteral("INSERT INTO dxccdata (ADIF, dxcccode, entity) VALUES (?, ?, ?)"));
            for (const DxccRow& row : dxccRows) {
                insert.reset();
                insert.bindInteger(1, row.adifNumber);
                insert.bindText(2, row.pattern);
                insert.bindText(3, row.entity);
                if (!insert.run()) {
                    setError(failure, insert.error());
                    return false;
                }
            }
            return shareLayout(db, failure) && db.exec(QStringLiteral("PRAGMA user_version = %1").arg(kNewestLogVersion), failure);
        },
        error);
}

bool upgradeLog(SqliteConnection& db, const std::function<bool(QString* error)>& backUp, QString* error)
{
    const LogLayout layout = readLogLayout(db);
    if (layout.version < 0) {
        setError(error, db.errorMessage());
        return false;
    }
    if (layout.version >= kNewestLogVersion)
        return true;
    QSet<QString> present;
    for (const QString& column : layout.columns)
        present.insert(column.toLower());
    if (layout.recognised == kNewestLogVersion)
        return db.transaction(
            [&](QString* failure) {
                return shareLayout(db, failure)
                    && db.exec(QStringLiteral("PRAGMA user_version = %1").arg(kNewestLogVersion), failure);
            },
            error);
    if (backUp && !backUp(error))
        return false;
    for (const UpgradeStep& step : kUpgradeSteps) {
        if (step.version <= layout.recognised)
            continue;
        QString failure;
        if (!db.transaction([&](QString* stepError) { return runStep(db, step, present, stepError); }, &failure)) {
            setError(error, QStringLiteral("%1 cannot be added: %2").arg(QLatin1String(step.purpose), failure));
            return false;
        }
    }
    QString failure;
    if (!db.transaction([&](QString* stepError) { return shareLayout(db, stepError); }, &failure)) {
        setError(error, QStringLiteral("the shared log's triggers cannot be made: %1").arg(failure));
        return false;
    }
    return true;
}

bool createMissingIndexes(SqliteConnection& db, QString* error)
{
    return db.transaction(
        [&](QString* failure) {
            for (const char* statement : kIndexStatements) {
                if (!db.exec(QString::fromLatin1(statement), failure))
                    return false;
            }
            return true;
        },
        error);
}

} // namespace mivra

namespace mivra {

bool ensureBandCounts(SqliteConnection& db, QString* error)
{
    if (hasBandCounts(db))
        return true;
    return db.transaction([&](QString* failure) { return makeBandCounts(db, failure); }, error);
}

} // namespace mivra
