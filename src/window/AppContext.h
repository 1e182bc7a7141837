#pragma once

#include <QString>

namespace mivra {

class BackgroundWork;
class Clock;
class LogDatabase;
class Messages;
struct LiveMapOptions;
class StationSettings;

// What the windows share for the whole run: the open log, the station settings table with its file,
// the live map options, the message boxes, the clock and the work under way in the background.
struct AppContext {
    LogDatabase& log;
    StationSettings& settings;
    LiveMapOptions& live;
    QString settingsFile;
    QString dataFolder;
    Messages& messages;
    const Clock& clock;
    BackgroundWork& work;
};

} // namespace mivra
