#include "EdiStation.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

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
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("The station details %1 cannot be read: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    for (const QString& line : text.split(u'\n')) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0)
            continue;
        const QString key = line.left(equals).trimmed();
        if (ediStationKeys().contains(key))
            station->insert(key, line.mid(equals + 1).trimmed());
    }
    return true;
}

bool writeEdiStation(const QString& path, const EdiStation& station, QString* error)
{
    QByteArray bytes;
    for (const QString& key : ediStationKeys()) {
        QString value = station.value(key).trimmed();
        value.replace(u'\r', u' ').replace(u'\n', u' ');
        bytes += (key + u'=' + value + u'\n').toUtf8();
    }
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = QStringLiteral("The station details %1 cannot be written: %2")
                 .arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
}

} // namespace mivra
