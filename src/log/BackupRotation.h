#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace mivra {

// A copy of the log in backups/, as its name and size tell.
struct BackupCopy {
    QString name;
    QDateTime time; // UTC, from the name
    qint64 bytes = 0;
    bool beforeImport = false;
};

// The name of a copy made at time (UTC): backup-YYYYMMDD-HHMMSS.sqlite.zst, and
// backup-YYYYMMDD-HHMMSS-import.sqlite.zst for the copy made before an import.
QString backupCopyName(const QDateTime& time, bool beforeImport);

// The copy a file name stands for, the plain copies of earlier versions (.sqlite) included; nothing
// for any other name.
std::optional<BackupCopy> parseBackupCopyName(const QString& fileName);

// The name of a partial file a copy leaves while it is being made: hidden, with a random ending.
bool isPartialCopyName(const QString& fileName);

// What rotation keeps: always the copy just made, the newest copy and the newest copy made before
// an import; then, newest first, the newest kNewestKept copies and the newest copy of each month
// of the last year while all kept copies together stay within budgetBytes. Copies dated in the
// future (a clock that was set ahead) rank after all others. The names of the copies to remove.
struct BackupRotation {
    static constexpr int kNewestKept = 10;

    qint64 budgetBytes = 0;
    QDateTime nowUtc;
    QString justMade;

    QStringList copiesToRemove(std::vector<BackupCopy> copies) const;
};

// The budget of backups/ as the setting [backups] budget of mivra.ini gives it: "5x" (times the
// log's size), "800 MB" or "2 GB" (powers of 1000); empty for five times the log's size. A setting
// that is not understood gives the default and a problem to tell.
struct BackupBudget {
    static constexpr int kDefaultTimesLog = 5;

    qint64 bytes = 0;
    QString problem;
};
BackupBudget backupBudget(const QString& setting, qint64 logBytes);

} // namespace mivra
