#include "ContestPositions.h"

#include "BandPlan.h"
#include "LogDatabase.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QSet>

#include <algorithm>
#include <map>

namespace mivra {

bool otherPositionsOnBand(const LogDatabase& log, const ContestSpan& contest, const QDateTime& since,
                          QStringList* positions, QString* error)
{
    positions->clear();
    const QString band = contest.bandValue.trimmed();
    if (band.isEmpty() || !contest.from.isValid() || !contest.to.isValid())
        return true;
    const QDateTime from = std::max(contest.from, since);
    SqliteConnection db = SqliteConnection::borrowed(log.database());
    // Dates of recent contacts are stored as yyyy-MM-dd, which compares as text.
    SqliteStatement query(db,
                          u"SELECT l.Position, l.Date, l.GMT, l.Band FROM logtab l, share_state s"
                          " WHERE s.position <> '' AND l.Position <> s.position AND l.Band LIKE ? AND l.Date >= ?"_qs);
    query.bindText(1, bandPattern(band));
    query.bindText(2, from.date().toString(Qt::ISODate));
    QSet<QString> seen;
    while (query.step()) {
        const QString rowBand = query.text(3).trimmed();
        if (rowBand != band && !rowBand.startsWith(band + u'.'))
            continue;
        const QDateTime time = rowTime(query.text(1), query.text(2));
        if (!time.isValid() || time < from || time >= contest.to)
            continue;
        const QString position = query.text(0).trimmed();
        if (!position.isEmpty() && !seen.contains(position.toLower())) {
            seen.insert(position.toLower());
            *positions << position;
        }
    }
    if (query.failed()) {
        if (error)
            *error = query.error();
        return false;
    }
    positions->sort(Qt::CaseInsensitive);
    return true;
}

QList<int> repeatedSerials(const std::vector<LogRow>& rows)
{
    std::map<int, int> sent;
    for (const LogRow& row : rows) {
        if (const int serial = sentSerial(row.rsts, row.mode); serial > 0)
            ++sent[serial];
    }
    QList<int> repeated;
    for (const auto& [serial, times] : sent) {
        if (times > 1)
            repeated << serial;
    }
    return repeated;
}

} // namespace mivra
