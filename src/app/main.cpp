#include "AppContext.h"
#include "Clock.h"
#include "DataFolder.h"
#include "ExchangeCommandLine.h"
#include "LogDatabase.h"
#include "MainWindow.h"
#include "Messages.h"
#include "LiveMapOptions.h"
#include "StationSettings.h"
#include "TerminationSignals.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFont>
#include <QStandardPaths>

#include <cstdio>

using namespace mivra;

int main(int argc, char* argv[])
{
    // export-adif, import-adif and export-edi run on the log without a window.
    if (argc > 1 && isExchangeCommand(QString::fromLocal8Bit(argv[1]))) {
        QCoreApplication commandLine(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Mivra"));
        QCoreApplication::setApplicationVersion(QStringLiteral(MIVRA_VERSION));
        const ExchangeEnvironment environment{
            [](const QString& dataDirArgument) {
                return chooseDataFolder(dataDirArgument, QCoreApplication::applicationDirPath(),
                                        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
            },
            kLogFileName, kCtyCsvPath, QDir::current().filePath(kSettingsFileName)};
        return runExchangeCommand(QCoreApplication::arguments(), environment, stdout, stderr);
    }

    // The options are read before any window system is needed, so --help works without a display.
    QString dataDirArgument;
    {
        QCoreApplication commandLine(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Mivra"));
        QCoreApplication::setApplicationVersion(QStringLiteral(MIVRA_VERSION));
        QCommandLineParser parser;
        parser.setApplicationDescription(QStringLiteral("Logbook for VHF, UHF and microwave contacts.\n\n")
                                         + exchangeCommandsHelp());
        parser.addHelpOption();
        parser.addVersionOption();
        const QCommandLineOption dataDirOption(
            QStringLiteral("data-dir"),
            QStringLiteral("Keep the log (backup.sqlite) and the pictures in <dir>."), QStringLiteral("dir"));
        parser.addOption(dataDirOption);
        parser.process(commandLine);
        dataDirArgument = parser.value(dataDirOption);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mivra"));
    QApplication::setApplicationVersion(QStringLiteral(MIVRA_VERSION));
    QApplication::setFont(QFont(QStringLiteral("Liberation Sans"), 8));

    // A termination signal closes the windows in order; while an error box is up it just ends the run.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app, [] { QCoreApplication::exit(1); });

    BoxMessages messages;
    const QString dataFolder = chooseDataFolder(
        dataDirArgument, QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QString error;
    std::unique_ptr<LogDatabase> log;
    if (!QDir().mkpath(dataFolder))
        error = QStringLiteral("The data folder %1 cannot be created.").arg(QDir::toNativeSeparators(dataFolder));
    else
        log = LogDatabase::open(QDir(dataFolder).filePath(kLogFileName), kCtyCsvPath, &error);
    if (!log) {
        std::fprintf(stderr, "mivra: %s\n", qPrintable(error));
        messages.inform(nullptr, error);
        return 1;
    }

    StationSettings settings;
    LiveMapOptions live;
    const SystemClock clock;
    AppContext context{*log, settings, live, QDir::current().filePath(kSettingsFileName), dataFolder, messages, clock};

    MainWindow window(context);
    QObject::disconnect(&termination, nullptr, &app, nullptr);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &window, [&window] {
        window.closeAllWindows();
        QApplication::quit();
    });
    QObject::connect(&window, &MainWindow::quitRequested, &app, &QApplication::quit);
    window.open();
    return QApplication::exec();
}
