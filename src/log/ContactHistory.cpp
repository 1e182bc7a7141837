#include "ContactHistory.h"

#include "Locator.h"
#include "LogDatabase.h"
#include "StoredDateTime.h"
#include "Utf16View.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <utility>

namespace mivra {

namespace {

// The band condition of the look-ups; with no band every non-empty band matches.
QString bandOrAny(const QString& bandPattern)
{
    return bandPattern.isEmpty() ? QStringLiteral("%") : bandPattern;
}

std::optional<bool> exists(QSqlQuery& query)
{
    if (!query.exec() || !query.next())
        return std::nullopt;
    return query.value(0).toBool();
}

} // namespace

ContactHistory::ContactHistory(const LogDatabase& log)
    : m_log(log)
{
}

std::optional<WorkedBefore> ContactHistory::workedBefore(const QString& callsign, const QString& bandPattern) const
{
    QSqlQuery query(m_log.database());
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromLatin1(kWorkedBeforeSql)))
        return std::nullopt;
    query.bindValue(QStringLiteral(":band"), bandOrAny(bandPattern));
    query.bindValue(QStringLiteral(":call"), callsign);
    if (!query.exec())
        return std::nullopt;
    WorkedBefore worked;
    while (query.next()) {
        ++worked.allBands;
        if (query.value(0).toBool())
            ++worked.onBand;
        const QDate date = readStoredDate(query.value(1).toString());
        if (date.isValid() && (!worked.last.isValid() || date > worked.last))
            worked.last = date;
    }
    if (query.lastError().isValid())
        return std::nullopt;
    return worked;
}

std::optional<bool> ContactHistory::squareWorked(const QString& locator, const QString& bandPattern) const
{
    if (locator.size() < 4)
        return std::nullopt;
    QSqlQuery query(m_log.database());
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromLatin1(kSquareWorkedSql)))
        return std::nullopt;
    query.bindValue(QStringLiteral(":square"), locator.left(4).toUpper());
    query.bindValue(QStringLiteral(":band"), bandOrAny(bandPattern));
    return exists(query);
}

std::optional<bool> ContactHistory::entityWorked(const QString& entity, const QString& bandPattern) const
{
    QSqlQuery query(m_log.database());
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromLatin1(kEntityWorkedSql)))
        return std::nullopt;
    query.bindValue(QStringLiteral(":entity"), entity);
    query.bindValue(QStringLiteral(":band"), bandOrAny(bandPattern));
    return exists(query);
}

std::optional<QString> ContactHistory::lastLocator(const QString& callsign) const
{
    QSqlQuery query(m_log.database());
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromLatin1(kLastLocatorSql)))
        return std::nullopt;
    query.bindValue(QStringLiteral(":call"), callsign.trimmed());
    if (!query.exec())
        return std::nullopt;
    // Stored dates come in more than one form, so the latest is found here rather than by sorting
    // the text; of equal times the one saved last wins.
    std::pair<qint64, int> latest{};
    QString locator;
    while (query.next()) {
        const QString grid = query.value(2).toString().trimmed().toUpper();
        if (!geo::isLocatorValid(utf16View(grid)))
            continue;
        const QDate date = readStoredDate(query.value(0).toString());
        const QTime time = readStoredTime(query.value(1).toString());
        const std::pair<qint64, int> when{date.isValid() ? date.toJulianDay() : 0,
                                          time.isValid() ? time.msecsSinceStartOfDay() : 0};
        if (locator.isEmpty() || when >= latest) {
            latest = when;
            locator = grid;
        }
    }
    if (query.lastError().isValid())
        return std::nullopt;
    return locator;
}

} // namespace mivra
