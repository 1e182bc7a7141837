#include "ShareEngine.h"

#include "ServerSchema.h"
#include "ShareSettings.h"
#include "ShareTriggers.h"
#include "SqliteStatement.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace mivra::share {

namespace {

// The key of a contact's fields without a column of their own (logfields) among its columns' values.
constexpr char16_t kOtherFieldsKey[] = u"logfields";

// Contacts new here per insert statement of a pull.
constexpr int kRowsPerInsert = 32;

// Serialises pushes: a change's seq is taken and committed under it, so "seq > N" never skips a
// commit that was still open when a reader looked.
constexpr char16_t kPushLock[] = u"SELECT pg_advisory_xact_lock(7160002)";

// Takes each change whose version is newer than the server's and counts them. A change the server
// holds the same version of was sent before (a replay); one it holds a newer version of lost, and
// the pull brings the winner and tells. Versions compare byte by byte, as at every position, not
// in the order of the server's language.
constexpr char16_t kUpsert[]
    = u"WITH r AS (SELECT * FROM jsonb_to_recordset($1::jsonb)"
      " AS r(uuid text, stamp text, deleted boolean, position text, base text, fields jsonb)),"
      " applied AS (INSERT INTO mivra_contact (uuid, stamp, deleted, position, base, fields, seq)"
      " SELECT uuid, stamp, deleted, position, base, fields, nextval('mivra_share_seq') FROM r"
      " ON CONFLICT (uuid) DO UPDATE SET stamp = EXCLUDED.stamp, deleted = EXCLUDED.deleted,"
      " position = EXCLUDED.position, base = EXCLUDED.base, fields = EXCLUDED.fields, seq = EXCLUDED.seq"
      " WHERE mivra_contact.stamp COLLATE \"C\" < EXCLUDED.stamp COLLATE \"C\" RETURNING uuid)"
      " SELECT count(*) FROM applied";

QJsonValue jsonOf(const SqliteStatement& row, int column)
{
    switch (row.type(column)) {
    case SqliteStatement::Type::Null:
        return QJsonValue::Null;
    case SqliteStatement::Type::Integer:
        return double(row.integer(column));
    case SqliteStatement::Type::Float:
        return row.real(column);
    default:
        return row.text(column);
    }
}

void bindJson(SqliteStatement& statement, int index, const QJsonValue& value)
{
    if (value.isNull() || value.isUndefined())
        statement.bindNull(index);
    else if (value.isDouble()) {
        const double number = value.toDouble();
        if (std::trunc(number) == number && std::abs(number) < 9007199254740992.0)
            statement.bindInteger(index, qint64(number));
        else
            statement.bindReal(index, number);
    } else if (value.isBool())
        statement.bindInteger(index, value.toBool() ? 1 : 0);
    else
        statement.bindText(index, value.toString());
}

QString quoted(const QString& column)
{
    return u'"' + column + u'"';
}

// A contact for a message: callsign, date and time, band.
QString describe(const QJsonObject& fields)
{
    return QStringLiteral("%1 %2 %3 (%4)")
        .arg(fields.value(u"Callsign").toString(), fields.value(u"Date").toString(), fields.value(u"GMT").toString(),
             fields.value(u"Band").toVariant().toString());
}

// The tab-separated fields of a COPY line.
QList<QByteArrayView> fieldsOf(const QByteArray& line)
{
    QList<QByteArrayView> parts;
    qsizetype start = 0;
    for (;;) {
        const qsizetype tab = line.indexOf('\t', start);
        parts << QByteArrayView(line).sliced(start, (tab < 0 ? line.size() : tab) - start);
        if (tab < 0)
            return parts;
        start = tab + 1;
    }
}

struct PulledRow {
    qint64 seq = 0;
    QString uuid;
    QString stamp;
    QString base;
    bool deleted = false;
    QByteArray fields;
};

} // namespace

qint64 stampClock(const QString& stamp)
{
    return stamp.section(u':', 0, 0).toLongLong();
}

QString stampPosition(const QString& stamp)
{
    return stamp.section(u':', 1);
}

ShareEngine::ShareEngine(QString logPath, QString url, QString position)
    : m_logPath(std::move(logPath))
    , m_url(std::move(url))
    , m_position(std::move(position))
{
}

bool ShareEngine::openLog(QString* error)
{
    if (m_log.isOpen())
        return true;
    m_log = SqliteConnection(m_logPath, SqliteConnection::Mode::ReadWrite);
    if (!m_log.isOpen()) {
        if (error)
            *error = QStringLiteral("The log cannot be opened for sharing: %1").arg(m_log.errorMessage());
        return false;
    }
    m_log.setBusyTimeout(10000);
    // A first pull of a big shared log writes every index of logtab at random places (the Uuid
    // above all): a cache that holds them spares writing pages twice; its size bounds the memory.
    m_log.exec(u"PRAGMA cache_size = -65536"_qs);
    // Each pull statement writes logtab, with its triggers, inside the batch's transaction: SQLite
    // keeps a statement journal of every page it touches, on disk past a few pages. In memory it
    // costs no write call, and it holds only the pages of one statement (up to 32 contacts).
    m_log.exec(u"PRAGMA temp_store = MEMORY"_qs);
    m_columns = sharePayloadColumns(m_log);
    if (!m_columns.contains(u"Position"_qs)) {
        if (error)
            *error = QStringLiteral("The log has no shared log columns: open it with Mivra once first.");
        m_log = SqliteConnection();
        return false;
    }
    // Contacts logged before the log was shared go out with the oldest version, so anything
    // stamped wins over them.
    return m_log.transaction(
        [&](QString* failure) {
            SqliteStatement name(m_log, u"UPDATE share_state SET position = ?"_qs);
            name.bindText(1, m_position);
            if (!name.run()) {
                *failure = name.error();
                return false;
            }
            return m_log.exec(u"INSERT INTO share_stamp (uuid, stamp, deleted)"
                              " SELECT Uuid, printf('%015d:', 0), 0 FROM logtab"
                              " WHERE Uuid IS NOT NULL AND Uuid NOT IN (SELECT uuid FROM share_stamp);"
                              " INSERT OR IGNORE INTO share_outbox (uuid)"
                              " SELECT uuid FROM share_stamp WHERE stamp = printf('%015d:', 0)"_qs,
                              failure);
        },
        error);
}

bool ShareEngine::connect(QString* error)
{
    if (!openLog(error))
        return false;
    if (m_server.isOpen())
        return true;
    QString failure;
    if (!m_server.open(m_url, &failure)) {
        if (error)
            *error = QStringLiteral("The shared log's server cannot be reached: %1").arg(failure);
        return false;
    }
    if (!checkServer(m_server, error)) {
        m_server.close();
        return false;
    }
    if (!joinServer(error)) {
        m_server.close();
        return false;
    }
    return true;
}

bool ShareEngine::joinServer(QString* error)
{
    // The pull counter counts this server's changes only: another server's log is pulled whole,
    // and everything here is offered to it (it takes only what it lacks or holds older).
    // Noted without the password a URL for this run may carry.
    const QString identity = shareServerIdentity(m_url);
    SqliteStatement server(m_log, u"SELECT server FROM share_state"_qs);
    if (server.step() && server.text(0) == identity)
        return true;
    return m_log.transaction(
        [&](QString* failure) {
            SqliteStatement joined(m_log, u"UPDATE share_state SET server = ?, pulled = 0"_qs);
            joined.bindText(1, identity);
            if (!joined.run()) {
                *failure = joined.error();
                return false;
            }
            return m_log.exec(u"INSERT OR IGNORE INTO share_outbox (uuid) SELECT uuid FROM share_stamp"_qs, failure);
        },
        error);
}

qint64 ShareEngine::queuedCount()
{
    if (!openLog(nullptr))
        return -1;
    SqliteStatement count(m_log, u"SELECT count(*) FROM share_outbox"_qs);
    return count.step() ? count.integer(0) : -1;
}

SyncReport ShareEngine::sync()
{
    SyncReport report;
    if (!connect(&report.error)) {
        report.queued = queuedCount();
        return report;
    }
    report.reached = push(report) && pull(report);
    if (!report.reached && !m_server.isOpen())
        report.error = QStringLiteral("The shared log's server went away: %1").arg(report.error);
    if (report.reached) {
        const PgResult positions = m_server.exec(u"SELECT count(*) FROM mivra_position"_qs);
        report.positions = positions.ok() && positions.rows() == 1 ? positions.text(0, 0).toInt() : 0;
    }
    report.queued = queuedCount();
    return report;
}

bool ShareEngine::push(SyncReport& report)
{
    QStringList selected;
    for (const QString& column : std::as_const(m_columns))
        selected << u"l."_qs + quoted(column);
    SqliteStatement read(m_log, QStringLiteral("SELECT o.n, o.uuid, s.stamp, s.deleted, s.base, %1, f.fields"
                                               " FROM share_outbox o JOIN share_stamp s ON s.uuid = o.uuid"
                                               " LEFT JOIN logtab l ON l.Uuid = o.uuid"
                                               " LEFT JOIN logfields f ON f.ID = l.ID ORDER BY o.n LIMIT ?")
                                    .arg(selected.join(u", "_qs)));
    const int otherFieldsColumn = 5 + int(m_columns.size());
    for (;;) {
        read.reset();
        read.bindInteger(1, m_batch);
        std::vector<std::pair<qint64, QString>> sent;
        QJsonArray changes;
        while (read.step()) {
            const QString uuid = read.text(1);
            const QString stamp = read.text(2);
            const bool deleted = read.integer(3) != 0 || read.isNull(5 + m_columns.indexOf(u"Date"_qs));
            QJsonObject fields;
            if (!deleted) {
                for (int i = 0; i < m_columns.size(); ++i)
                    fields.insert(m_columns[i], jsonOf(read, 5 + i));
                fields.insert(QString::fromUtf16(kOtherFieldsKey), read.text(otherFieldsColumn));
            }
            sent.emplace_back(read.integer(0), uuid);
            changes.append(QJsonObject{{u"uuid"_qs, uuid},
                                       {u"stamp"_qs, stamp},
                                       {u"deleted"_qs, deleted},
                                       {u"position"_qs, stampPosition(stamp)},
                                       {u"base"_qs, read.isNull(4) ? QJsonValue() : QJsonValue(read.text(4))},
                                       {u"fields"_qs, deleted ? QJsonValue(QJsonValue::Null) : QJsonValue(fields)}});
        }
        if (read.failed()) {
            report.error = read.error();
            return false;
        }
        if (sent.empty())
            return true;
        const QString payload = QString::fromUtf8(QJsonDocument(changes).toJson(QJsonDocument::Compact));
        if (!m_server.run(u"BEGIN"_qs, {}, &report.error)
            || !m_server.run(QString::fromUtf16(kPushLock), {}, &report.error))
            return false;
        const PgResult applied = m_server.exec(QString::fromUtf16(kUpsert), {payload});
        const bool ok = applied.ok() && applied.rows() == 1
                        && m_server.run(u"INSERT INTO mivra_position (name) VALUES ($1)"
                                        " ON CONFLICT (name) DO UPDATE SET last_push = now()"_qs,
                                        {m_position}, &report.error)
                        && m_server.run(u"SELECT pg_notify('mivra_share', $1)"_qs, {m_position}, &report.error)
                        && m_server.run(u"COMMIT"_qs, {}, &report.error);
        if (!ok) {
            if (!applied.ok())
                report.error = applied.error();
            m_server.exec(u"ROLLBACK"_qs);
            return false;
        }
        report.pushed += applied.text(0, 0).toInt();
        // Acknowledged: off the outbox, unless changed again meanwhile (then it has a new n).
        const bool acknowledged = m_log.transaction(
            [&](QString* failure) {
                SqliteStatement done(m_log, u"DELETE FROM share_outbox WHERE n = ? AND uuid = ?"_qs);
                for (const auto& [n, uuid] : sent) {
                    done.reset();
                    done.bindInteger(1, n);
                    done.bindText(2, uuid);
                    if (!done.run()) {
                        *failure = done.error();
                        return false;
                    }
                }
                return true;
            },
            &report.error);
        if (!acknowledged)
            return false;
    }
}

bool ShareEngine::pull(SyncReport& report)
{
    qint64 pulled = 0;
    {
        SqliteStatement last(m_log, u"SELECT pulled FROM share_state"_qs);
        if (!last.step()) {
            report.error = last.error();
            return false;
        }
        pulled = last.integer(0);
    }
    const QSet<QString> known(m_columns.begin(), m_columns.end());
    std::vector<PulledRow> batch;
    QString applyError;

    const auto apply = [&]() {
        if (batch.empty())
            return true;
        const bool ok = m_log.transaction(
            [&](QString* failure) {
                const auto fail = [&](const SqliteStatement& statement) {
                    *failure = statement.error();
                    return false;
                };
                if (!m_log.exec(u"UPDATE share_state SET applying = 1"_qs, failure))
                    return false;
                SqliteStatement localStamp(m_log, u"SELECT stamp FROM share_stamp WHERE uuid = ?"_qs);
                SqliteStatement described(m_log, u"SELECT Callsign, Date, GMT, Band FROM logtab WHERE Uuid = ?"_qs);
                SqliteStatement remove(m_log, u"DELETE FROM logtab WHERE Uuid = ?"_qs);
                SqliteStatement stamp(m_log,
                                      u"INSERT OR REPLACE INTO share_stamp (uuid, stamp, deleted) VALUES (?, ?, ?)"_qs);
                SqliteStatement dropQueued(m_log, u"DELETE FROM share_outbox WHERE uuid = ?"_qs);
                SqliteStatement keepFields(m_log, u"INSERT OR REPLACE INTO logfields (ID, fields)"
                                                  " SELECT ID, ? FROM logtab WHERE Uuid = ?"_qs);
                SqliteStatement dropFields(m_log, u"DELETE FROM logfields WHERE ID IN"
                                                  " (SELECT ID FROM logtab WHERE Uuid = ?)"_qs);
                SqliteStatement clock(m_log, u"UPDATE share_state SET clock = max(clock, ?), pulled = ?"_qs);
                // The update and the insert of a contact for each column set.
                std::map<QString, std::pair<SqliteStatement, SqliteStatement>> writers;
                const auto writerFor = [&](const QStringList& columns) {
                    const QString key = columns.join(u',');
                    auto writer = writers.find(key);
                    if (writer != writers.end())
                        return writer;
                    QStringList assignments;
                    QStringList names;
                    QStringList marks;
                    for (const QString& column : columns) {
                        marks << u"?"_qs + QString::number(marks.size() + 1);
                        assignments << quoted(column) + u" = "_qs + marks.back();
                        names << quoted(column);
                    }
                    const QString uuidMark = u"?"_qs + QString::number(marks.size() + 1);
                    const QString update = QStringLiteral("UPDATE logtab SET %1 WHERE Uuid = %2")
                                               .arg(assignments.join(u", "_qs), uuidMark);
                    // Only where no contact holds the identity: a contact never stamped here may
                    // still be in the log, and is then updated.
                    const QString insert = QStringLiteral("INSERT INTO logtab (%1, Uuid) SELECT %2, %3"
                                                          " WHERE NOT EXISTS (SELECT 1 FROM logtab WHERE Uuid = %3)")
                                               .arg(names.join(u", "_qs), marks.join(u", "_qs), uuidMark);
                    return writers.try_emplace(key, SqliteStatement(m_log, update), SqliteStatement(m_log, insert))
                        .first;
                };
                const auto bindContact = [](SqliteStatement& write, int index, const QStringList& columns,
                                            const QJsonObject& fields, const QString& uuid) {
                    for (const QString& column : columns)
                        bindJson(write, index++, fields.value(column));
                    write.bindText(index, uuid);
                };
                // Contacts new here with one column set wait to go in kRowsPerInsert at a time:
                // one statement then opens logtab's indexes once for all of them.
                std::vector<std::pair<QString, QJsonObject>> group;
                QStringList groupColumns;
                std::map<QString, SqliteStatement> groupInserts; // by column set
                const auto flushGroup = [&]() {
                    if (group.empty())
                        return true;
                    auto& [update, insert] = writerFor(groupColumns)->second;
                    const int width = int(groupColumns.size()) + 1;
                    qint64 inserted = 0;
                    if (int(group.size()) == kRowsPerInsert) {
                        const QString key = groupColumns.join(u',');
                        auto many = groupInserts.find(key);
                        if (many == groupInserts.end()) {
                            QStringList rows;
                            for (int r = 0; r < kRowsPerInsert; ++r) {
                                QStringList marks;
                                for (int c = 1; c <= width; ++c)
                                    marks << u"?"_qs + QString::number(r * width + c);
                                rows << u"("_qs + marks.join(u", "_qs) + u")"_qs;
                            }
                            QStringList names;
                            for (const QString& column : std::as_const(groupColumns))
                                names << quoted(column);
                            const QString sql = QStringLiteral("INSERT INTO logtab (%1, Uuid) SELECT * FROM (VALUES %2)"
                                                               " AS v WHERE NOT EXISTS (SELECT 1 FROM logtab"
                                                               " WHERE Uuid = v.column%3)")
                                                    .arg(names.join(u", "_qs), rows.join(u", "_qs))
                                                    .arg(width);
                            many = groupInserts.try_emplace(key, m_log, sql).first;
                        }
                        many->second.reset();
                        for (int r = 0; r < kRowsPerInsert; ++r)
                            bindContact(many->second, r * width + 1, groupColumns, group[r].second, group[r].first);
                        if (!many->second.run())
                            return fail(many->second);
                        inserted = m_log.changes();
                    } else {
                        for (const auto& [uuid, fields] : group) {
                            insert.reset();
                            bindContact(insert, 1, groupColumns, fields, uuid);
                            if (!insert.run())
                                return fail(insert);
                            inserted += m_log.changes();
                        }
                    }
                    // Some were held by contacts never stamped here: those are updated.
                    for (size_t r = 0; inserted < qint64(group.size()) && r < group.size(); ++r) {
                        update.reset();
                        bindContact(update, 1, groupColumns, group[r].second, group[r].first);
                        if (!update.run())
                            return fail(update);
                    }
                    group.clear();
                    return true;
                };
                qint64 newestClock = 0;
                for (const PulledRow& row : batch) {
                    newestClock = std::max(newestClock, stampClock(row.stamp));
                    localStamp.reset();
                    localStamp.bindText(1, row.uuid);
                    const QString mine = localStamp.step() ? localStamp.text(0) : QString();
                    if (!mine.isEmpty() && mine >= row.stamp)
                        continue; // the same version, or a later one here still to be sent
                    QJsonObject fields;
                    QStringList columns;
                    if (!row.deleted) {
                        fields = QJsonDocument::fromJson(row.fields).object();
                        for (auto it = fields.begin(); it != fields.end(); ++it) {
                            if (known.contains(it.key()))
                                columns << it.key();
                        }
                        if (!fields.isEmpty() && columns.isEmpty())
                            continue; // nothing this version knows
                    }
                    // Sent by every version that keeps them: none is an empty text.
                    const QJsonValue other = fields.value(QString::fromUtf16(kOtherFieldsKey));
                    const bool newHere = mine.isEmpty() && !columns.isEmpty() && other.toString().isEmpty();
                    if (!group.empty() && (!newHere || columns != groupColumns || int(group.size()) == kRowsPerInsert)
                        && !flushGroup())
                        return false;
                    if (newHere) {
                        groupColumns = columns;
                        group.emplace_back(row.uuid, fields);
                    } else {
                        // A change made here that the winner was not made on: the two were made apart.
                        QString lostHere;
                        if (!mine.isEmpty() && stampPosition(mine) == m_position && row.base != mine) {
                            described.reset();
                            described.bindText(1, row.uuid);
                            lostHere = described.step() ? QStringLiteral("%1 %2 %3 (%4)")
                                                              .arg(described.text(0), described.text(1),
                                                                   described.text(2), described.text(3))
                                                        : describe(fields);
                        }
                        if (columns.isEmpty()) {
                            remove.reset();
                            remove.bindText(1, row.uuid);
                            if (!remove.run())
                                return fail(remove);
                        } else {
                            auto writer = writerFor(columns);
                            // A contact new here is inserted at once, one known here updated at once.
                            SqliteStatement* first = mine.isEmpty() ? &writer->second.second : &writer->second.first;
                            SqliteStatement* second = mine.isEmpty() ? &writer->second.first : &writer->second.second;
                            for (SqliteStatement* write : {first, second}) {
                                write->reset();
                                bindContact(*write, 1, columns, fields, row.uuid);
                                if (!write->run())
                                    return fail(*write);
                                if (m_log.changes() > 0)
                                    break;
                            }
                            // None for a contact new here: nothing to drop.
                            if (other.isString() && (!mine.isEmpty() || !other.toString().isEmpty())) {
                                SqliteStatement& write = other.toString().isEmpty() ? dropFields : keepFields;
                                write.reset();
                                int index = 1;
                                if (&write == &keepFields)
                                    write.bindText(index++, other.toString());
                                write.bindText(index, row.uuid);
                                if (!write.run())
                                    return fail(write);
                            }
                        }
                        dropQueued.reset();
                        dropQueued.bindText(1, row.uuid);
                        if (!mine.isEmpty() && !dropQueued.run())
                            return fail(dropQueued);
                        if (!lostHere.isEmpty())
                            report.lost << QStringLiteral("%1: the change made here at %2 lost to a later one at %3")
                                               .arg(lostHere, m_position, stampPosition(row.stamp));
                    }
                    stamp.reset();
                    stamp.bindText(1, row.uuid);
                    stamp.bindText(2, row.stamp);
                    stamp.bindInteger(3, row.deleted ? 1 : 0);
                    if (!stamp.run())
                        return fail(stamp);
                    ++report.pulled;
                }
                if (!flushGroup())
                    return false;
                clock.bindInteger(1, newestClock);
                clock.bindInteger(2, batch.back().seq);
                if (!clock.run())
                    return fail(clock);
                return m_log.exec(u"UPDATE share_state SET applying = 0"_qs, failure);
            },
            &applyError);
        batch.clear();
        return ok;
    };

    const bool copied = m_server.copyOut(
        QStringLiteral("COPY (SELECT seq, uuid, stamp, deleted, base, fields FROM mivra_contact WHERE seq > %1"
                       " ORDER BY seq) TO STDOUT")
            .arg(pulled),
        [&](const QByteArray& line) {
            const QList<QByteArrayView> parts = fieldsOf(line);
            if (parts.size() != 6) {
                applyError = QStringLiteral("the server sent a row of %1 fields").arg(parts.size());
                return false;
            }
            PulledRow row;
            row.seq = parts[0].toLongLong();
            row.uuid = QString::fromUtf8(copyTextField(parts[1]));
            row.stamp = QString::fromUtf8(copyTextField(parts[2]));
            row.deleted = parts[3] == "t";
            if (parts[4] != "\\N")
                row.base = QString::fromUtf8(copyTextField(parts[4]));
            if (parts[5] != "\\N")
                row.fields = copyTextField(parts[5]);
            batch.push_back(std::move(row));
            return int(batch.size()) < m_pullBatch || apply();
        },
        &report.error);
    const bool applied = copied && apply();
    if (!applyError.isEmpty())
        report.error = applyError;
    return applied && applyError.isEmpty();
}

} // namespace mivra::share
