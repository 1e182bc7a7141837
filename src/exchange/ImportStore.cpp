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

// Page cache of the import, in KiB: while the indexes are kept up, and while rows are only
// appended and the indexes built at the end (a larger cache made that slower).
constexpr int kImportCacheKiB = 64 * 1024;
constexpr int kAppendCacheKiB = 16 * 1024;

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

// UTF-8 into a buffer that lives until the statement has run: SQLite neither copies nor converts
// it. ASCII, nearly every text of a log, is narrowed without Qt's encoder.
void bindUtf8(sqlite3_stmt* statement, int index, const QString& text, std::string* buffer)
{
    buffer->resize(std::size_t(text.size()));
    bool ascii = true;
    for (qsizetype i = 0; ascii && i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        ascii = c < 0x80;
        (*buffer)[std::size_t(i)] = char(c);
    }
    if (!ascii)
        *buffer = text.toStdString();
    sqlite3_bind_text(statement, index, buffer->data(), int(buffer->size()), SQLITE_STATIC);
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

// The duplicate rule's key (callsign, band, day and minute) as one number; FNV-1a.
quint64 keyHash(const QString& call, const QString& bandKey, QDate day, int minute)
{
    quint64 hash = 14695981039346656037ull;
    const auto add = [&hash](quint64 value) { hash = (hash ^ value) * 1099511628211ull; };
    for (const QChar c : call)
        add(c.unicode());
    add(0x10000);
    for (const QChar c : bandKey)
        add(c.unicode());
    add(0x10000);
    add(quint64(day.toJulianDay()));
    add(quint64(minute));
    return hash;
}

int minuteOfDay(QTime time)
{
    return time.hour() * 60 + time.minute();
}

} // namespace

namespace {
// Set in every stored hash, so that an empty slot is told by its zero.
constexpr quint64 kUsed = quint64(1) << 63;
} // namespace

std::optional<qint64> ImportStore::KeyTable::find(quint64 hash) const
{
    if (m_slots.empty())
        return std::nullopt;
    hash |= kUsed;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = hash & mask; m_slots[i].hash != 0; i = (i + 1) & mask) {
        if (m_slots[i].hash == hash)
            return m_slots[i].id;
    }
    return std::nullopt;
}

void ImportStore::KeyTable::insert(quint64 hash, qint64 id)
{
    // At most half full.
    if ((m_used + 1) * 2 > m_slots.size()) {
        std::vector<Slot> old(std::max<std::size_t>(1024, m_slots.size() * 2));
        old.swap(m_slots);
        m_used = 0;
        for (const Slot& slot : old) {
            if (slot.hash != 0)
                insert(slot.hash, slot.id);
        }
    }
    hash |= kUsed;
    const std::size_t mask = m_slots.size() - 1;
    std::size_t i = hash & mask;
    while (m_slots[i].hash != 0) {
        if (m_slots[i].hash == hash)
            return;
        i = (i + 1) & mask;
    }
    m_slots[i] = {hash, id};
    ++m_used;
}

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
    // Many records into a small log: building the indexes once afterwards is faster than keeping
    // them up row by row. The duplicates are then found by the keys in memory, and the rows are
    // only appended, which needs a smaller cache.
    const bool many = expectedRecords > kFewRecords && expectedRecords > stored;
    if (!query.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(many ? kAppendCacheKiB : kImportCacheKiB)))
        return mivra::failed(query, error);
    m_cacheSize = cacheSize;
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    m_open = true;
    if (many) {
        if (!query.exec(u"SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'logtab'"
                        " AND sql IS NOT NULL"_qs))
            return mivra::failed(query, error);
        while (query.next())
            m_deferredIndexes.emplace_back(query.value(0).toString(), query.value(1).toString());
        for (const auto& [name, statement] : m_deferredIndexes) {
            if (!query.exec(QStringLiteral("DROP INDEX \"%1\"").arg(name)))
                return mivra::failed(query, error);
        }
    }
    if (many && !loadKeys(error))
        return false;
    return prepare("SELECT ID, Callsign, Band, Date, GMT, QSL FROM logtab WHERE Callsign = ?", &m_find, error)
           && prepare("SELECT ID, Callsign, Band, Date, GMT, QSL FROM logtab WHERE ID = ?", &m_row, error)
           && prepare(m_withQslVia ? "INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam,"
                                     " Comment, QSL, Prop, DXCC, QRB, QTF, QSLman)"
                                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
                                   : "INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam,"
                                     " Comment, QSL, Prop, DXCC, QRB, QTF)"
                                     " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                      &m_insert, error)
           && prepare("UPDATE logtab SET QSL = 'Q' WHERE ID = ?", &m_confirm, error);
}

bool ImportStore::loadKeys(QString* error)
{
    sqlite3_stmt* rows = nullptr;
    if (!prepare("SELECT ID, Callsign, Band, Date, GMT FROM logtab", &rows, error))
        return false;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(rows)) == SQLITE_ROW) {
        const QDateTime stored = readStoredDateTime(columnText(rows, 3), columnText(rows, 4));
        if (stored.isValid())
            m_keys.insert(keyHash(columnText(rows, 1).trimmed().toUpper(), duplicateBand(columnText(rows, 2)),
                                  stored.date(), minuteOfDay(stored.time())),
                          sqlite3_column_int64(rows, 0));
    }
    sqlite3_finalize(rows);
    if (step != SQLITE_DONE)
        return failed(error);
    m_keysInMemory = true;
    return true;
}

std::optional<ImportStore::Match> ImportStore::sameContact(sqlite3_stmt* found, const QString& call,
                                                           const QString& bandKey, QDate day, int minute) const
{
    const QDateTime stored = readStoredDateTime(columnText(found, 3), columnText(found, 4));
    if (stored.isValid() && stored.date() == day && minuteOfDay(stored.time()) == minute
        && duplicateBand(columnText(found, 2)) == bandKey && columnText(found, 1).trimmed().toUpper() == call)
        return Match{sqlite3_column_int64(found, 0), columnText(found, 5)};
    return std::nullopt;
}

std::optional<ImportStore::Match> ImportStore::match(const QString& callsign, const QString& band,
                                                     const QDateTime& time, QString* error)
{
    // The duplicate rule, without making its key texts for every row.
    const QString bandKey = duplicateBand(band);
    const QDate day = time.date();
    const int minute = minuteOfDay(time.time());
    const QString call = callsign.trimmed().toUpper();
    if (m_keysInMemory) {
        const std::optional<qint64> id = m_keys.find(keyHash(call, bandKey, day, minute));
        if (!id)
            return std::nullopt;
        sqlite3_reset(m_row);
        sqlite3_bind_int64(m_row, 1, *id);
        std::optional<Match> found;
        if (sqlite3_step(m_row) == SQLITE_ROW)
            found = sameContact(m_row, call, bandKey, day, minute);
        sqlite3_reset(m_row);
        if (found)
            return found;
        // Another key with the same hash: asked of the log itself below.
    }
    sqlite3_reset(m_find);
    bindText(m_find, 1, callsign);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(m_find)) == SQLITE_ROW) {
        if (std::optional<Match> found = sameContact(m_find, call, bandKey, day, minute)) {
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
                                &row.mode, &row.name, &row.comment, &row.qsl, &row.prop, &row.dxcc}) {
        bindUtf8(m_insert, i, *text, &m_texts[std::size_t(i)]);
        ++i;
    }
    bindNumber(m_insert, i++, row.qrb);
    bindNumber(m_insert, i++, row.qtf);
    if (m_withQslVia) {
        if (row.qslVia)
            bindUtf8(m_insert, i, *row.qslVia, &m_texts[std::size_t(i)]);
        else
            sqlite3_bind_null(m_insert, i);
    }
    if (sqlite3_step(m_insert) != SQLITE_DONE)
        return failed(error);
    if (m_keysInMemory) {
        const QDateTime stored = readStoredDateTime(row.date, row.gmt);
        if (stored.isValid())
            m_keys.insert(keyHash(row.callsign.trimmed().toUpper(), duplicateBand(row.band), stored.date(),
                                  minuteOfDay(stored.time())),
                          sqlite3_last_insert_rowid(m_db));
    }
    return true;
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
    m_keysInMemory = false;
    m_keys.clear();
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
    for (sqlite3_stmt** statement : {&m_find, &m_insert, &m_confirm, &m_row}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
}

} // namespace mivra
