#include "RigSettings.h"

#include <QDir>
#include <QSettings>

namespace mivra::rig {

RigSettings readRigSettings(const QString& iniPath)
{
    RigSettings settings;
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("rig"));
    bool ok = false;
    const int model = ini.value(QStringLiteral("model")).toInt(&ok);
    if (ok && model > 0)
        settings.model = model;
    const QString port = ini.value(QStringLiteral("port")).toString().trimmed();
    if (!port.isEmpty())
        settings.port = port;
    const int speed = ini.value(QStringLiteral("speed")).toInt(&ok);
    if (ok && speed >= 0)
        settings.speed = speed;
    settings.enabled = ini.value(QStringLiteral("enabled"), false).toBool();
    return settings;
}

bool writeRigSettings(const QString& iniPath, const RigSettings& settings, QString* error)
{
    QSettings ini(iniPath, QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("rig"));
    ini.setValue(QStringLiteral("model"), settings.model);
    ini.setValue(QStringLiteral("port"), settings.port);
    ini.setValue(QStringLiteral("speed"), settings.speed);
    ini.setValue(QStringLiteral("enabled"), settings.enabled);
    ini.endGroup();
    ini.sync();
    if (ini.status() == QSettings::NoError)
        return true;
    *error = QStringLiteral("The settings file %1 cannot be written.").arg(QDir::toNativeSeparators(iniPath));
    return false;
}

std::optional<RigSettings> parseRigArgument(const QString& text, QString* error)
{
    const qsizetype colon = text.indexOf(u':');
    bool ok = false;
    const int model = colon > 0 ? text.left(colon).trimmed().toInt(&ok) : 0;
    const QString port = colon > 0 ? text.mid(colon + 1).trimmed() : QString();
    if (!ok || model <= 0 || port.isEmpty()) {
        *error = QStringLiteral("--rig needs MODEL:PORT, a Hamlib model number and a serial device or host:port"
                                " (2:localhost:4532); \"%1\" is not one.")
                     .arg(text);
        return std::nullopt;
    }
    RigSettings settings;
    settings.model = model;
    settings.port = port;
    settings.enabled = true;
    return settings;
}

} // namespace mivra::rig
