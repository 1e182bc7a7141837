#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

namespace mivra {

struct ExchangeEnvironment;

// "backup" or "restore".
bool isBackupCommand(const QString& argument);

// backup: a copy of the log into backups/ of the data folder now; prints its path.
// restore FILE: puts the log FILE in place of the log after checking it and backing the log up;
// refused while a program holds the data folder. positional is the command and its file.
// Exit status 0 done, 1 refused or failed with nothing changed.
int runBackupCommand(const QStringList& positional, const QString& dataFolder, const ExchangeEnvironment& environment,
                     FILE* out, FILE* err);

} // namespace mivra
