#include "AppContext.h"
#include "BackgroundBackups.h"
#include "BackgroundWork.h"
#include "Clock.h"
#include "CtyCsv.h"
#include "DataFolder.h"
#include "ExchangeCommandLine.h"
#include "HamlibModels.h"
#include "LiveMapOptions.h"
#include "LogBackups.h"
#include "LogDatabase.h"
#include "MainWindow.h"
#include "MainWindowLayout.h"
#include "Messages.h"
#include "RigLink.h"
#include "PgConnection.h"
#include "RigSettings.h"
#include "ServerSchema.h"
#include "ShareLink.h"
#include "StationSettings.h"
#include "TerminationSignals.h"
#include "Version.h"
#include "WriteTarget.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include <cstdio>
#include <functional>

using namespace mivra;

int main(int argc, char* argv[])
{
    // export-adif, import-adif and export-edi run on the log without a window.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.value(1) == u"share-init"_qs) {
        QCoreApplication commandLine(argc, argv);
        if (arguments.size() != 3) {
            std::fprintf(stderr, "mivra: share-init takes the URL of an empty PostgreSQL database: "
                                 "mivra share-init postgresql://host/database\n");
            return 1;
        }
        QString error;
        share::PgConnection server;
        if (!server.open(arguments[2], &error) || !share::initServer(server, &error)) {
            std::fprintf(stderr, "mivra: the shared log cannot be made: %s\n", qPrintable(error));
            return 1;
        }
        std::fprintf(stdout, "The shared log is ready on the server; positions join with --share and --position.\n");
        return 0;
    }
    if (namesExchangeCommand(arguments)) {
        QCoreApplication commandLine(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Mivra"));
        QCoreApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
        const ExchangeEnvironment environment{
            [](const QString& dataDirArgument) {
                return chooseDataFolder(dataDirArgument, QCoreApplication::applicationDirPath(),
                                        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
            },
            kLogFileName, kCtyCsvPath, QDir::current().filePath(kSettingsFileName), lockDataFolder};
        return runExchangeCommand(QCoreApplication::arguments(), environment, stdout, stderr);
    }

    // The options are read before any window system is needed, so --help works without a display.
    QString dataDirArgument;
    std::optional<rig::RigSettings> rigForThisRun;
    ShareSettings shareForThisRun;
    {
        QCoreApplication commandLine(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Mivra"));
        QCoreApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
        QCommandLineParser parser;
        parser.setApplicationDescription(QStringLiteral("Logbook for VHF, UHF and microwave contacts.\n\n")
                                         + exchangeCommandsHelp());
        parser.addHelpOption();
        parser.addVersionOption();
        const QCommandLineOption dataDirOption(
            QStringLiteral("data-dir"), QStringLiteral("Keep the log (backup.sqlite) and the pictures in <dir>."),
            QStringLiteral("dir"));
        parser.addOption(dataDirOption);
        const QCommandLineOption rigOption(
            QStringLiteral("rig"),
            QStringLiteral("For this run, read the radio of Hamlib model MODEL on PORT, a serial device or host:port"
                           " (2:localhost:4532 for a running rigctld)."),
            QStringLiteral("MODEL:PORT"));
        parser.addOption(rigOption);
        const QCommandLineOption shareOption(
            QStringLiteral("share"),
            QStringLiteral("Share the log through the PostgreSQL server at URL (postgresql://host/database; the "
                           "password from ~/.pgpass or PGPASSWORD), as the position --position names."),
            QStringLiteral("URL"));
        parser.addOption(shareOption);
        const QCommandLineOption positionOption(
            QStringLiteral("position"), QStringLiteral("This position's name in the shared log (e.g. 432)."),
            QStringLiteral("name"));
        parser.addOption(positionOption);
        parser.process(commandLine);
        shareForThisRun = {parser.value(shareOption), parser.value(positionOption).trimmed()};
        if (parser.isSet(shareOption) != parser.isSet(positionOption) || (parser.isSet(shareOption) && !shareForThisRun.isSet())) {
            std::fprintf(stderr, "mivra: --share and --position go together: the server's URL and a name for this "
                                 "position\n");
            return 1;
        }
        if (const QString fault = positionNameFault(shareForThisRun.position);
            shareForThisRun.isSet() && !fault.isEmpty()) {
            std::fprintf(stderr, "mivra: %s\n", qPrintable(fault));
            return 1;
        }
        dataDirArgument = parser.value(dataDirOption);
        if (parser.isSet(rigOption)) {
            QString rigError;
            rigForThisRun = rig::parseRigArgument(parser.value(rigOption), &rigError);
            if (rigForThisRun)
                rigError = rig::rigSettingsFault(*rigForThisRun);
            if (!rigForThisRun || !rigError.isEmpty()) {
                std::fprintf(stderr, "mivra: %s\n", qPrintable(rigError));
                return 1;
            }
        }
        if (!parser.positionalArguments().isEmpty()) {
            std::fprintf(stderr, "mivra: unknown argument %s\n%s\n", qPrintable(parser.positionalArguments().first()),
                         qPrintable(exchangeCommandsHelp()));
            return 1;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mivra"));
    QApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
    QApplication::setFont(MainWindowLayout::font());

    // A termination signal ends the run at any moment: an open box stops waiting, the windows close
    // with their close steps, and what those steps have to say goes to standard error.
    BoxMessages messages;
    BackgroundWork work;
    MainWindow* window = nullptr;
    bool started = false;
    bool terminating = false;
    TerminationSignals termination;
    // Close steps never run inside a write: a signal that comes while work is under way (an import
    // on its worker thread, map data written under a progress dialog) waits for it to commit or
    // roll back.
    std::function<void()> terminate;
    terminate = [&] {
        terminating = true;
        messages.writeToStandardError();
        if (!work.isIdle()) {
            work.whenIdle(&app, terminate);
            return;
        }
        // What the awaited write had to say is no failure of the close.
        const int writtenBefore = messages.writtenToStandardError();
        if (started && window)
            window->closeAllWindows();
        const bool failed
            = !started || messages.writtenToStandardError() > writtenBefore || (window && window->closeFailed());
        QCoreApplication::exit(failed ? 1 : 0);
    };
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app, [&] { terminate(); });
    const auto refuse = [&messages](const QString& error) {
        std::fprintf(stderr, "mivra: %s\n", qPrintable(error));
        messages.inform(nullptr, error);
        return 1;
    };

    const QString dataFolder = chooseDataFolder(dataDirArgument, QCoreApplication::applicationDirPath(),
                                                QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QString error;
    if (!QDir().mkpath(dataFolder))
        return refuse(
            QStringLiteral("The data folder %1 cannot be created.").arg(QDir::toNativeSeparators(dataFolder)));
    const QString logPath = QDir(dataFolder).filePath(kLogFileName);
    const QString settingsFile = QDir::current().filePath(kSettingsFileName);
    if (!WriteTarget(logPath, QString()).allows(settingsFile, &error))
        return refuse(QStringLiteral("The settings file cannot be the log: ") + error);
    const std::unique_ptr<QLockFile> lock = lockDataFolder(dataFolder, &error);
    if (!lock)
        return refuse(error);
    // What a killed restore or log creation left beside the log; no other program works here now.
    LogBackups(logPath).removeLeftoversBesideLog();
    std::unique_ptr<LogDatabase> log = LogDatabase::open(logPath, kCtyCsvPath, &error);
    if (!log)
        return refuse(error);
    BackgroundBackups backups(logPath, &work);

    StationSettings settings;
    LiveMapOptions live;
    const SystemClock clock;
    AppContext context{*log, settings, live, settingsFile, dataFolder, messages, clock, work, backups};

    MainWindow mainWindow(context);
    window = &mainWindow;
    if (rigForThisRun)
        mainWindow.rigLink()->useForThisRun(*rigForThisRun);
    mainWindow.setStopRequested([&termination] { return termination.deliverPending(); });
    QObject::connect(&mainWindow, &MainWindow::quitRequested, &app, &QCoreApplication::exit);
    const bool opened = mainWindow.open();
    if (terminating) {
        // A signal came while a start-up message was up: close what the start opened.
        mainWindow.closeAllWindows();
        return 1;
    }
    if (!opened)
        return 1;
    // The daily copy while the window is already in use; what goes wrong with it is shown there.
    backups.makeDailyBackup(QDateTime::currentDateTimeUtc(), [&](const BackupOutcome& outcome) {
        for (const QString& text : {outcome.error, outcome.note}) {
            if (text.isEmpty())
                continue;
            if (!terminating)
                std::fprintf(stderr, "mivra: %s\n", qPrintable(text));
            messages.inform(&mainWindow, text);
        }
    });
    started = true;
    mainWindow.shareLink()->startUp(shareForThisRun);
    const int status = QApplication::exec();
    return status == 0 && mainWindow.closeFailed() ? 1 : status;
}
