#include "ImportStore.h"

#include "AdifFields.h"
#include "ExchangeTypes.h"
#include "LogDatabase.h"
#include "SqliteHandle.h"
#include "StoredDateTime.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

namespace mivra {

namespace {

// Page cache of the import, in KiB.
constexpr int kImportCacheKiB = 64 * 1024;

bool failed(const QSqlQuery& query, QString* error)
{
    *error = query.lastError().text();
    return false;
}

void bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    // NULL only where the row says so; an empty text is stored as ''.
    sqlite3_bind_text16(statement, index,
                        text.isNull() ? static_cast<const void*>(u"") : static_cast<const void*>(text.utf16()),
                        int(text.size() * 2), SQLITE_TRANSIENT);
}

void bindNumber(sqlite3_stmt* statement, int index, const std::optional<double>& number)
{
    if (number)
        sqlite3_bind_double(statement, index, *number);
    else
        sqlite3_bind_null(statement, index);
}

QString columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = static_cast<const char16_t*>(sqlite3_column_text16(statement, column));
    return text ? QString::fromUtf16(text, sqlite3_column_bytes16(statement, column) / 2) : QString();
}

} // namespace

QString duplicateBand(const QString& band)
{
    const QString adifBand = adif::bandOfValue(band).name;
    return adifBand.isEmpty() ? band.trimmed().toUpper() : adifBand;
}

ImportStore::ImportStore(LogDatabase& log)
    : m_log(log)
{
}

ImportStore::~ImportStore()
{
    end();
    if (m_open)
        m_log.database().rollback();
    if (!m_cacheSize.isEmpty())
        QSqlQuery(m_log.database()).exec(QStringLiteral("PRAGMA cache_size = ") + m_cacheSize);
}

bool ImportStore::failed(QString* error) const
{
    *error = QString::fromUtf8(sqlite3_errmsg(m_db));
    return false;
}

bool ImportStore::prepare(const char* statement, sqlite3_stmt** prepared, QString* error)
{
    return sqlite3_prepare_v3(m_db, statement, -1, SQLITE_PREPARE_PERSISTENT, prepared, nullptr) == SQLITE_OK
           || failed(error);
}

bool ImportStore::begin(qint64 expectedRecords, QString* error)
{
    QSqlDatabase db = m_log.database();
    m_db = sqliteHandle(db);
    if (!m_db) {
        *error = u"the log is not an open SQLite database"_qs;
        return false;
    }
    QSqlQuery query(db);
    if (!query.exec(u"SELECT count(*) FROM pragma_table_info('logtab') WHERE name = 'QSLman'"_qs) || !query.next())
        return mivra::failed(query, error);
    // QSLman is written only where the log has it: logs from elsewhere may lack the column.
    m_withQslVia = query.value(0).toInt() > 0;
    if (!query.exec(u"SELECT count(*) FROM logtab"_qs) || !query.next())
        return mivra::failed(query, error);
    const qint64 stored = query.value(0).toLongLong();
    if (!query.exec(u"PRAGMA cache_size"_qs) || !query.next())
        return mivra::failed(query, error);
    const QString cacheSize = query.value(0).toString();
    query.finish();
    if (!query.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kImportCacheKiB)))
        return mivra::failed(query, error);
    m_cacheSize = cacheSize;
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    m_open = true;
    // Many records into a small log: building the indexes once afterwards is faster than keeping
    // them up row by row. The callsign index stays: it finds the duplicates.
    if (expectedRecords > kFewRecords && expectedRecords > stored) {
        if (!query.exec(u"SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'logtab'"
                        " AND sql IS NOT NULL AND name <> 'logtab_callsign'"_qs))
            return mivra::failed(query, error);
        while (query.next())
            m_deferredIndexes.emplace_back(query.value(0).toString(), query.value(1).toString());
        for (const auto& [name, statement] : m_deferredIndexes) {
            if (!query.exec(QStringLiteral("DROP INDEX \"%1\"").arg(name)))
                return mivra::failed(query, error);
        }
    }
    return prepare("SELECT ID, Callsign, Band, Date, GMT, QSL FROM logtab WHERE Callsign = ?", &m_find, error)
           && prepare(m_withQslVia ? "INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam,"
                                     " Comment, QSL, Prop, DXCC, QRB, QTF, QSLman)"
                                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                                   : "INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam,"
                                     " Comment, QSL, Prop, DXCC, QRB, QTF)"
                                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                      &m_insert, error)
           && prepare("UPDATE logtab SET QSL = 'Q' WHERE ID = ?", &m_confirm, error);
}

std::optional<ImportStore::Match> ImportStore::match(const QString& callsign, const QString& band,
                                                     const QDateTime& time, QString* error)
{
    sqlite3_reset(m_find);
    bindText(m_find, 1, callsign);
    // The duplicate rule, without making its key texts for every row.
    const QString bandKey = duplicateBand(band);
    const QDate day = time.date();
    const int minute = time.time().hour() * 60 + time.time().minute();
    const QString call = callsign.trimmed().toUpper();
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(m_find)) == SQLITE_ROW) {
        const QDateTime stored = readStoredDateTime(columnText(m_find, 3), columnText(m_find, 4));
        if (stored.isValid() && stored.date() == day && stored.time().hour() * 60 + stored.time().minute() == minute
            && duplicateBand(columnText(m_find, 2)) == bandKey && columnText(m_find, 1).trimmed().toUpper() == call) {
            const Match found{sqlite3_column_int64(m_find, 0), columnText(m_find, 5)};
            sqlite3_reset(m_find);
            return found;
        }
    }
    if (step != SQLITE_DONE)
        failed(error);
    sqlite3_reset(m_find);
    return std::nullopt;
}

bool ImportStore::insert(const Contact& row, QString* error)
{
    if (row.qslVia && !row.qslVia->isEmpty() && !m_withQslVia) {
        *error = u"the log has no QSLman column for QSL_VIA"_qs;
        return false;
    }
    sqlite3_reset(m_insert);
    int i = 1;
    for (const QString* text : {&row.date, &row.gmt, &row.callsign, &row.grid, &row.rsts, &row.rstr, &row.band,
                                &row.mode, &row.name, &row.comment, &row.qsl, &row.prop, &row.dxcc})
        bindText(m_insert, i++, *text);
    bindNumber(m_insert, i++, row.qrb);
    bindNumber(m_insert, i++, row.qtf);
    if (m_withQslVia) {
        if (row.qslVia)
            bindText(m_insert, i, *row.qslVia);
        else
            sqlite3_bind_null(m_insert, i);
    }
    return sqlite3_step(m_insert) == SQLITE_DONE || failed(error);
}

bool ImportStore::confirm(qint64 id, QString* error)
{
    sqlite3_reset(m_confirm);
    sqlite3_bind_int64(m_confirm, 1, id);
    return sqlite3_step(m_confirm) == SQLITE_DONE || failed(error);
}

bool ImportStore::commit(QString* error)
{
    end();
    QSqlDatabase db = m_log.database();
    QSqlQuery query(db);
    for (const auto& [name, statement] : m_deferredIndexes) {
        if (!query.exec(statement))
            return mivra::failed(query, error);
    }
    query.finish();
    if (!db.commit()) {
        *error = db.lastError().text();
        return false;
    }
    m_open = false;
    return true;
}

void ImportStore::end()
{
    for (sqlite3_stmt** statement : {&m_find, &m_insert, &m_confirm}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
}

} // namespace mivra
