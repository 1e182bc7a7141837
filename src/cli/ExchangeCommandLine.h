#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QLockFile;

namespace mivra {

// What the commands need from the program around them.
struct ExchangeEnvironment {
    std::function<QString(const QString& dataDirArgument)> dataFolder;
    QString logFileName;
    QString ctyCsvPath;
    QString settingsFile; // the station settings: own callsign and locator
    // The lock that keeps a second program off the data folder, held while the command runs;
    // null with *error when another program holds it.
    std::function<std::unique_ptr<QLockFile>(const QString& folder, QString* error)> lockFolder;
};

// "export-adif", "import-adif" or "export-edi".
bool isExchangeCommand(const QString& argument);

// Whether the arguments (the program name first) name one of these commands: the first argument
// that is neither an option nor an option's value, so "--data-dir DIR import-adif FILE" counts too.
bool namesExchangeCommand(const QStringList& arguments);

// The commands' lines for the program's --help.
QString exchangeCommandsHelp();

// Runs one command (arguments as the program got them, the program name first) on the log in
// the data folder, without a window. Messages go to out and err. Exit status: 0 done; 1 failed,
// nothing changed or written; 2 an ADIF export was written but some rows were left out (listed).
int runExchangeCommand(const QStringList& arguments, const ExchangeEnvironment& environment, FILE* out, FILE* err);

} // namespace mivra
