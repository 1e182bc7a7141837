#include "ContestSettings.h"

#include "BandPlan.h"

#include <QDir>
#include <QSettings>

namespace mivra {

bool ContestSettings::isComplete() const
{
    const Band* contestBand = bandWithValue(band.trimmed());
    return contestBand && contestBand->ediText && start.isValid() && end.isValid() && start < end;
}

bool ContestSettings::isRunning(const QDateTime& now) const
{
    return isComplete() && start <= now && now < end;
}

QString contestTimeText(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm"));
}

QDateTime contestTime(const QString& text)
{
    QString t = text.trimmed();
    if (t.endsWith(u'Z') || t.endsWith(u'z'))
        t.chop(1);
    t.replace(u' ', u'T');
    QDateTime time = QDateTime::fromString(t, Qt::ISODate);
    if (!time.isValid())
        return {};
    time.setTimeSpec(Qt::UTC);
    return time;
}

ContestSettings readContestSettings(const QString& iniPath)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("contest"));
    ContestSettings contest;
    contest.name = ini.value(QStringLiteral("name")).toString().trimmed();
    contest.start = contestTime(ini.value(QStringLiteral("start")).toString());
    contest.end = contestTime(ini.value(QStringLiteral("end")).toString());
    contest.band = ini.value(QStringLiteral("band")).toString().trimmed();
    return contest;
}

bool writeContestSettings(const QString& iniPath, const ContestSettings& contest, QString* error)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    if (contest.band.isEmpty()) {
        ini.remove(QStringLiteral("contest"));
    } else {
        ini.beginGroup(QStringLiteral("contest"));
        ini.setValue(QStringLiteral("name"), contest.name);
        ini.setValue(QStringLiteral("start"), contestTimeText(contest.start));
        ini.setValue(QStringLiteral("end"), contestTimeText(contest.end));
        ini.setValue(QStringLiteral("band"), contest.band);
        ini.endGroup();
    }
    ini.sync();
    if (ini.status() == QSettings::NoError)
        return true;
    *error = QStringLiteral("The settings file %1 cannot be written.").arg(QDir::toNativeSeparators(iniPath));
    return false;
}

} // namespace mivra
