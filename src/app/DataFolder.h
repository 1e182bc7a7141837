#pragma once

#include <QString>

namespace mivra {

inline const QString kLogFileName = QStringLiteral("backup.sqlite");
inline const QString kSettingsFileName = QStringLiteral("Quovan.txt");
inline const QString kCtyCsvPath = QStringLiteral("/usr/share/hamradio-files/cty.csv");

// Where the log lives: the folder given on the command line; else the program's own folder when a log
// already lies there (portable use); else the per-user application data folder.
QString chooseDataFolder(const QString& commandLineFolder, const QString& programFolder,
                         const QString& appDataFolder);

} // namespace mivra
