#include "ContactEdits.h"

#include "BandPlan.h"
#include "ContactCheck.h"
#include "ContactGeometry.h"
#include "ErrorText.h"
#include "OtherFields.h"
#include "Utf16View.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace mivra {

namespace {

const char* const kEditableColumns[]
    = {"Date", "GMT", "Callsign", "Grid", "rsts", "rstr", "QSL", "Nam", "Band", "mode", "Comment", "Prop", "QSLman"};
const char* const kMapTextColumns[] = {"GEdata", "GEpoly", "GEgridXY"};

bool failWith(QString* error, const QString& text)
{
    setError(error, text);
    return false;
}

QString quoted(const QString& column)
{
    return u'"' + column + u'"';
}

QVariant nullNumber()
{
    return QVariant(QMetaType(QMetaType::Double));
}
QVariant nullText()
{
    return QVariant(QMetaType(QMetaType::QString));
}

// Equal as stored: NULL only equals NULL.
bool sameValue(const QVariant& a, const QVariant& b)
{
    return a.isNull() == b.isNull() && (a.isNull() || a == b);
}

bool isMapTextColumn(const QString& column)
{
    for (const char* name : kMapTextColumns) {
        if (column.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Runs work in one transaction: committed when it returns true, rolled back otherwise.
bool inTransaction(QSqlDatabase& db, const std::function<bool(QString*)>& work, QString* error)
{
    if (!beginWriting(db, error))
        return false;
    QString failure;
    if (work(&failure) && db.commit())
        return true;
    if (failure.isEmpty())
        failure = db.lastError().text();
    db.rollback();
    return failWith(error, failure);
}

// Runs a statement that selects by ID; false with *error when it cannot be run.
bool selectById(QSqlQuery& query, const QString& statement, qint64 id, QString* error)
{
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        return failWith(error, query.lastError().text());
    query.addBindValue(id);
    return query.exec() || failWith(error, query.lastError().text());
}

} // namespace

bool isEditableColumn(const QString& column)
{
    for (const char* name : kEditableColumns) {
        if (column.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

std::optional<ColumnValues> cellEditValues(const QString& column, const QString& text, const QString& ownLocator,
                                           const std::function<DxccResult(const QString&)>& lookup, QString* reason)
{
    if (!isEditableColumn(column)) {
        failWith(reason,
                 QStringLiteral("%1 is not edited in the grid: it follows from the other columns.").arg(column));
        return std::nullopt;
    }
    const std::optional<QString> stored = checkedColumn(column, text, reason);
    if (!stored)
        return std::nullopt;
    // An empty text is stored as such, never as NULL.
    ColumnValues values{{column, stored->isNull() ? QString(QLatin1String("")) : *stored}};
    if (column.compare(QLatin1String("Callsign"), Qt::CaseInsensitive) == 0) {
        const DxccResult entity = lookup(*stored);
        if (entity.status == DxccStatus::NoMatch) {
            failWith(reason, QStringLiteral("Callsign not allowed"));
            return std::nullopt;
        }
        if (entity.status == DxccStatus::Failed) {
            failWith(reason, QStringLiteral("Callsign: the entity of %1 cannot be looked up in the log.").arg(*stored));
            return std::nullopt;
        }
        values.append({QStringLiteral("DXCC"), entity.entity});
    } else if (column.compare(QLatin1String("Grid"), Qt::CaseInsensitive) == 0) {
        // The same reckoning as the entry row's, from MyGrid.
        geo::ContactGeometry geometry;
        const bool reckoned = !stored->isEmpty() && geometry.calculate(utf16View(ownLocator), utf16View(*stored));
        values.append({QStringLiteral("QRB"), reckoned ? QVariant(double(geometry.qrbKm)) : nullNumber()});
        values.append({QStringLiteral("QTF"), reckoned ? QVariant(double(geometry.qtfDeg)) : nullNumber()});
        for (const char* mapText : kMapTextColumns)
            values.append({QLatin1String(mapText), nullText()});
    } else if (column.compare(QLatin1String("QSL"), Qt::CaseInsensitive) == 0
               && (*stored == QLatin1String("Q") || *stored == QLatin1String("T"))) {
        values.append({QStringLiteral("QslRdate"), QDate::currentDate().toString(Qt::ISODate)});
    } else if (column.compare(QLatin1String("Band"), Qt::CaseInsensitive) == 0) {
        // The frequency follows the band: the one typed, or none.
        const Band* band = bandOfText(*stored);
        bool isNumber = false;
        const double typed = stored->toDouble(&isNumber);
        const bool frequency = isNumber && band && !band->isShortWave() && *stored != band->valueText();
        values.append({QStringLiteral("Freq"), frequency ? QVariant(typed) : nullNumber()});
    }
    return values;
}

ContactEdits::ContactEdits(QSqlDatabase log)
    : m_log(std::move(log))
{
}

QString ContactEdits::tableColumn(const QString& name) const
{
    const QSqlRecord record = m_log.record(QStringLiteral("logtab"));
    for (int i = 0; i < record.count(); ++i) {
        if (record.fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return record.fieldName(i);
    }
    return {};
}

std::optional<RowSnapshot> ContactEdits::readRow(qint64 id, QString* error) const
{
    QSqlQuery query(m_log);
    if (!selectById(query, QStringLiteral("SELECT * FROM logtab WHERE ID = ?"), id, error))
        return std::nullopt;
    if (!query.next()) {
        failWith(error, QStringLiteral("The contact %1 is no longer in the log.").arg(id));
        return std::nullopt;
    }
    RowSnapshot row;
    row.id = id;
    const QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i) {
        row.columns << record.fieldName(i);
        row.values << record.value(i);
    }
    const std::optional<QVariant> other = otherFields(id, error);
    if (!other)
        return std::nullopt;
    row.otherFields = *other;
    return row;
}

std::optional<QVariant> ContactEdits::otherFields(qint64 id, QString* error) const
{
    QSqlQuery query(m_log);
    if (!selectById(query, QStringLiteral("SELECT fields FROM logfields WHERE ID = ?"), id, error))
        return std::nullopt;
    return query.next() ? query.value(0) : nullText();
}

bool ContactEdits::writeOtherFields(qint64 id, const QVariant& fields, QString* error)
{
    QSqlQuery write(m_log);
    const bool none = fields.isNull() || fields.toString().isEmpty();
    if (!write.prepare(none ? QStringLiteral("DELETE FROM logfields WHERE ID = ?")
                            : QStringLiteral("INSERT OR REPLACE INTO logfields (ID, fields) VALUES (?, ?)")))
        return failWith(error, write.lastError().text());
    write.addBindValue(id);
    if (!none)
        write.addBindValue(fields.toString());
    return write.exec() || failWith(error, write.lastError().text());
}

bool ContactEdits::dropColumnFields(qint64 id, const QStringList& columns, QString* error)
{
    std::vector<const ColumnFields*> edited;
    for (const QString& column : columns) {
        if (const ColumnFields* entry = columnFieldsOf(column))
            edited.push_back(entry);
    }
    if (edited.empty())
        return true;
    const std::optional<QVariant> stored = otherFields(id, error);
    if (!stored)
        return false;
    if (stored->isNull())
        return true;
    std::vector<OtherField> fields = decodeOtherFields(stored->toString());
    const auto before = fields.size();
    std::erase_if(fields, [&](const OtherField& field) {
        const ColumnFields* owner = columnFieldsOfAdif(field.name);
        return owner && std::find(edited.begin(), edited.end(), owner) != edited.end();
    });
    if (fields.size() == before)
        return true;
    return writeOtherFields(id, fields.empty() ? nullText() : QVariant(encodeOtherFields(fields)), error);
}

bool ContactEdits::updateRow(qint64 id, const ColumnValues& values, QString* error)
{
    return inTransaction(
        m_log, [&](QString* failure) { return updateColumns(id, values, failure); }, error);
}

bool ContactEdits::updateColumns(qint64 id, const ColumnValues& values, QString* error)
{
    QStringList assignments;
    QVariantList bound;
    QStringList columns;
    for (const auto& [name, value] : values) {
        const QString column = tableColumn(name);
        if (column.isEmpty() && isMapTextColumn(name))
            continue;
        if (column.isEmpty() || column.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
            return failWith(error, QStringLiteral("The log has no column %1.").arg(name));
        assignments << quoted(column) + QStringLiteral(" = ?");
        bound << value;
        columns << column;
    }
    if (assignments.isEmpty())
        return failWith(error, QStringLiteral("Nothing to change."));
    QSqlQuery update(m_log);
    if (!update.prepare(
            QStringLiteral("UPDATE logtab SET %1 WHERE ID = ?").arg(assignments.join(QStringLiteral(", ")))))
        return failWith(error, update.lastError().text());
    for (const QVariant& value : bound)
        update.addBindValue(value);
    update.addBindValue(id);
    if (!update.exec())
        return failWith(error, update.lastError().text());
    if (update.numRowsAffected() != 1)
        return failWith(error, QStringLiteral("The contact %1 is no longer in the log.").arg(id));
    // What the record said of these columns is now what the columns say.
    return dropColumnFields(id, columns, error);
}

bool ContactEdits::setQslStates(const QList<qint64>& ids, const QString& letter, QString* error)
{
    return inTransaction(
        m_log,
        [&](QString* failure) {
            QSqlQuery update(m_log);
            // A card in hand (Q, T) gets the day it was marked, unless it has one.
            if (!update.prepare(
                    QStringLiteral("UPDATE logtab SET QSL = ?, QslRdate = CASE WHEN upper(trim(?)) IN ('Q', 'T')"
                                   " AND coalesce(QslRdate, '') = '' THEN date('now') ELSE QslRdate END WHERE ID = ?")))
                return failWith(failure, update.lastError().text());
            for (const qint64 id : ids) {
                update.addBindValue(letter);
                update.addBindValue(letter);
                update.addBindValue(id);
                if (!update.exec())
                    return failWith(failure, update.lastError().text());
                if (update.numRowsAffected() != 1)
                    return failWith(failure, QStringLiteral("The contact %1 is no longer in the log.").arg(id));
            }
            return true;
        },
        error);
}

bool ContactEdits::reinsertRow(const RowSnapshot& row, QString* error)
{
    QSqlQuery holder(m_log);
    holder.setForwardOnly(true);
    if (!holder.prepare(QStringLiteral("SELECT Callsign FROM logtab WHERE ID = ?")))
        return failWith(error, holder.lastError().text());
    holder.addBindValue(row.id);
    if (!holder.exec())
        return failWith(error, holder.lastError().text());
    if (holder.next()) {
        return failWith(error, QStringLiteral("its place (ID %1) was taken since by the contact with %2; "
                                              "nothing was changed.")
                                   .arg(row.id)
                                   .arg(holder.value(0).toString()));
    }
    QStringList columns;
    QStringList marks;
    for (const QString& column : row.columns) {
        columns << quoted(column);
        marks << QStringLiteral("?");
    }
    // A plain INSERT: a row that holds the ID fails it rather than being replaced.
    QSqlQuery insert(m_log);
    if (!insert.prepare(QStringLiteral("INSERT INTO logtab (%1) VALUES (%2)")
                            .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))))
        return failWith(error, insert.lastError().text());
    for (const QVariant& value : row.values)
        insert.addBindValue(value);
    if (!insert.exec())
        return failWith(error, insert.lastError().text());
    return row.otherFields.isNull() || writeOtherFields(row.id, row.otherFields, error);
}

bool ContactEdits::writeBack(const RowSnapshot& before, const RowSnapshot& after, QString* error)
{
    QString readError;
    const std::optional<RowSnapshot> now = readRow(before.id, &readError);
    if (!now)
        return failWith(error, readError + QStringLiteral(" Nothing was changed."));
    ColumnValues values;
    for (qsizetype i = 0; i < before.columns.size(); ++i) {
        const QString& column = before.columns[i];
        const QVariant written = after.value(column);
        if (sameValue(before.values[i], written))
            continue;
        if (!sameValue(now->value(column), written)) {
            return failWith(error, QStringLiteral("%1 of the contact with %2 was changed since; nothing was changed.")
                                       .arg(column, now->value(QStringLiteral("Callsign")).toString()));
        }
        values.append({column, before.values[i]});
    }
    if (!values.isEmpty() && !updateColumns(before.id, values, error))
        return false;
    // The other fields as they were, while the change's own are still there.
    if (sameValue(before.otherFields, after.otherFields))
        return true;
    if (!sameValue(now->otherFields, after.otherFields))
        return failWith(error, QStringLiteral("The other fields of the contact with %1 were changed since; nothing "
                                              "was changed.")
                                   .arg(now->value(QStringLiteral("Callsign")).toString()));
    return writeOtherFields(before.id, before.otherFields, error);
}

bool ContactEdits::undoChange(const std::vector<RowSnapshot>& before, const std::vector<RowSnapshot>& after,
                              QString* error)
{
    if (!after.empty() && after.size() != before.size())
        return failWith(error, QStringLiteral("The change is not known whole; nothing was changed."));
    return inTransaction(
        m_log,
        [&](QString* failure) {
            for (std::size_t i = 0; i < before.size(); ++i) {
                if (!(after.empty() ? reinsertRow(before[i], failure) : writeBack(before[i], after[i], failure)))
                    return false;
            }
            return true;
        },
        error);
}

} // namespace mivra
