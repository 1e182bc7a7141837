#include "BackupCommandLine.h"

#include "ExchangeCommandLine.h"
#include "LogBackups.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <memory>

namespace mivra {

namespace {

int fail(FILE* err, const QString& text)
{
    std::fprintf(err, "mivra: %s\n", text.toLocal8Bit().constData());
    return 1;
}

} // namespace

bool isBackupCommand(const QString& argument)
{
    return argument == u"backup"_qs || argument == u"restore"_qs;
}

int runBackupCommand(const QStringList& positional, const QString& dataFolder, const ExchangeEnvironment& environment,
                     FILE* out, FILE* err)
{
    const bool isRestore = positional.value(0) == u"restore"_qs;
    if (positional.size() != (isRestore ? 2 : 1))
        return fail(err, isRestore ? u"restore takes one file: mivra restore FILE"_qs : u"backup takes no file."_qs);
    const QString logPath = QDir(dataFolder).filePath(environment.logFileName);
    if (!QFileInfo::exists(logPath) && !isRestore)
        return fail(err, QStringLiteral("there is no log %1.").arg(QDir::toNativeSeparators(logPath)));
    const LogBackups backups(logPath);
    QString error;
    if (!isRestore) {
        // No lock: the online backup copies the log consistently while a program writes to it.
        QString note;
        const QString copy = backups.makeBackup(QDateTime::currentDateTimeUtc(), &error, BackupKind::OnRequest, &note);
        if (copy.isEmpty())
            return fail(err, error);
        if (!note.isEmpty())
            std::fprintf(err, "mivra: %s\n", note.toLocal8Bit().constData());
        std::fprintf(out, "%s\n", QDir::toNativeSeparators(copy).toLocal8Bit().constData());
        return 0;
    }
    if (!QDir().mkpath(dataFolder))
        return fail(err,
                    QStringLiteral("the data folder %1 cannot be created.").arg(QDir::toNativeSeparators(dataFolder)));
    std::unique_ptr<QLockFile> lock;
    if (environment.lockFolder) {
        lock = environment.lockFolder(dataFolder, &error);
        if (!lock)
            return fail(err, error + u" Close it before restoring."_qs);
    }
    const QString file = QFileInfo(positional[1]).absoluteFilePath();
    if (!backups.restore(file, QDateTime::currentDateTimeUtc(), &error))
        return fail(err, error);
    std::fprintf(out, "%s\n",
                 QStringLiteral("Restored %1 as the log %2; the log before it is kept in %3.")
                     .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(logPath),
                          QDir::toNativeSeparators(backups.folder()))
                     .toLocal8Bit()
                     .constData());
    return 0;
}

} // namespace mivra
