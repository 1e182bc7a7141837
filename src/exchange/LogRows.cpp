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

namespace {

// Rows a text comparison puts in time order: yyyy-MM-dd and HH:mm (or HH:mm:ss).
const QString kIrregular = QStringLiteral(
    "(Date IS NULL OR GMT IS NULL OR Date NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'"
    " OR (GMT NOT GLOB '[0-9][0-9]:[0-9][0-9]' AND GMT NOT GLOB '[0-9][0-9]:[0-9][0-9]:[0-9][0-9]'))");

// The longest span whose days are looked up one by one.
constexpr qint64 kMostDays = 400;
// After a date and any time written behind it, in the text order of the log.
const QString kAfterText = QString(QChar(0x7f));

LogRow rowOf(const QSqlQuery& query)
{
    LogRow row;
    row.id = query.value(0).toLongLong();
    row.date = query.value(1).toString();
    row.gmt = query.value(2).toString();
    row.time = rowTime(row.date, row.gmt);
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
    return row;
}

bool failed(const QSqlQuery& query, QString* error)
{
    if (error)
        *error = query.lastError().text();
    return false;
}

} // namespace

bool visitLogRows(const LogDatabase& log, const LogSelection& selection,
                  const std::function<bool(const LogRow&)>& visit, QString* error)
{
    const bool span = selection.from || selection.to;
    // A span of days: its rows are found through the time index, by text ranges that take the
    // stored form (also with a time after it) and each day's older dd.MM.yyyy form; the exact span
    // is applied to those rows below.
    QStringList dayRanges; // pairs of lower and upper bounds
    if (selection.from && selection.to && selection.from->isValid() && selection.to->isValid()
        && *selection.from < *selection.to) {
        const QDate first = selection.from->toUTC().date();
        const QDate last = selection.to->toUTC().addMSecs(-1).date();
        if (first.daysTo(last) < kMostDays) {
            dayRanges << storedDateText(first) << storedDateText(last) + kAfterText;
            for (QDate day = first; day <= last; day = day.addDays(1))
                dayRanges << day.toString(u"dd.MM.yyyy"_qs) << day.toString(u"dd.MM.yyyy"_qs) + kAfterText;
        }
    }
    QStringList conditions;
    QVariantList values;
    if (!selection.bandPattern.isEmpty()) {
        // Within a few days, the time index finds the rows; the band is tested on its entries.
        conditions << (dayRanges.isEmpty() ? u"Band LIKE ?"_qs : u"+Band LIKE ?"_qs);
        values << selection.bandPattern;
    }
    if (selection.searchChoice == SearchByCallsign || selection.searchChoice == SearchByGrid) {
        conditions << (selection.searchChoice == SearchByCallsign ? u"Callsign LIKE ? ESCAPE '\\'"_qs
                                                                  : u"Grid LIKE ? ESCAPE '\\'"_qs);
        values << literalPrefixPattern(selection.searchText);
    }
    if (!dayRanges.isEmpty()) {
        conditions << u'(' + QStringList(dayRanges.size() / 2, u"(Date >= ? AND Date < ?)"_qs).join(u" OR "_qs) + u')';
        for (const QString& bound : dayRanges)
            values << bound;
    }
    const QString where = conditions.isEmpty() ? QString() : u" WHERE "_qs + conditions.join(u" AND "_qs);

    QSqlQuery query(log.database());
    query.setForwardOnly(true);
    const auto run = [&](const QString& statement) {
        if (!query.prepare(statement))
            return false;
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values[i]);
        return query.exec();
    };
    // Rows in older forms do not sort as text: then the rows are put in time order here.
    bool sortHere = span;
    if (!sortHere) {
        if (!run(u"SELECT EXISTS (SELECT 1 FROM logtab"_qs + (where.isEmpty() ? u" WHERE "_qs : where + u" AND "_qs)
                 + kIrregular + u')') || !query.next())
            return failed(query, error);
        sortHere = query.value(0).toBool();
        query.finish();
    }
    if (!run(u"SELECT ID, Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment, QSL, Prop, DXCC, QRB,"
             " QTF, QSLman FROM logtab"_qs + where + (sortHere ? QString() : u" ORDER BY Date, GMT, ID"_qs)))
        return failed(query, error);
    std::vector<LogRow> rows;
    while (query.next()) {
        LogRow row = rowOf(query);
        if (span && (!row.time.isValid() || (selection.from && row.time < *selection.from)
                     || (selection.to && row.time >= *selection.to)))
            continue;
        if (!sortHere) {
            if (!visit(row))
                return true;
        } else {
            rows.push_back(std::move(row));
        }
    }
    if (query.lastError().isValid())
        return failed(query, error);
    if (!sortHere)
        return true;
    // Time order, then as stored; rows without a readable time last.
    std::sort(rows.begin(), rows.end(), [](const LogRow& a, const LogRow& b) {
        if (a.time.isValid() != b.time.isValid())
            return a.time.isValid();
        if (a.time.isValid() && a.time != b.time)
            return a.time < b.time;
        return a.id < b.id;
    });
    for (const LogRow& row : rows) {
        if (!visit(row))
            break;
    }
    return true;
}

bool readLogRows(const LogDatabase& log, const LogSelection& selection, std::vector<LogRow>* rows, QString* error)
{
    return visitLogRows(
        log, selection,
        [rows](const LogRow& row) {
            rows->push_back(row);
            return true;
        },
        error);
}

} // namespace mivra
