#include "ContestScore.h"

#include "Locator.h"
#include "Utf16View.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mivra {

namespace {

// Centre of the 6-character square a locator begins with, in degrees: the locator an EDI record
// carries, and so the one the contest's checkers score.
std::optional<geo::Position> contestCentre(const QString& locator)
{
    const QString square = locator.trimmed().toUpper().left(6);
    if (square.size() != 6 || !geo::isLocatorValid(utf16View(square)))
        return std::nullopt;
    return geo::locatorCentre(utf16View(square));
}

} // namespace

QString contestStation(const QString& callsign)
{
    QString call = callsign.trimmed().toUpper();
    for (const char* suffix : {"/P", "/M", "/MM", "/AM", "/A"}) {
        if (call.endsWith(QLatin1String(suffix))) {
            call.chop(int(qstrlen(suffix)));
            break;
        }
    }
    return call;
}

double ediDistance(const QString& ownLocator, const QString& locator)
{
    const std::optional<geo::Position> own = contestCentre(ownLocator);
    const std::optional<geo::Position> worked = contestCentre(locator);
    if (!own || !worked)
        return -1.0;
    const double lon1 = own->lon, lat1 = own->lat, lon2 = worked->lon, lat2 = worked->lat;
    constexpr double kRadians = std::numbers::pi / 180.0;
    const double cosine = std::sin(lat1 * kRadians) * std::sin(lat2 * kRadians)
                          + std::cos(lat1 * kRadians) * std::cos(lat2 * kRadians) * std::cos((lon1 - lon2) * kRadians);
    return 111.2 * std::acos(std::clamp(cosine, -1.0, 1.0)) / kRadians;
}

int ediPoints(double distanceKm)
{
    return distanceKm < 0 ? 0 : int(std::floor(distanceKm)) + 1;
}

ContestScore scoreContest(const std::vector<LogRow>& rows, const QString& ownLocator)
{
    ContestScore score;
    score.contacts.reserve(rows.size());
    QSet<QString> stations;
    QSet<QString> squares;
    QSet<QString> entities;
    int bestPoints = -1;
    for (const LogRow& row : rows) {
        ScoredContact contact;
        const QString station = contestStation(row.callsign);
        const QString grid = row.locator.trimmed().toUpper();
        contact.duplicate = stations.contains(station);
        stations.insert(station);
        contact.distanceKm = ediDistance(ownLocator, grid);
        if (!contact.duplicate && contact.distanceKm >= 0) {
            contact.points = ediPoints(contact.distanceKm);
            ++score.validContacts;
            score.points += contact.points;
            contact.newSquare = !squares.contains(grid.left(4));
            squares.insert(grid.left(4));
            contact.newEntity = !row.dxcc.isEmpty() && !entities.contains(row.dxcc);
            if (!row.dxcc.isEmpty())
                entities.insert(row.dxcc);
            if (contact.points > bestPoints) {
                bestPoints = contact.points;
                score.best = int(score.contacts.size());
            }
        }
        score.contacts.push_back(contact);
    }
    score.squares = int(squares.size());
    score.entities = int(entities.size());
    return score;
}

} // namespace mivra
