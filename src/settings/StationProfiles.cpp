#include "StationProfiles.h"

#include "IniFile.h"
#include "Locator.h"
#include "Utf16View.h"

namespace mivra {

namespace {

const QString kSection = QStringLiteral("stations");

// The keys of one profile: p1.name, p1.callsign, ...
QString key(int index, const char* field)
{
    return QStringLiteral("p%1.%2").arg(index + 1).arg(QLatin1String(field));
}

} // namespace

const StationProfile* StationProfiles::activeProfile() const
{
    return active.isEmpty() ? nullptr : find(active);
}

const StationProfile* StationProfiles::find(const QString& name) const
{
    for (const StationProfile& profile : profiles) {
        if (profile.name.compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return &profile;
    }
    return nullptr;
}

QString profileRefusal(const StationProfile& profile, const std::vector<StationProfile>& others)
{
    if (profile.name.trimmed().isEmpty())
        return QStringLiteral("Give the station profile a name.");
    for (const StationProfile& other : others) {
        if (other.name.compare(profile.name.trimmed(), Qt::CaseInsensitive) == 0)
            return QStringLiteral("There is a station profile named %1 already.").arg(other.name);
    }
    if (profile.callsign.trimmed().isEmpty())
        return QStringLiteral("The station profile %1 needs the callsign used there.").arg(profile.name.trimmed());
    const QString locator = profile.locator.trimmed().toUpper();
    if (locator.size() < 4 || !geo::isLocatorValid(utf16View(locator)))
        return QStringLiteral("The locator \"%1\" of %2 is not a locator (such as JO60LK).")
            .arg(profile.locator, profile.name.trimmed());
    bool number = true;
    if (!profile.power.trimmed().isEmpty())
        profile.power.trimmed().toDouble(&number);
    if (!number)
        return QStringLiteral("The power \"%1\" of %2 is not a number of watts.")
            .arg(profile.power, profile.name.trimmed());
    return {};
}

std::optional<StationProfile> activeStationProfile(const QString& iniPath)
{
    const StationProfiles stations = readStationProfiles(iniPath);
    if (const StationProfile* active = stations.activeProfile())
        return *active;
    return std::nullopt;
}

StationProfiles readStationProfiles(const QString& iniPath, QString* error)
{
    StationProfiles stations;
    QVariantMap values;
    if (!IniFile(iniPath).readSection(kSection, &values, error))
        return stations;
    const int count = values.value(QStringLiteral("count")).toString().toInt();
    for (int i = 0; i < count && i < 1000; ++i) {
        StationProfile profile;
        profile.name = values.value(key(i, "name")).toString().trimmed();
        if (profile.name.isEmpty() || stations.find(profile.name))
            continue;
        profile.callsign = values.value(key(i, "callsign")).toString().trimmed().toUpper();
        profile.locator = values.value(key(i, "locator")).toString().trimmed().toUpper();
        profile.operatorCall = values.value(key(i, "operator")).toString().trimmed().toUpper();
        profile.power = values.value(key(i, "power")).toString().trimmed();
        profile.equipment = values.value(key(i, "equipment")).toString().trimmed();
        stations.profiles.push_back(profile);
    }
    stations.active = values.value(QStringLiteral("active")).toString().trimmed();
    return stations;
}

bool writeStationProfiles(const QString& iniPath, const StationProfiles& stations, QString* error)
{
    IniValues values;
    if (!stations.profiles.empty()) {
        values = {{QStringLiteral("count"), QString::number(stations.profiles.size())},
                  {QStringLiteral("active"), stations.active}};
        for (int i = 0; i < int(stations.profiles.size()); ++i) {
            const StationProfile& profile = stations.profiles[std::size_t(i)];
            values += {{key(i, "name"), profile.name},       {key(i, "callsign"), profile.callsign},
                       {key(i, "locator"), profile.locator}, {key(i, "operator"), profile.operatorCall},
                       {key(i, "power"), profile.power},     {key(i, "equipment"), profile.equipment}};
        }
    }
    return IniFile(iniPath).writeSection(kSection, values, error);
}

} // namespace mivra
