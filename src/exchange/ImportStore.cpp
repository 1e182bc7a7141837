#include "ImportStore.h"

#include "AdifFields.h"
#include "ExchangeTypes.h"
#include "LogDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QVariant>

namespace mivra {

namespace {

// Page cache of the import, in KiB.
constexpr int kImportCacheKiB = 64 * 1024;

QVariant textValue(const QString& text)
{
    return text.isNull() ? QVariant(QString(u""_qs)) : QVariant(text);
}

QVariant numberValue(const std::optional<float>& number)
{
    return number ? QVariant(double(*number)) : QVariant(QMetaType(QMetaType::Double));
}

bool failed(const QSqlQuery& query, QString* error)
{
    *error = query.lastError().text();
    return false;
}

} // namespace

QString duplicateKey(const QString& callsign, const QString& band, const QDateTime& time)
{
    const QString adifBand = adif::bandOfValue(band).name;
    return callsign.trimmed().toUpper() + u'\t' + (adifBand.isEmpty() ? band.trimmed().toUpper() : adifBand)
           + u'\t' + time.toString(u"yyyy-MM-dd HH:mm"_qs);
}

ImportStore::ImportStore(LogDatabase& log) : m_log(log) {}

ImportStore::~ImportStore()
{
    if (m_open) {
        end();
        m_log.database().rollback();
        m_log.database().exec(QStringLiteral("PRAGMA cache_size = ") + m_cacheSize);
    }
}

bool ImportStore::begin(qint64 expectedRecords, QString* error)
{
    QSqlDatabase db = m_log.database();
    QSqlQuery query(db);
    if (!query.exec(u"PRAGMA cache_size"_qs) || !query.next())
        return failed(query, error);
    m_cacheSize = query.value(0).toString();
    if (!query.exec(u"SELECT count(*) FROM pragma_table_info('logtab') WHERE name = 'QSLman'"_qs) || !query.next())
        return failed(query, error);
    // QSLman is written only where the log has it: logs from elsewhere may lack the column.
    m_withQslVia = query.value(0).toInt() > 0;
    if (!query.exec(u"SELECT count(*) FROM logtab"_qs) || !query.next())
        return failed(query, error);
    const qint64 stored = query.value(0).toLongLong();
    query.finish();
    if (!query.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kImportCacheKiB)))
        return failed(query, error);
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    m_open = true;
    // Many records into a small log: building the indexes once afterwards is faster than keeping
    // them up row by row. The callsign index stays: it finds the duplicates.
    if (expectedRecords > 10000 && expectedRecords > stored) {
        if (!query.exec(u"SELECT name, sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'logtab'"
                        " AND sql IS NOT NULL AND name <> 'logtab_callsign'"_qs))
            return failed(query, error);
        while (query.next())
            m_deferredIndexes.emplace_back(query.value(0).toString(), query.value(1).toString());
        for (const auto& [name, statement] : m_deferredIndexes) {
            if (!query.exec(QStringLiteral("DROP INDEX \"%1\"").arg(name)))
                return failed(query, error);
        }
    }
    m_find = QSqlQuery(db);
    m_find.setForwardOnly(true);
    m_insert = QSqlQuery(db);
    m_confirm = QSqlQuery(db);
    const QString insert = m_withQslVia
                               ? u"INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment,"
                                 " QSL, Prop, DXCC, QRB, QTF, QSLman) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                                 " ?, ?)"_qs
                               : u"INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment,"
                                 " QSL, Prop, DXCC, QRB, QTF) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_qs;
    if (!m_find.prepare(u"SELECT ID, Callsign, Band, Date, GMT, QSL FROM logtab WHERE Callsign = ?"_qs))
        return failed(m_find, error);
    if (!m_insert.prepare(insert))
        return failed(m_insert, error);
    if (!m_confirm.prepare(u"UPDATE logtab SET QSL = 'Q' WHERE ID = ?"_qs))
        return failed(m_confirm, error);
    return true;
}

std::optional<ImportStore::Match> ImportStore::match(const QString& callsign, const QString& band,
                                                     const QDateTime& time, QString* error)
{
    m_find.bindValue(0, callsign);
    if (!m_find.exec()) {
        failed(m_find, error);
        return std::nullopt;
    }
    const QString key = duplicateKey(callsign, band, time);
    std::optional<Match> found;
    while (!found && m_find.next()) {
        const QDateTime stored = rowTime(m_find.value(3).toString(), m_find.value(4).toString());
        if (stored.isValid() && duplicateKey(m_find.value(1).toString(), m_find.value(2).toString(), stored) == key)
            found = Match{m_find.value(0).toLongLong(), m_find.value(5).toString()};
    }
    m_find.finish();
    return found;
}

bool ImportStore::insert(const QsoRecord& row, QString* error)
{
    if (row.qslVia && !row.qslVia->isEmpty() && !m_withQslVia) {
        *error = u"the log has no QSLman column for QSL_VIA"_qs;
        return false;
    }
    int i = 0;
    for (const QString* text : {&row.date, &row.gmt, &row.callsign, &row.grid, &row.rsts, &row.rstr, &row.band,
                                &row.mode, &row.name, &row.comment, &row.qsl, &row.prop, &row.dxcc})
        m_insert.bindValue(i++, textValue(*text));
    m_insert.bindValue(i++, numberValue(row.qrb));
    m_insert.bindValue(i++, numberValue(row.qtf));
    if (m_withQslVia)
        m_insert.bindValue(i, row.qslVia ? textValue(*row.qslVia) : QVariant(QMetaType(QMetaType::QString)));
    return m_insert.exec() || failed(m_insert, error);
}

bool ImportStore::confirm(qint64 id, QString* error)
{
    m_confirm.bindValue(0, id);
    return m_confirm.exec() || failed(m_confirm, error);
}

bool ImportStore::commit(QString* error)
{
    QSqlDatabase db = m_log.database();
    QSqlQuery query(db);
    for (const auto& [name, statement] : m_deferredIndexes) {
        if (!query.exec(statement))
            return failed(query, error);
    }
    end();
    if (!db.commit()) {
        *error = db.lastError().text();
        return false;
    }
    m_open = false;
    query.exec(QStringLiteral("PRAGMA cache_size = ") + m_cacheSize);
    return true;
}

void ImportStore::end()
{
    m_find = QSqlQuery();
    m_insert = QSqlQuery();
    m_confirm = QSqlQuery();
}

} // namespace mivra
