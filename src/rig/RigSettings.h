#pragma once

#include <QString>

#include <optional>

namespace mivra::rig {

// The radio the program reads, section [rig] of mivra.ini.
struct RigSettings {
    int model = 2;                                   // Hamlib model number; 2 is "NET rigctl", a running rigctld
    QString port = QStringLiteral("localhost:4532"); // serial device or host:port
    int speed = 0;                                   // serial speed in baud; 0 for the model's default
    bool enabled = false;

    bool operator==(const RigSettings&) const = default;
};

// The settings in the INI file; the defaults for what it lacks or cannot be read (said in *error).
RigSettings readRigSettings(const QString& iniPath, QString* error = nullptr);
// Writes [rig], keeping the file's other sections; false with *error when the file cannot be written.
bool writeRigSettings(const QString& iniPath, const RigSettings& settings, QString* error);

// The enabled settings of "MODEL:PORT" ("2:localhost:4532", "3073:/dev/ttyUSB0"); nullopt with
// *error for a text that names no model number or no port.
std::optional<RigSettings> parseRigArgument(const QString& text, QString* error);

} // namespace mivra::rig
