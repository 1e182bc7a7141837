#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

namespace mivra {

// Copies of the log in the folder backups/ beside it, named backup-YYYYMMDD-HHMMSS.sqlite (UTC).
// Made with SQLite's online backup, so a copy is consistent even while the log is being written.
class LogBackups {
public:
    static constexpr int kNewestKept = 10;

    explicit LogBackups(const QString& logPath);

    QString folder() const { return m_folder; }

    // A copy of the log now, then the old copies thinned out. The new copy's path, or an empty
    // text with *error set.
    QString makeBackup(const QDateTime& nowUtc, QString* error) const;
    // A copy when the newest one is a day old or older, or there is none. False with *error when
    // one was due and could not be made.
    bool makeDailyBackup(const QDateTime& nowUtc, QString* error) const;
    // The time of the newest copy; invalid when there is none.
    QDateTime newestBackupTime() const;

    // Puts the log at file in place of this log: file must be an intact log; the present log is
    // copied into backups/ first, then replaced in one rename. The caller holds the folder's lock.
    bool restore(const QString& file, const QDateTime& nowUtc, QString* error) const;

    // The copies among fileNames that are no longer kept: all but the newest kNewestKept, and,
    // among the older ones, the newest of each month of the last year. Other names are left alone.
    static QStringList copiesToRemove(const QStringList& fileNames, const QDateTime& nowUtc);
    // The time in a copy's name; invalid for any other name.
    static QDateTime timeOfCopy(const QString& fileName);

private:
    void removeOldCopies(const QDateTime& nowUtc) const;

    QString m_logPath;
    QString m_folder;
};

// Copies the SQLite database at from into a new file at to (which must not exist) with SQLite's
// online backup. The copy is made beside to and renamed into place, so to is whole or absent.
bool copyDatabase(const QString& from, const QString& to, bool readOnlySource, QString* error);

// Runs SQLite's integrity check on the database at path; false with the first complaint in *error.
bool checkDatabaseIntegrity(const QString& path, QString* error);

} // namespace mivra
