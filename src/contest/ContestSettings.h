#pragma once

#include <QDateTime>
#include <QString>

namespace mivra {

// The contest being worked, section [contest] of mivra.ini: its name, its span in UTC written as
// "2026-06-06T14:00", its band as a band value ("144") and the station profile's name.
struct ContestSettings {
    QString name;
    QDateTime start;
    QDateTime end;
    QString band;
    QString station; // the station profile it is worked from; empty for the one in use
    QString section; // the section entered (SINGLE, MULTI ...), kept with the EDI defaults

    // A band from 50 MHz up and a start before the end.
    bool isComplete() const;
    // Complete and now inside [start, end).
    bool isRunning(const QDateTime& now) const;
};

// The span's time form, and a time of that form (seconds and a trailing "Z" allowed) as UTC;
// invalid when it is none.
QString contestTimeText(const QDateTime& time);
QDateTime contestTime(const QString& text);

// The contest in the INI file; empty when it holds none or cannot be read (said in *error).
ContestSettings readContestSettings(const QString& iniPath, QString* error = nullptr);
// Writes [contest], keeping the file's other sections; an empty band removes the section (no
// contest). False with *error when the file cannot be written.
bool writeContestSettings(const QString& iniPath, const ContestSettings& contest, QString* error);

// What the next EDI export starts from, section [edi]: the contest of the last export, or the one
// last ended. Read and written as [contest] is.
ContestSettings readEdiDefaults(const QString& iniPath, QString* error = nullptr);
bool writeEdiDefaults(const QString& iniPath, const ContestSettings& contest, QString* error);

// The contest an EDI export is offered: the contest set in the window once it has begun (running,
// or over but not yet ended), else the EDI defaults; empty when neither is complete. The section
// always comes from the defaults.
ContestSettings ediContest(const ContestSettings& contest, const ContestSettings& ediDefaults, const QDateTime& now);

} // namespace mivra
