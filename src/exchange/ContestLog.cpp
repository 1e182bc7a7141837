#include "ContestLog.h"

#include "AdifFields.h"
#include "ContestScore.h"
#include "LogDatabase.h"
#include "StoredDateTime.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace mivra {

namespace {

// Contests last a day or two; longer spans are read without the list of days.
constexpr qsizetype kListedDays = 62;

} // namespace

bool readContestRows(const LogDatabase& log, const ContestSpan& contest, std::vector<LogRow>* rows, QString* error)
{
    rows->clear();
    const QString band = contest.bandValue.trimmed();
    if (band.isEmpty() || !contest.from.isValid() || !contest.to.isValid())
        return true;
    // The day range finds the rows the log writes ("2026-06-06"), the days listed those of older logs
    // ("06.06.2026"), both through the time index; a span of many days reads the older rows whole.
    // The times sort out the rest.
    const QDate firstDay = contest.from.toUTC().date();
    const QDate lastDay = contest.to.toUTC().date();
    QStringList oldDays;
    for (QDate day = firstDay; day <= lastDay && oldDays.size() <= kListedDays; day = day.addDays(1))
        oldDays << day.toString(u"dd.MM.yyyy");
    QStringList placeholders;
    for (qsizetype i = 0; i < oldDays.size(); ++i)
        placeholders << QStringLiteral(":day%1").arg(i);
    const QString oldForm = oldDays.size() > kListedDays ? QStringLiteral("Date LIKE '__.__.____%'")
                                                         : QStringLiteral("Date IN (%1)").arg(placeholders.join(u", "));
    QSqlQuery query(log.database());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT ID, Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, DXCC FROM logtab"
                                      " WHERE +Band LIKE :band AND ((Date >= :fromDay AND Date < :afterDay) OR %1)")
                           .arg(oldForm))) {
        *error = query.lastError().text();
        return false;
    }
    query.bindValue(QStringLiteral(":band"), band + u'%');
    query.bindValue(QStringLiteral(":fromDay"), storedDateText(firstDay));
    query.bindValue(QStringLiteral(":afterDay"), storedDateText(lastDay.addDays(1)));
    if (oldDays.size() <= kListedDays) {
        for (qsizetype i = 0; i < oldDays.size(); ++i)
            query.bindValue(placeholders[i], oldDays[i]);
    }
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    while (query.next()) {
        LogRow row;
        row.band = query.value(7).toString().trimmed();
        if (row.band != band && !row.band.startsWith(band + u'.'))
            continue;
        row.id = query.value(0).toLongLong();
        row.date = query.value(1).toString();
        row.gmt = query.value(2).toString();
        row.time = readStoredDateTime(row.date, row.gmt);
        if (!row.time.isValid() || row.time < contest.from || row.time >= contest.to)
            continue;
        row.callsign = query.value(3).toString();
        row.grid = query.value(4).toString();
        row.rsts = query.value(5).toString();
        row.rstr = query.value(6).toString();
        row.mode = query.value(8).toString();
        row.dxcc = query.value(9).toString();
        rows->push_back(std::move(row));
    }
    if (query.lastError().isValid()) {
        *error = query.lastError().text();
        return false;
    }
    std::stable_sort(rows->begin(), rows->end(),
                     [](const LogRow& a, const LogRow& b) { return a.time != b.time ? a.time < b.time : a.id < b.id; });
    return true;
}

int sentSerial(const QString& report, const QString& mode)
{
    QString serial;
    adif::splitReport(report, mode, &serial);
    bool ok = false;
    const int number = serial.toInt(&ok);
    return ok && number > 0 ? number : 0;
}

int nextSerial(const std::vector<LogRow>& rows)
{
    int highest = 0;
    for (const LogRow& row : rows)
        highest = std::max(highest, sentSerial(row.rsts, row.mode));
    return highest + 1;
}

QString serialReport(int serial, const QString& mode)
{
    const bool cw = mode.trimmed().compare(u"CW", Qt::CaseInsensitive) == 0;
    return (cw ? QStringLiteral("599") : QStringLiteral("59")) + QString::number(serial).rightJustified(3, u'0');
}

bool isDuplicate(const std::vector<LogRow>& rows, const QString& callsign)
{
    const QString station = contestStation(callsign);
    return !station.isEmpty() && std::any_of(rows.begin(), rows.end(), [&](const LogRow& row) {
        return contestStation(row.callsign) == station;
    });
}

} // namespace mivra
