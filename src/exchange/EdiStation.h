#pragma once

#include "LogRow.h"

#include <QMap>
#include <QString>
#include <QStringList>

namespace mivra {

// The station details of an EDI header, by EDI key ("RName", "SAnte", ...), kept from one contest
// to the next in edi-station.txt of the data folder: one Key=Value line per key, UTF-8.
using EdiStation = QMap<QString, QString>;

inline const QString kEdiStationFileName = QStringLiteral("edi-station.txt");

// A header line's value is a name, an address or a piece of equipment: no more than this many
// characters, and the file no larger than this.
constexpr int kMaxEdiStationValue = 200;
constexpr qint64 kMaxEdiStationBytes = 64 * 1024;

// The keys the file holds, in header order.
const QStringList& ediStationKeys();

// Reads the file; a missing file is an empty station. Lines with other keys are ignored. False
// with *error naming the file when it is no regular file, larger than kMaxEdiStationBytes, or holds
// values longer than kMaxEdiStationValue (the others are read).
bool readEdiStation(const QString& path, EdiStation* station, QString* error);

// Replaces the file with every key's line, whole or not at all.
bool writeEdiStation(const QString& path, const EdiStation& station, QString* error);

// The station an EDI log is of (PCall, and the locator of contacts without their own): the
// profile the contest of the INI file (mivra.ini) is worked from; without one, the active profile;
// without that, the settings' callsign and locator (settings).
OwnStation ediOwnStation(const QString& iniPath, const OwnStation& settings);

} // namespace mivra
