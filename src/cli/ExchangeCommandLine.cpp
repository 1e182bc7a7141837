#include "ExchangeCommandLine.h"

#include "AdifExport.h"
#include "AdifFields.h"
#include "AdifImport.h"
#include "BackupCommandLine.h"
#include "BandPlan.h"
#include "ConfirmationImport.h"
#include "ContestSettings.h"
#include "EdiExport.h"
#include "EdiStation.h"
#include "LogBackups.h"
#include "LogDatabase.h"
#include "StationSettings.h"
#include "StationSettingsFile.h"
#include "WriteTarget.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QSqlDatabase>

#include <cstdio>
#include <memory>
#include <optional>

namespace mivra {

namespace {

// A deferred transaction held for reading and ended without writing.
class ReadTransaction {
public:
    explicit ReadTransaction(QSqlDatabase db)
        : m_db(std::move(db))
        , m_open(m_db.transaction())
    {
    }
    ~ReadTransaction()
    {
        if (m_open)
            m_db.rollback();
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    QSqlDatabase m_db;
    bool m_open;
};

void print(FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

// The own station from the settings file, without creating the file when it is missing.
OwnStation ownStation(const QString& settingsFile)
{
    if (!QFileInfo::exists(settingsFile))
        return {};
    StationSettings settings;
    if (!loadStationSettings(settings, settingsFile))
        return {};
    return {settings.text(StationSettings::OwnCallsign), settings.text(StationSettings::OwnLocator)};
}

// A band as the log stores it: "144", or an ADIF band such as "2m". Empty for a text that is neither
// an ADIF band nor a number.
QString bandValueOfArgument(const QString& argument)
{
    const QString value = adif::bandValueOf(argument, std::nullopt);
    if (!value.isEmpty())
        return value;
    // A band value is a plain positive figure: no sign, exponent, "nan" or "inf".
    static const QRegularExpression figure(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    const QString text = argument.trimmed();
    return figure.match(text).hasMatch() && text.toDouble() > 0 ? text : QString();
}

} // namespace

bool isExchangeCommand(const QString& argument)
{
    return argument == u"export-adif"_qs || argument == u"import-adif"_qs || argument == u"import-confirmations"_qs
           || argument == u"export-edi"_qs || isBackupCommand(argument);
}

bool namesExchangeCommand(const QStringList& arguments)
{
    static const QStringList optionsWithValue{u"data-dir"_qs, u"band"_qs,    u"from"_qs,     u"to"_qs,
                                              u"contest"_qs,  u"section"_qs, u"operators"_qs};
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--"_qs)
            return i + 1 < arguments.size() && isExchangeCommand(arguments[i + 1]);
        if (argument.size() > 1 && argument.startsWith(u'-')) {
            const QString name = argument.mid(argument.startsWith(u"--"_qs) ? 2 : 1);
            if (optionsWithValue.contains(name))
                ++i;
            continue;
        }
        return isExchangeCommand(argument);
    }
    return false;
}

QString exchangeCommandsHelp()
{
    return u"Commands (on the log of the data folder, without a window; times in UTC):\n"
           "  mivra export-adif FILE [--band B]\n"
           "  mivra import-adif FILE\n"
           "  mivra import-confirmations FILE   (a LoTW or eQSL download: confirms contacts, adds none)\n"
           "  mivra export-edi FILE --band B --from 2026-06-06T14:00 --to 2026-06-07T14:00 [--contest NAME]\n"
           "                   [--section SECTION] [--operators CALLS]\n"
           "  mivra backup                (a copy of the log into backups/ of the data folder)\n"
           "  mivra restore FILE          (FILE becomes the log; the log before it is backed up)\n"
           "\n"
           "Command options:\n"
           "  --band B           The band: 144, 432, 1296, ... or 2m, 70cm, ... (export-adif: all bands without it)\n"
           "  --from TIME        Start of the contest, UTC (2026-06-06T14:00).\n"
           "  --to TIME          End of the contest, UTC (2026-06-07T14:00), itself not included.\n"
           "  --contest NAME     The contest's name.\n"
           "  --section SECTION  The section entered (SINGLE, MULTI, ...).\n"
           "  --operators CALLS  The operators' callsigns.\n"
           "The station's details of the EDI header (address, equipment, ...) come from edi-station.txt in the\n"
           "data folder, one Key=Value line per EDI key, as the EDI dialog writes it. PCall is the callsign of\n"
           "the station profile the contest in mivra.ini is worked from; without one, of the active profile;\n"
           "without that, the settings' callsign."_qs;
}

int runExchangeCommand(const QStringList& arguments, const ExchangeEnvironment& environment, FILE* out, FILE* err)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(exchangeCommandsHelp());
    parser.addHelpOption();
    const QCommandLineOption dataDir(u"data-dir"_qs, u"The log (backup.sqlite) is in <dir>."_qs, u"dir"_qs);
    const QCommandLineOption band(u"band"_qs, u"The band: 144, 432, 1296, ... or 2m, 70cm, ..."_qs, u"band"_qs);
    const QCommandLineOption from(u"from"_qs, u"Start of the contest, UTC (2026-06-06T14:00)."_qs, u"time"_qs);
    const QCommandLineOption to(u"to"_qs, u"End of the contest, UTC (2026-06-07T14:00)."_qs, u"time"_qs);
    const QCommandLineOption contest(u"contest"_qs, u"The contest's name."_qs, u"name"_qs);
    const QCommandLineOption section(u"section"_qs, u"The section entered (SINGLE, MULTI, ...)."_qs, u"section"_qs);
    const QCommandLineOption operators(u"operators"_qs, u"The operators' callsigns."_qs, u"calls"_qs);
    parser.addOptions({dataDir, band, from, to, contest, section, operators});
    parser.addPositionalArgument(u"command"_qs,
                                 u"export-adif, import-adif, import-confirmations, export-edi, backup or restore"_qs);
    parser.addPositionalArgument(u"file"_qs, u"The .adi or .edi file, or the log to restore."_qs);
    if (!parser.parse(arguments)) {
        print(err, u"mivra: "_qs + parser.errorText());
        return 1;
    }
    if (parser.isSet(u"help"_qs)) {
        print(out, parser.helpText());
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && isBackupCommand(positional[0]))
        return runBackupCommand(positional, environment.dataFolder(parser.value(dataDir)), environment, out, err);
    if (positional.size() != 2 || !isExchangeCommand(positional[0])) {
        print(err, u"mivra: give one command and one file.\n"_qs + exchangeCommandsHelp());
        return 1;
    }
    const QString command = positional[0];
    const QString file = QFileInfo(positional[1]).absoluteFilePath();
    const bool isEdi = command == u"export-edi"_qs;
    if (isEdi && (!parser.isSet(band) || !parser.isSet(from) || !parser.isSet(to))) {
        print(err, u"mivra: export-edi needs --band, --from and --to."_qs);
        return 1;
    }
    if (!isEdi && (parser.isSet(from) || parser.isSet(to) || parser.isSet(contest))) {
        print(err, QStringLiteral("mivra: %1 takes no --from, --to or --contest.").arg(command));
        return 1;
    }
    const bool isImport = command == u"import-adif"_qs || command == u"import-confirmations"_qs;
    if (isImport && parser.isSet(band)) {
        print(err, QStringLiteral("mivra: %1 takes no --band.").arg(command));
        return 1;
    }

    const QString folder = environment.dataFolder(parser.value(dataDir));
    const QString logPath = QDir(folder).filePath(environment.logFileName);
    QString error;
    if (!isImport && !WriteTarget(logPath, environment.settingsFile).allows(file, &error)) {
        print(err, u"mivra: "_qs + error);
        return 1;
    }
    if (command != u"import-adif"_qs && !QFileInfo::exists(logPath)) {
        // Confirmations confirm contacts of a log; there is none to confirm.
        print(err, QStringLiteral("mivra: there is no log %1.").arg(QDir::toNativeSeparators(logPath)));
        return 1;
    }
    if (!QDir().mkpath(folder)) {
        print(err,
              QStringLiteral("mivra: the data folder %1 cannot be created.").arg(QDir::toNativeSeparators(folder)));
        return 1;
    }
    std::unique_ptr<QLockFile> lock;
    if (environment.lockFolder) {
        lock = environment.lockFolder(folder, &error);
        // An export only reads: it goes ahead beside the program that holds the log; an import waits.
        if (!lock && isImport) {
            print(err, u"mivra: "_qs + error);
            return 1;
        }
    }
    const bool beside = environment.lockFolder && !lock;
    std::unique_ptr<LogDatabase> log = beside ? LogDatabase::openForReading(logPath, &error)
                                              : LogDatabase::open(logPath, environment.ctyCsvPath, &error);
    if (!log) {
        print(err, u"mivra: "_qs + error);
        return 1;
    }
    if (!beside)
        log->readStoredPatternsAsRunning();
    // One read transaction: the export sees the log as it stood when it began, whatever the
    // program beside it saves meanwhile.
    std::optional<ReadTransaction> reading;
    if (!isImport)
        reading.emplace(log->database());
    const OwnStation own = ownStation(environment.settingsFile);
    int status = 0;

    if (command == u"export-adif"_qs) {
        LogSelection selection;
        if (parser.isSet(band)) {
            const QString value = bandValueOfArgument(parser.value(band));
            if (value.isEmpty()) {
                print(err, QStringLiteral("mivra: %1 is not a band: give its value (144, 432, 1296, 14200 ...) "
                                          "or its ADIF name (2m, 70cm, 23cm, 20m ...).")
                               .arg(parser.value(band)));
                return 1;
            }
            selection.bandPattern = bandPattern(value);
        }
        const AdifExportResult result = exportAdif(*log, selection, own, file, QDateTime::currentDateTimeUtc());
        if (!result.ok) {
            print(err, u"mivra: "_qs + result.error);
            status = 1;
        } else {
            print(
                out,
                QStringLiteral("Exported %1 contacts to %2.").arg(result.written).arg(QDir::toNativeSeparators(file)));
            for (const QString& line : result.leftOut)
                print(err, u"mivra: left out: "_qs + line);
            status = result.leftOut.isEmpty() ? 0 : 2;
        }
    } else if (isImport) {
        QString note;
        if (LogBackups(logPath)
                .makeBackup(QDateTime::currentDateTimeUtc(), &error, BackupKind::BeforeImport, &note)
                .isEmpty()) {
            print(err, u"mivra: "_qs + error + u" The file was not imported."_qs);
            return 1;
        }
        if (!note.isEmpty())
            print(err, u"mivra: "_qs + note);
        // A service's download only confirms, whichever command brought it.
        const std::optional<ConfirmationService> service = confirmationServiceOfFile(file);
        if (command == u"import-confirmations"_qs || service) {
            const ConfirmationImportResult confirmations
                = importConfirmations(*log, file, service, QDate::currentDate());
            if (!confirmations.ok) {
                print(err, u"mivra: "_qs + confirmations.error);
                return 1;
            }
            print(out, confirmations.summary(20));
            return confirmations.unmatched.isEmpty() && confirmations.refusals.isEmpty() ? 0 : 2;
        }
        const AdifImportResult result = importAdifFile(*log, file, own);
        if (!result.ok) {
            print(err, u"mivra: "_qs + result.error);
            status = 1;
        } else {
            print(out, result.summary(20));
            status = result.refusals.isEmpty() ? 0 : 2;
        }
    } else {
        EdiOptions options;
        options.bandValue = bandValueOfArgument(parser.value(band));
        if (options.bandValue.isEmpty())
            options.bandValue = parser.value(band).trimmed(); // refused below, by name
        options.from = contestTime(parser.value(from));
        options.to = contestTime(parser.value(to));
        options.contestName = parser.value(contest);
        options.section = parser.value(section);
        options.operators = parser.value(operators);
        // As the window exports it: the contest's station profile, else the active one.
        options.own = ediOwnStation(QDir(folder).filePath(u"mivra.ini"_qs), own);
        if (!readEdiStation(QDir(folder).filePath(kEdiStationFileName), &options.station, &error)) {
            print(err, u"mivra: "_qs + error);
            status = 1;
        } else if (!options.from.isValid() || !options.to.isValid()) {
            print(err, u"mivra: --from and --to take UTC times such as 2026-06-06T14:00."_qs);
            status = 1;
        } else {
            const EdiExportResult result = exportEdi(*log, options, file);
            if (!result.ok) {
                print(err, u"mivra: "_qs + result.error);
                status = 1;
            } else {
                print(out, QStringLiteral("Exported %1 contacts to %2.")
                               .arg(result.written)
                               .arg(QDir::toNativeSeparators(file)));
            }
        }
    }
    return status;
}

} // namespace mivra
