#include "RigSettings.h"

#include "IniFile.h"

namespace mivra::rig {

RigSettings readRigSettings(const QString& iniPath, QString* error)
{
    RigSettings settings;
    QVariantMap ini;
    if (!IniFile(iniPath).readSection(QStringLiteral("rig"), &ini, error))
        return settings;
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
    return IniFile(iniPath).writeSection(QStringLiteral("rig"),
                                         {{QStringLiteral("model"), QString::number(settings.model)},
                                          {QStringLiteral("port"), settings.port},
                                          {QStringLiteral("speed"), QString::number(settings.speed)},
                                          {QStringLiteral("enabled"), settings.enabled ? u"true"_qs : u"false"_qs}},
                                         error);
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
