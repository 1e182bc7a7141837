#pragma once

#include "BackupRotation.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

namespace mivra {

// Why a copy is made; the copy before an import is named so, and rotation keeps the newest such.
enum class BackupKind { OnRequest, Daily, BeforeImport, BeforeUpgrade, BeforeRestore };

// Copies of the log in the folder backups/ beside it, Zstandard-compressed SQLite files named
// backup-YYYYMMDD-HHMMSS.sqlite.zst (UTC). A copy is taken with SQLite's online backup in small
// steps, so the log stays free for writes meanwhile, then compressed into a hidden file, synced,
// read back whole and only then given its name: a copy that was cut short is never taken for a
// backup. One copy is made at a time, across programs, and each tidies up what a killed copy left.
class LogBackups {
public:
    explicit LogBackups(const QString& logPath);

    QString folder() const { return m_folder; }

    // A copy of the log now, then rotation within the budget. The new copy's path, or an empty
    // text with *error set. *note, when given, tells of a budget setting that is not understood.
    QString makeBackup(const QDateTime& nowUtc, QString* error, BackupKind kind = BackupKind::OnRequest,
                       QString* note = nullptr) const;
    // A copy when the newest one is a day old or older, or there is none; copies dated in the
    // future do not count. False with *error when one was due and could not be made; *made, when
    // given, is the new copy's path (empty when none was due).
    bool makeDailyBackup(const QDateTime& nowUtc, QString* error, QString* note = nullptr,
                         QString* made = nullptr) const;
    // The time of the newest copy, future ones included; invalid when there is none.
    QDateTime newestBackupTime() const;
    // The copies in backups/ that were made as backups and read as such: a name of a copy and
    // content that is a log (compressed with the copy's mark, or a plain copy of earlier versions).
    std::vector<BackupCopy> copies() const;

    // Puts the log at file (a plain or Zstandard-compressed copy) in place of this log: file must hold
    // an intact log; the present log is copied into backups/ first, then replaced in one rename.
    // The caller holds the folder's lock.
    bool restore(const QString& file, const QDateTime& nowUtc, QString* error) const;

    // Removes what a killed restore or log creation left beside the log (.restore-*.sqlite and
    // the like, with their journals). Only while holding the data folder's lock.
    void removeLeftoversBesideLog() const;

    // The budget of backups/ for this log, from mivra.ini beside it.
    BackupBudget budget() const;

private:
    QString makeLockedBackup(const QDateTime& nowUtc, BackupKind kind, QString* error) const;
    void removePartialCopies() const;
    void rotate(const QDateTime& nowUtc, const QString& justMade, QString* note) const;

    QString m_logPath;
    QString m_folder;
};

// Runs SQLite's integrity check on the database at path; false with the first complaint in *error.
bool checkDatabaseIntegrity(const QString& path, QString* error);

} // namespace mivra
