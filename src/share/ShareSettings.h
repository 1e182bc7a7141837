#pragma once

#include <QString>

namespace mivra {

// Where this position shares its log: the server's URL (credentials from ~/.pgpass or the libpq
// environment) and the position's name. Kept in section [share] of mivra.ini.
struct ShareSettings {
    QString url;
    QString position;
    bool isSet() const { return !url.isEmpty() && !position.isEmpty(); }
    bool operator==(const ShareSettings&) const = default;
};

// The settings kept in the INI file; none when it holds none or cannot be read (said in *error).
ShareSettings readShareSettings(const QString& iniPath, QString* error = nullptr);
// Writes [share] (removes it for settings that are not set), keeping the file's other sections;
// false with *error when the file cannot be written.
bool writeShareSettings(const QString& iniPath, const ShareSettings& settings, QString* error);

// Why a URL cannot be kept as the shared log's address, or an empty text when it can: it must be
// a postgresql:// URL libpq reads, and carry no password (that belongs in ~/.pgpass).
QString shareUrlFault(const QString& url);
// The server and database a URL names, without any password: "user@host:port/database" as libpq
// reads them (empty parts where the URL leaves them to libpq's defaults); the URL itself when libpq
// cannot read it.
QString shareServerIdentity(const QString& url);
// Why a position name cannot be used, or an empty text.
QString positionNameFault(const QString& name);

} // namespace mivra
