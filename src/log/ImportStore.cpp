#include "ImportStore.h"

#include "BandPlan.h"
#include "LogDatabase.h"
#include "LogRow.h"
#include "StoredDateTime.h"

namespace mivra {

namespace {

// Page cache of the import, in KiB: while the indexes are kept up, and while rows are only
// appended and the indexes built at the end (a larger cache made that slower).
constexpr int kImportCacheKiB = 64 * 1024;
constexpr int kAppendCacheKiB = 16 * 1024;

// UTF-8 into a buffer that lives until the statement has run: SQLite neither copies nor converts
// it. ASCII, nearly every text of a log, is narrowed without Qt's encoder.
void bindUtf8(SqliteStatement& statement, int index, const QString& text, std::string* buffer)
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
    statement.bindStaticUtf8(index, *buffer);
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
    const QString adifBand = bandOfValue(band).name;
    return adifBand.isEmpty() ? band.trimmed().toUpper() : adifBand;
}

ImportStore::ImportStore(LogDatabase& log)
    : m_db(SqliteConnection::borrowed(log.database()))
{
}

ImportStore::~ImportStore()
{
    end();
    if (m_open)
        m_db.exec(u"ROLLBACK"_qs);
    if (!m_cacheSize.isEmpty())
        m_db.exec(QStringLiteral("PRAGMA cache_size = ") + m_cacheSize);
}

bool ImportStore::failed(QString* error) const
{
    *error = m_db.errorMessage();
    return false;
}

bool ImportStore::prepare(const QString& statement, SqliteStatement* prepared, QString* error)
{
    *prepared = SqliteStatement(m_db, statement, true);
    return prepared->isPrepared() || failed(error);
}

std::optional<qint64> ImportStore::integer(const QString& statement, QString* error)
{
    SqliteStatement query(m_db, statement);
    if (query.step())
        return query.integer(0);
    *error = query.error();
    return std::nullopt;
}

bool ImportStore::begin(qint64 expectedRecords, QString* error)
{
    if (!m_db.isOpen())
        return failed(error);
    const std::optional<qint64> stored = integer(u"SELECT count(*) FROM logtab"_qs, error);
    // Callsigns stored other than trimmed and in capitals (typed elsewhere) are found as the
    // duplicate rule compares them only through the keys in memory: those are used then, whatever
    // the size of the file.
    const std::optional<qint64> irregular
        = stored ? integer(
              u"SELECT EXISTS (SELECT 1 FROM logtab WHERE Callsign COLLATE BINARY <> upper(trim(Callsign)))"_qs, error)
                 : std::nullopt;
    const std::optional<qint64> cacheSize = irregular ? integer(u"PRAGMA cache_size"_qs, error) : std::nullopt;
    if (!cacheSize)
        return false;
    // Many records into a small log: building the indexes once afterwards is faster than keeping
    // them up row by row. The duplicates are then found by the keys in memory, and the rows are
    // only appended, which needs a smaller cache.
    const bool many = expectedRecords > kFewRecords && expectedRecords > *stored;
    if (!m_db.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(many ? kAppendCacheKiB : kImportCacheKiB), error))
        return false;
    m_cacheSize = QString::number(*cacheSize);
    // The write lock from the start: a writer beside (the shared log's sync) is waited for.
    if (!m_db.exec(u"BEGIN IMMEDIATE"_qs, error))
        return false;
    m_open = true;
    if (many) {
        SqliteStatement indexes(m_db,
                                u"SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'logtab'"
                                " AND sql IS NOT NULL"_qs);
        while (indexes.step())
            m_deferredIndexes.emplace_back(indexes.text(0), indexes.text(1));
        if (indexes.failed() || !indexes.isPrepared())
            return failed(error);
        for (const auto& [name, statement] : m_deferredIndexes) {
            if (!m_db.exec(QStringLiteral("DROP INDEX \"%1\"").arg(name), error))
                return false;
        }
    }
    if ((many || *irregular != 0) && !loadKeys(error))
        return false;
    return prepare(u"SELECT ID, Callsign, Band, Date, GMT, QSL, LotwRcvd, EqslRcvd FROM logtab WHERE Callsign = ?"_qs,
                   &m_find, error)
           && prepare(u"SELECT ID, Callsign, Band, Date, GMT, QSL, LotwRcvd, EqslRcvd FROM logtab WHERE ID = ?"_qs,
                      &m_row, error)
           && prepare(u"INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam,"
                      " Comment, QSL, Prop, DXCC, QRB, QTF, QSLman, Freq, FreqRx,"
                      " MyGrid, QslSdate, QslRdate, LotwRcvd, LotwRdate, EqslRcvd, EqslRdate, Uuid, Position)"
                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_qs,
                      &m_insert, error)
           && prepare(u"INSERT INTO logfields (ID, fields) VALUES (?, ?)"_qs, &m_otherFields, error)
           && prepare(kConfirmStatement, &m_confirm, error);
}

bool ImportStore::loadKeys(QString* error)
{
    SqliteStatement rows(m_db, u"SELECT ID, Callsign, Band, Date, GMT FROM logtab"_qs);
    while (rows.step()) {
        const QDateTime stored = readStoredDateTime(rows.text(3), rows.text(4));
        if (stored.isValid())
            m_keys.insert(keyHash(rows.text(1).trimmed().toUpper(), duplicateBand(rows.text(2)), stored.date(),
                                  minuteOfDay(stored.time())),
                          rows.integer(0));
    }
    if (!rows.isPrepared() || rows.failed()) {
        *error = rows.error();
        return false;
    }
    m_keysInMemory = true;
    return true;
}

std::optional<ImportStore::Match> ImportStore::sameContact(const SqliteStatement& found, const QString& call,
                                                           const QString& bandKey, QDate day, int minute) const
{
    const QDateTime stored = readStoredDateTime(found.text(3), found.text(4));
    if (stored.isValid() && stored.date() == day && minuteOfDay(stored.time()) == minute
        && duplicateBand(found.text(2)) == bandKey && found.text(1).trimmed().toUpper() == call)
        return Match{found.integer(0), found.text(5), found.text(6), found.text(7)};
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
        m_row.reset();
        m_row.bindInteger(1, *id);
        std::optional<Match> found;
        if (m_row.step())
            found = sameContact(m_row, call, bandKey, day, minute);
        m_row.reset();
        if (found)
            return found;
        // Another key with the same hash: asked of the log itself below.
    }
    m_find.reset();
    m_find.bindText(1, callsign);
    while (m_find.step()) {
        if (std::optional<Match> found = sameContact(m_find, call, bandKey, day, minute)) {
            m_find.reset();
            return found;
        }
    }
    if (m_find.failed())
        *error = m_find.error();
    m_find.reset();
    return std::nullopt;
}

bool ImportStore::insert(const Contact& row, QString* error)
{
    m_insert.reset();
    int i = 1;
    for (const QString* text : {&row.date, &row.gmt, &row.callsign, &row.locator, &row.rsts, &row.rstr, &row.band,
                                &row.mode, &row.name, &row.comment, &row.qsl, &row.prop, &row.dxcc}) {
        bindUtf8(m_insert, i, *text, &m_texts[std::size_t(i)]);
        ++i;
    }
    m_insert.bindReal(i++, row.qrb);
    m_insert.bindReal(i++, row.qtf);
    if (row.qslVia)
        bindUtf8(m_insert, i, *row.qslVia, &m_texts[std::size_t(i)]);
    else
        m_insert.bindNull(i);
    m_insert.bindReal(++i, row.frequencyMHz);
    m_insert.bindReal(++i, row.frequencyRxMHz);
    for (const QString* text : {&row.myLocator, &row.qslSentDate, &row.qslReceivedDate, &row.lotwReceived,
                                &row.lotwReceivedDate, &row.eqslReceived, &row.eqslReceivedDate}) {
        ++i;
        bindUtf8(m_insert, i, *text, &m_texts[std::size_t(i)]);
    }
    // None given: the log gives the contact its identity (and this position's name when shared).
    for (const QString* text : {&row.uuid, &row.position}) {
        if (text->isEmpty())
            m_insert.bindNull(++i);
        else
            m_insert.bindText(++i, *text);
    }
    if (!m_insert.run())
        return failed(error);
    const qint64 id = m_db.lastInsertId();
    if (!row.otherFields.isEmpty()) {
        m_otherFields.reset();
        m_otherFields.bindInteger(1, id);
        bindUtf8(m_otherFields, 2, row.otherFields, &m_otherText);
        if (!m_otherFields.run())
            return failed(error);
    }
    if (m_keysInMemory) {
        const QDateTime stored = readStoredDateTime(row.date, row.gmt);
        if (stored.isValid())
            m_keys.insert(keyHash(row.callsign.trimmed().toUpper(), duplicateBand(row.band), stored.date(),
                                  minuteOfDay(stored.time())),
                          id);
    }
    return true;
}

const QString kConfirmStatement
    = u"UPDATE logtab SET"
      " QSL = CASE WHEN ?1 = 0 OR upper(trim(QSL)) IN ('Q', 'T') THEN QSL"
      " WHEN upper(trim(QSL)) IN ('Y', 'S') THEN 'T' ELSE 'Q' END,"
      " QslRdate = CASE WHEN ?1 = 1 AND ?2 <> '' AND coalesce(QslRdate, '') = '' THEN ?2 ELSE QslRdate END,"
      " LotwRcvd = CASE WHEN ?3 = 1 THEN 'Y' ELSE LotwRcvd END,"
      " LotwRdate = CASE WHEN ?3 = 1 AND ?4 <> '' THEN ?4 ELSE LotwRdate END,"
      " EqslRcvd = CASE WHEN ?5 = 1 THEN 'Y' ELSE EqslRcvd END,"
      " EqslRdate = CASE WHEN ?5 = 1 AND ?6 <> '' THEN ?6 ELSE EqslRdate END"
      " WHERE ID = ?7"_qs;

bool ImportStore::Match::isConfirmedMoreBy(const ReceivedConfirmation& received) const
{
    const QString paper = qsl.trimmed().toUpper();
    return (received.card && paper != u"Q"_qs && paper != u"T"_qs)
           || (received.lotw && lotwReceived.trimmed().toUpper() != u"Y"_qs)
           || (received.eqsl && eqslReceived.trimmed().toUpper() != u"Y"_qs);
}

bool ImportStore::confirm(qint64 id, const ReceivedConfirmation& received, QString* error)
{
    m_confirm.reset();
    m_confirm.bindInteger(1, received.card ? 1 : 0);
    m_confirm.bindText(2, received.cardDate);
    m_confirm.bindInteger(3, received.lotw ? 1 : 0);
    m_confirm.bindText(4, received.lotwDate);
    m_confirm.bindInteger(5, received.eqsl ? 1 : 0);
    m_confirm.bindText(6, received.eqslDate);
    m_confirm.bindInteger(7, id);
    return m_confirm.run() || failed(error);
}

bool ImportStore::commit(QString* error)
{
    end();
    m_keysInMemory = false;
    m_keys.clear();
    for (const auto& [name, statement] : m_deferredIndexes) {
        if (!m_db.exec(statement, error))
            return false;
    }
    if (!m_db.exec(u"COMMIT"_qs, error))
        return false;
    m_open = false;
    return true;
}

void ImportStore::end()
{
    for (SqliteStatement* statement : {&m_find, &m_insert, &m_otherFields, &m_confirm, &m_row})
        *statement = SqliteStatement();
}

} // namespace mivra
