#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace mivra {

inline const QString kLogFileName = QStringLiteral("backup.sqlite");
inline const QString kSettingsFileName = QStringLiteral("Quovan.txt");

// Where the log lives: the folder given on the command line; else the program's own folder when a log
// already lies there (portable use); else the per-user application data folder.
QString chooseDataFolder(const QString& commandLineFolder, const QString& programFolder, const QString& appDataFolder);

// Takes the lock that keeps a second program off the data folder, for as long as the result lives.
// A lock left by a program that no longer runs is taken over. Null, with *error naming the folder
// (or the log, when the folder cannot be written), when the lock cannot be had.
std::unique_ptr<QLockFile> lockDataFolder(const QString& folder, QString* error);

} // namespace mivra
