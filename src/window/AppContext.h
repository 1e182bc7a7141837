#pragma once

#include <QString>

namespace mivra {

class BackgroundBackups;
class BackgroundWork;
class Clock;
class LogDatabase;
class Messages;
struct LiveMapOptions;
class StationSettings;

// What the windows share for the whole run: the open log, the station settings table with its file,
// the live map options, the message boxes, the clock, the work under way in the background and the
// copies of the log made there.
struct AppContext {
    LogDatabase& log;
    StationSettings& settings;
    LiveMapOptions& live;
    QString settingsFile;
    QString dataFolder;
    Messages& messages;
    const Clock& clock;
    BackgroundWork& work;
    BackgroundBackups& backups;
};

} // namespace mivra
