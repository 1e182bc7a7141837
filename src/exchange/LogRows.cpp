#include "LogRows.h"

#include "StoredDateTime.h"
#include "LikePattern.h"
#include "LogDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace mivra {

namespace {

std::optional<double> number(const QVariant& value)
{
    if (value.isNull() || value.toString().trimmed().isEmpty())
        return std::nullopt;
    bool ok = false;
    const double result = value.toDouble(&ok);
    return ok ? std::optional<double>(result) : std::nullopt;
}

} // namespace

QDateTime rowTime(const QString& date, const QString& gmt)
{
    return readStoredDateTime(date, gmt);
}

bool readLogRows(const LogDatabase& log, const LogSelection& selection, std::vector<LogRow>* rows,
                 QString* error)
{
    QStringList conditions;
    if (!selection.bandPattern.isEmpty())
        conditions << QStringLiteral("Band LIKE :band");
    if (selection.searchChoice == SearchByCallsign)
        conditions << QStringLiteral("Callsign LIKE :text ESCAPE '\\'");
    else if (selection.searchChoice == SearchByGrid)
        conditions << QStringLiteral("Grid LIKE :text ESCAPE '\\'");
    QString statement = QStringLiteral("SELECT ID, Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment,"
                                       " QSL, Prop, DXCC, QRB, QTF, QSLman FROM logtab");
    if (!conditions.isEmpty())
        statement += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    statement += QStringLiteral(" ORDER BY Date, GMT, ID");

    QSqlQuery query(log.database());
    query.setForwardOnly(true);
    if (!query.prepare(statement)) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    if (!selection.bandPattern.isEmpty())
        query.bindValue(QStringLiteral(":band"), selection.bandPattern);
    if (selection.searchChoice == SearchByCallsign || selection.searchChoice == SearchByGrid)
        query.bindValue(QStringLiteral(":text"), literalPrefixPattern(selection.searchText));
    if (!query.exec()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    const bool span = selection.from || selection.to;
    while (query.next()) {
        LogRow row;
        row.id = query.value(0).toLongLong();
        row.date = query.value(1).toString();
        row.gmt = query.value(2).toString();
        row.time = rowTime(row.date, row.gmt);
        if (span && (!row.time.isValid() || (selection.from && row.time < *selection.from)
                     || (selection.to && row.time >= *selection.to)))
            continue;
        row.callsign = query.value(3).toString();
        row.grid = query.value(4).toString();
        row.rsts = query.value(5).toString();
        row.rstr = query.value(6).toString();
        row.band = query.value(7).toString();
        row.mode = query.value(8).toString();
        row.name = query.value(9).toString();
        row.comment = query.value(10).toString();
        row.qsl = query.value(11).toString();
        row.prop = query.value(12).toString();
        row.dxcc = query.value(13).toString();
        row.qrb = number(query.value(14));
        row.qtf = number(query.value(15));
        row.qslVia = query.value(16).toString();
        rows->push_back(std::move(row));
    }
    if (query.lastError().isValid()) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    // Old dd.MM.yyyy dates do not sort as text; put every row in time order.
    const auto earlier = [](const LogRow& a, const LogRow& b) {
        if (a.time.isValid() != b.time.isValid())
            return a.time.isValid();
        return a.time.isValid() && a.time < b.time;
    };
    if (!std::is_sorted(rows->begin(), rows->end(), earlier))
        std::stable_sort(rows->begin(), rows->end(), earlier);
    return true;
}

} // namespace mivra
