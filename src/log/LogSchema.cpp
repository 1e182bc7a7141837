#include "LogSchema.h"

#include "ErrorText.h"
#include "ShareTriggers.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QDir>
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
    // The lookup narrows the patterns to those that can match the callsign's first character.
    "CREATE INDEX IF NOT EXISTS dxccdata_initial ON dxccdata (upper(substr(dxcccode, 1, 1)))",
};

// A column an upgrade step adds to logtab.
struct AddedColumn {
    const char* name;
    const char* declaration;
};

// One upgrade step: what it brings the log from the version before. Its columns are added first,
// then its statements run, in one transaction.
struct UpgradeStep {
    int version; // the version the log has after the step
    const char* purpose;
    std::span<const AddedColumn> columns;
    std::span<const char* const> statements;
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

constexpr UpgradeStep kUpgradeSteps[] = {
    {1, "the QSL manager and map columns", kFirstLayoutColumns, {}},
    {2, "the frequency column", kFrequencyColumn, {}},
    {3, "the shared log's identities", kShareColumns, {}},
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

// A step's changes; for a log of version 0, columns it already has are kept as they are.
bool runStep(SqliteConnection& db, const UpgradeStep& step, const QSet<QString>& present, QString* error)
{
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
        bool complete = step.statements.empty();
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
