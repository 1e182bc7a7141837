#pragma once

#include <QString>

#include <vector>

namespace mivra {

// The prefix file of Debian's hamradio-files, read when a log is created.
inline const QString kCtyCsvPath = QStringLiteral("/usr/share/hamradio-files/cty.csv");

// One row of dxccdata: a callsign pattern ("DL*" for a prefix, "DL0ABC" for an exact call)
// and the entity it belongs to.
struct DxccRow {
    int adifNumber = 0;
    QString pattern;
    QString entity;
};

// Reads a cty.csv file into dxccdata rows in their stored order: exact calls first, then
// prefixes, longest first (file order within equal length); a repeated pattern keeps its first
// row. WAE-only entities (primary prefix starting with "*") are left out. The entity text is the
// primary prefix, a space and the name. On failure returns no rows and sets *error.
std::vector<DxccRow> readCtyCsv(const QString& path, QString* error);

} // namespace mivra
