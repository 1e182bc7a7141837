#include "WorkedCounters.h"

#include "Locator.h"
#include "MapText.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <vector>

namespace mivra::stats {

namespace {

struct CounterQuery {
    const char* column;
    bool confirmedOnly;
    qsizetype keyLength;
};

CounterQuery queryOf(Counter counter)
{
    switch (counter) {
    case Counter::SquaresWorked:
        return {"Grid", false, 4};
    case Counter::SquaresConfirmed:
        return {"Grid", true, 4};
    case Counter::EntitiesWorked:
        return {"DXCC", false, 8};
    case Counter::EntitiesConfirmed:
        return {"DXCC", true, 8};
    }
    return {"Grid", false, 4};
}

QString statementOf(const CounterQuery& query, bool bandFiltered)
{
    const QString column = QLatin1String(query.column);
    QString statement = QStringLiteral("SELECT ID, %1 FROM logtab WHERE %1 <> ''").arg(column);
    if (query.confirmedOnly)
        statement += QStringLiteral(" AND QSL LIKE 'q'");
    if (bandFiltered)
        statement += QStringLiteral(" AND Band LIKE :band");
    return statement + QStringLiteral(" ORDER BY %1, ID").arg(column);
}

// The outline of a 4-character square, empty when the text names no square.
QString squareOutline(const QString& square)
{
    const std::u16string locator = geo::AsciiUpper(std::u16string_view(
        reinterpret_cast<const char16_t*>(square.utf16()), std::size_t(square.size())));
    if (locator.size() != 4 || !geo::IsLocatorValid(locator))
        return {};
    const auto corner = geo::LocatorToDegrees(locator + u"HH");
    return corner ? QString::fromStdString(geo::SquareOutlineText(*corner)) : QString();
}

struct FirstRow {
    qint64 id;
    QString key;
};

CounterResult failure(const QSqlError& error)
{
    return {CounterResult::Failed, 0, error.text()};
}

bool storeOutlines(QSqlDatabase& db, const std::vector<FirstRow>& firstRows, QString* error)
{
    if (!db.transaction()) {
        *error = db.lastError().text();
        return false;
    }
    QSqlQuery update(db);
    bool ok = update.prepare(QStringLiteral("UPDATE logtab SET GEpoly = :outline WHERE ID = :id"));
    for (auto row = firstRows.begin(); ok && row != firstRows.end(); ++row) {
        update.bindValue(QStringLiteral(":outline"), squareOutline(row->key));
        update.bindValue(QStringLiteral(":id"), row->id);
        ok = update.exec();
    }
    if (ok && db.commit())
        return true;
    *error = update.lastError().isValid() ? update.lastError().text() : db.lastError().text();
    db.rollback();
    return false;
}

} // namespace

CounterResult runCounter(QSqlDatabase db, Counter counter, const QString& bandPattern, const QString& searchText)
{
    if (!searchText.isEmpty())
        return {};
    const CounterQuery query = queryOf(counter);
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!rows.prepare(statementOf(query, !bandPattern.isEmpty())))
        return failure(rows.lastError());
    if (!bandPattern.isEmpty())
        rows.bindValue(QStringLiteral(":band"), bandPattern);
    if (!rows.exec())
        return failure(rows.lastError());

    // The rows come sorted without regard to case; a new key starts where it differs from the last.
    std::vector<FirstRow> firstRows;
    int distinct = 0;
    QString lastKey;
    while (rows.next()) {
        QString key = rows.value(1).toString().left(query.keyLength);
        if (distinct > 0 && key == lastKey)
            continue;
        ++distinct;
        if (counter == Counter::SquaresWorked)
            firstRows.push_back({rows.value(0).toLongLong(), key});
        lastKey = std::move(key);
    }
    if (rows.lastError().isValid())
        return failure(rows.lastError());
    rows.finish();
    if (distinct == 0)
        return {};

    if (counter == Counter::SquaresWorked) {
        QString error;
        if (!storeOutlines(db, firstRows, &error))
            return {CounterResult::Failed, 0, error};
    }
    return {CounterResult::Counted, distinct, {}};
}

} // namespace mivra::stats
