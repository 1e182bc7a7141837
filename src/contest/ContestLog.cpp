#include "ContestLog.h"

#include "BandPlan.h"
#include "ContestScore.h"
#include "LogRows.h"
#include "SerialReport.h"

#include <algorithm>

namespace mivra {

bool readContestRows(const LogDatabase& log, const ContestSpan& contest, std::vector<LogRow>* rows, QString* error)
{
    rows->clear();
    const QString band = contest.bandValue.trimmed();
    if (band.isEmpty() || !contest.from.isValid() || !contest.to.isValid())
        return true;
    LogSelection selection;
    selection.bandPattern = bandPattern(band);
    selection.from = contest.from;
    selection.to = contest.to;
    return visitLogRows(
        log, selection,
        [&](LogRow& row) {
            // The pattern "144%" also finds "1440": the band itself, or a frequency in it ("144.300").
            row.band = row.band.trimmed();
            if (row.band == band || row.band.startsWith(band + u'.'))
                rows->push_back(std::move(row));
            return true;
        },
        error);
}

int sentSerial(const QString& report, const QString& mode)
{
    QString serial;
    splitReport(report, mode, &serial);
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
