#include "ContestSettings.h"

#include "BandPlan.h"
#include "IniFile.h"

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

namespace {

ContestSettings readSection(const QString& iniPath, const QString& section, QString* error)
{
    QVariantMap ini;
    ContestSettings contest;
    if (!IniFile(iniPath).readSection(section, &ini, error))
        return contest;
    contest.name = ini.value(QStringLiteral("name")).toString().trimmed();
    contest.start = contestTime(ini.value(QStringLiteral("start")).toString());
    contest.end = contestTime(ini.value(QStringLiteral("end")).toString());
    contest.band = ini.value(QStringLiteral("band")).toString().trimmed();
    contest.station = ini.value(QStringLiteral("station")).toString().trimmed();
    contest.section = ini.value(QStringLiteral("section")).toString().trimmed();
    return contest;
}

bool writeSection(const QString& iniPath, const QString& section, const ContestSettings& contest, QString* error)
{
    IniValues values;
    if (!contest.band.isEmpty()) {
        values = {{QStringLiteral("name"), contest.name},
                  {QStringLiteral("start"), contestTimeText(contest.start)},
                  {QStringLiteral("end"), contestTimeText(contest.end)},
                  {QStringLiteral("band"), contest.band},
                  {QStringLiteral("station"), contest.station}};
        if (!contest.section.isEmpty())
            values.append({QStringLiteral("section"), contest.section});
    }
    return IniFile(iniPath).writeSection(section, values, error);
}

} // namespace

ContestSettings readContestSettings(const QString& iniPath, QString* error)
{
    return readSection(iniPath, QStringLiteral("contest"), error);
}

bool writeContestSettings(const QString& iniPath, const ContestSettings& contest, QString* error)
{
    return writeSection(iniPath, QStringLiteral("contest"), contest, error);
}

ContestSettings readEdiDefaults(const QString& iniPath, QString* error)
{
    return readSection(iniPath, QStringLiteral("edi"), error);
}

bool writeEdiDefaults(const QString& iniPath, const ContestSettings& contest, QString* error)
{
    return writeSection(iniPath, QStringLiteral("edi"), contest, error);
}

ContestSettings ediContest(const ContestSettings& contest, const ContestSettings& ediDefaults, const QDateTime& now)
{
    if (contest.isComplete() && contest.start <= now) {
        ContestSettings offered = contest;
        offered.section = ediDefaults.section;
        return offered;
    }
    return ediDefaults.isComplete() ? ediDefaults : ContestSettings{};
}

} // namespace mivra
