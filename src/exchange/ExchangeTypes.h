#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace mivra {

// One logtab row as the exchange formats read and write it.
struct LogRow {
    qint64 id = 0;
    QString date; // as stored: yyyy-MM-dd (dd.MM.yyyy in older logs)
    QString gmt;  // as stored: HH:mm (HH:mm:ss in older logs)
    QString callsign;
    QString grid;
    QString rsts;
    QString rstr;
    QString band;
    QString mode;
    QString name;
    QString comment;
    QString qsl;
    QString prop;
    QString dxcc;
    std::optional<double> qrb;
    std::optional<double> qtf;
    QString qslVia;
    std::optional<double> frequency; // MHz, from Freq when the log has it
    QDateTime time; // from date and gmt; invalid when they cannot be read
};

// Which rows: a band (LIKE pattern as the grid uses it, empty for all), optionally a search
// (the grid's choices: 1 callsign, 2 locator, by prefix) and a time span [from, to) in UTC.
struct LogSelection {
    QString bandPattern;
    int searchChoice = 0;
    QString searchText;
    std::optional<QDateTime> from;
    std::optional<QDateTime> to;
};

// The own station, from the settings.
struct OwnStation {
    QString callsign;
    QString locator;
};

// Called now and then during a long run with the rows done and the rows in all.
using Progress = std::function<void(qint64 done, qint64 total)>;

// The UTC time of a row's stored date and time; invalid when either cannot be read.
QDateTime rowTime(const QString& date, const QString& gmt);

} // namespace mivra
