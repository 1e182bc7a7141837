#pragma once

#include <QString>

#include <optional>

#include <vector>

namespace mivra {

// One station the operator works from: home, a hilltop. Its fields go with every contact logged
// while it is the active one.
struct StationProfile {
    QString name;         // how the operator calls it ("Home", "Hill JO60LK")
    QString callsign;     // the callsign used there (STATION_CALLSIGN), such as OK1ABC/P
    QString locator;      // MY_GRIDSQUARE
    QString operatorCall; // OPERATOR; empty when it is the callsign's holder
    QString power;        // TX_PWR in watts; optional
    QString equipment;    // MY_RIG; optional

    bool operator==(const StationProfile&) const = default;
};

// The profiles of section [stations] of the INI file (mivra.ini), and the active one by name.
struct StationProfiles {
    std::vector<StationProfile> profiles;
    QString active; // empty: none, the settings' callsign and locator are used

    // The active profile, or nullptr when none is active or its name is no profile's.
    const StationProfile* activeProfile() const;
    // The profile of a name (any case), or nullptr.
    const StationProfile* find(const QString& name) const;
};

// Why a profile cannot be kept: no name, a name twice, no callsign, a locator that is not one,
// a power that is not a number; empty when it can. others: the other profiles.
QString profileRefusal(const StationProfile& profile, const std::vector<StationProfile>& others);

// The profiles in the INI file; none when it holds none or cannot be read (said in *error).
StationProfiles readStationProfiles(const QString& iniPath, QString* error = nullptr);
// The active profile of the INI file, if any.
std::optional<StationProfile> activeStationProfile(const QString& iniPath);
// Writes [stations], keeping the file's other sections. False with *error when it cannot.
bool writeStationProfiles(const QString& iniPath, const StationProfiles& stations, QString* error);

} // namespace mivra
