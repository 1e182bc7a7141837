#pragma once

#include "Contact.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace mivra {

// A contact as the exchange formats read it: the stored row, and the UTC time its Date and GMT
// texts name (read once, as every format orders and writes by it).
struct LogRow : Contact {
    QDateTime time; // invalid when the date or time cannot be read
};

// Which rows: a band (LIKE pattern as the grid uses it, empty for all), optionally a search
// (the grid's choices: 1 callsign, 2 locator, by prefix) and a time span [from, to) in UTC.
struct LogSelection {
    QString bandPattern;
    int searchChoice = 0;
    QString searchText;
    std::optional<QDateTime> from;
    std::optional<QDateTime> to;
    bool otherFields = false; // the rows come with their other fields (the whole contact)
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
