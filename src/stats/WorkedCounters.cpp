#include "WorkedCounters.h"

#include "Locator.h"
#include "LogDatabase.h"
#include "MapText.h"
#include "Utf16View.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <vector>

namespace mivra::stats {

namespace {

struct CounterQuery {
    const char* column;
    bool confirmedOnly;
    int keyLength;
    bool outlines;
};

CounterQuery queryOf(Counter counter)
{
    switch (counter) {
    case Counter::SquaresWorked:
        return {"Grid", false, 4, true};
    case Counter::SquaresConfirmed:
        return {"Grid", true, 4, false};
    case Counter::EntitiesWorked:
        return {"DXCC", false, 8, false};
    case Counter::EntitiesConfirmed:
        return {"DXCC", true, 8, false};
    }
    return {"Grid", false, 4, true};
}

// SQLite tells the keys apart (COLLATE BINARY: exactly, with case), so only the counts, or for the
// outlines one row per square, leave the database. The confirmed queries read the table straight
// (+column keeps SQLite off the locator index, whose order would cost a row lookup per entry).
QString conditionOf(const CounterQuery& query, bool bandFiltered, ConfirmationCount confirmedBy)
{
    const QString column = QLatin1String(query.column);
    QString condition = query.confirmedOnly
                            ? QStringLiteral("%1 AND +%2 <> ''").arg(confirmedCondition(confirmedBy), column)
                            : QStringLiteral("%1 <> ''").arg(column);
    if (bandFiltered)
        condition += QStringLiteral(" AND Band LIKE :band");
    return condition;
}

QString statementOf(const CounterQuery& query, bool bandFiltered, ConfirmationCount confirmedBy)
{
    const QString key
        = QStringLiteral("substr(%1, 1, %2) COLLATE BINARY").arg(QLatin1String(query.column)).arg(query.keyLength);
    const QString condition = conditionOf(query, bandFiltered, confirmedBy);
    // The bare ID comes from the row holding min(Grid): the square's first row in locator order.
    if (query.outlines)
        return QStringLiteral("SELECT %1 AS square, ID, min(Grid) FROM logtab WHERE %2 GROUP BY square")
            .arg(key, condition);
    return QStringLiteral("SELECT count(DISTINCT %1) FROM logtab WHERE %2").arg(key, condition);
}

// The outline of a 4-character square, empty when the text names no square.
QString squareOutline(const QString& square)
{
    const std::u16string locator = geo::asciiUpper(utf16View(square));
    if (locator.size() != 4 || !geo::isLocatorValid(locator))
        return {};
    const auto centre = geo::locatorCentre(locator);
    return centre ? QString::fromStdString(geo::squareOutlineText(*centre)) : QString();
}

CounterResult failure(const QSqlError& error)
{
    return {CounterResult::Failed, 0, error.text()};
}

bool storeOutlines(QSqlDatabase& db, const std::vector<SquareFirstRow>& firstRows, QString* error)
{
    if (!beginWriting(db, error))
        return false;
    QSqlQuery update(db);
    bool ok = update.prepare(
        QStringLiteral("UPDATE logtab SET GEpoly = :outline WHERE ID = :id AND GEpoly IS NOT :outline"));
    for (auto row = firstRows.cbegin(); ok && row != firstRows.cend(); ++row) {
        update.bindValue(QStringLiteral(":outline"), squareOutline(row->square));
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

CounterTally tallyCounter(QSqlDatabase db, Counter counter, const QString& bandPattern, const QString& searchText,
                          ConfirmationCount confirmedBy)
{
    CounterTally tally;
    if (!searchText.isEmpty())
        return tally;
    const CounterQuery query = queryOf(counter);
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!rows.prepare(statementOf(query, !bandPattern.isEmpty(), confirmedBy))) {
        tally.result = failure(rows.lastError());
        return tally;
    }
    if (!bandPattern.isEmpty())
        rows.bindValue(QStringLiteral(":band"), bandPattern);
    if (!rows.exec()) {
        tally.result = failure(rows.lastError());
        return tally;
    }

    int distinct = 0;
    while (rows.next()) {
        if (query.outlines)
            tally.firstRows.push_back({rows.value(0).toString(), rows.value(1).toLongLong()});
        else
            distinct = rows.value(0).toInt();
    }
    if (rows.lastError().isValid()) {
        tally.firstRows.clear();
        tally.result = failure(rows.lastError());
        return tally;
    }
    if (query.outlines)
        distinct = int(tally.firstRows.size());
    if (distinct > 0)
        tally.result = {CounterResult::Counted, distinct, {}};
    return tally;
}

CounterResult storeSquareOutlines(QSqlDatabase db, const CounterTally& tally)
{
    if (tally.result.outcome != CounterResult::Counted || tally.firstRows.empty())
        return tally.result;
    QString error;
    if (!storeOutlines(db, tally.firstRows, &error))
        return {CounterResult::Failed, 0, error};
    return tally.result;
}

CounterResult runCounter(QSqlDatabase db, Counter counter, const QString& bandPattern, const QString& searchText,
                         ConfirmationCount confirmedBy)
{
    return storeSquareOutlines(db, tallyCounter(db, counter, bandPattern, searchText, confirmedBy));
}

} // namespace mivra::stats
