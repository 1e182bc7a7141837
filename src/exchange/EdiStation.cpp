#include "EdiStation.h"

#include "ContestSettings.h"
#include "StationProfiles.h"
#include "WholeFile.h"

#include <QDir>
#include <QFileInfo>

namespace mivra {

const QStringList& ediStationKeys()
{
    static const QStringList keys{u"PAdr1"_qs, u"PClub"_qs, u"RName"_qs, u"RCall"_qs, u"RAdr1"_qs,
                                  u"RPoCo"_qs, u"RCity"_qs, u"RCoun"_qs, u"RPhon"_qs, u"MOpe1"_qs,
                                  u"STXEq"_qs, u"SPowe"_qs, u"SRXEq"_qs, u"SAnte"_qs, u"SAntH"_qs};
    return keys;
}

bool readEdiStation(const QString& path, EdiStation* station, QString* error)
{
    station->clear();
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    const QString shownPath = QDir::toNativeSeparators(path);
    QByteArray bytes;
    QString reason;
    if (!readRegularFile(path, kMaxEdiStationBytes, &bytes, &reason)) {
        *error = QStringLiteral("The station details %1 cannot be read: %2").arg(shownPath, reason);
        return false;
    }
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QStringList tooLong;
    for (const QString& line : text.split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (!ediStationKeys().contains(key))
            continue;
        const QString value = line.mid(equals + 1).trimmed();
        if (value.size() > kMaxEdiStationValue)
            tooLong << key;
        else
            station->insert(key, value);
    }
    if (tooLong.isEmpty())
        return true;
    *error = QStringLiteral("The station details %1 hold more than %2 characters for %3: %4 left empty.")
                 .arg(shownPath)
                 .arg(kMaxEdiStationValue)
                 .arg(tooLong.join(QStringLiteral(", ")), tooLong.size() == 1 ? u"it is"_qs : u"they are"_qs);
    return false;
}

bool writeEdiStation(const QString& path, const EdiStation& station, QString* error)
{
    QByteArray bytes;
    for (const QString& key : ediStationKeys()) {
        QString value = station.value(key).trimmed();
        value.replace(u'\r', u' ').replace(u'\n', u' ');
        bytes += (key + u'=' + value + u'\n').toUtf8();
    }
    QString reason;
    if (writeWholeFile(path, bytes, &reason))
        return true;
    *error = QStringLiteral("The station details %1 cannot be written: %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}

OwnStation ediOwnStation(const QString& iniPath, const OwnStation& settings)
{
    const StationProfiles stations = readStationProfiles(iniPath);
    const StationProfile* station = stations.find(readContestSettings(iniPath).station);
    if (!station)
        station = stations.activeProfile();
    return station ? OwnStation{station->callsign, station->locator} : settings;
}

} // namespace mivra
