#pragma once

#include <QDate>
#include <QString>

#include <optional>

namespace mivra {

class LogDatabase;

// Contacts the log already holds with one station.
struct WorkedBefore {
    int onBand = 0; // on the band asked for (all bands when none was given)
    int allBands = 0;
    QDate last; // date of the latest contact; invalid when no stored date can be read
};

// What the log already holds for the contact being entered: the station, its square and its
// entity, each on a band given as a band pattern ("144%"; empty for all bands). Every look-up is
// one indexed query; nullopt when the query fails.
class ContactHistory {
public:
    explicit ContactHistory(const LogDatabase& log);

    // Contacts with this callsign, ignoring case.
    std::optional<WorkedBefore> workedBefore(const QString& callsign, const QString& bandPattern) const;
    // Whether a contact on the band lies in the 4-character square of this locator.
    std::optional<bool> squareWorked(const QString& locator, const QString& bandPattern) const;
    // Whether a contact on the band is stored with this entity text.
    std::optional<bool> entityWorked(const QString& entity, const QString& bandPattern) const;
    // The locator of the latest contact with exactly this callsign (ignoring case) that has a valid
    // one: a portable or mobile call ("OK1ABC/P") is its own station. Empty when there is none.
    std::optional<QString> lastLocator(const QString& callsign) const;

    // The statements behind the look-ups, with their named parameters.
    static constexpr char kWorkedBeforeSql[]
        = "SELECT Band LIKE :band, Date FROM logtab WHERE Callsign = :call COLLATE NOCASE";
    static constexpr char kSquareWorkedSql[]
        = "SELECT EXISTS (SELECT 1 FROM logtab WHERE upper(substr(Grid, 1, 4)) = :square AND Band LIKE :band)";
    static constexpr char kLastLocatorSql[]
        = "SELECT Date, GMT, Grid FROM logtab WHERE Callsign = :call COLLATE NOCASE AND Grid <> '' ORDER BY ID";
    static constexpr char kEntityWorkedSql[]
        = "SELECT EXISTS (SELECT 1 FROM logtab WHERE DXCC = :entity COLLATE NOCASE AND Band LIKE :band)";

private:
    const LogDatabase& m_log;
};

} // namespace mivra
