#pragma once

#include "StationSettings.h"

#include <QString>

namespace mivra {

// The settings file: slots 0 to 12, one line each, CRLF line ends, texts in double quotes
// (nothing escaped, the empty text as ""), numbers as bare decimal digits. Written as
// UTF-8; read as UTF-8 when the bytes are valid UTF-8, else as Windows-1252.

// Fills the slots from the file. A missing or 0-byte file is first created with the
// creation defaults. Reading stops at the first blank line; the slots after it keep what
// they held. Lines 14 and on go to slots 13 and on (beyond slot 100 they are ignored).
// Finally every empty slot of 0 to 12 gets its default when absent.
// A line in double quotes is the text between them (a missing closing quote: the rest of
// the line); a bare whole number is that number; any other line is its text without the
// surrounding blanks.
// Returns false with a message naming the file in *error when the file cannot be created
// or read; the slots are still usable then. A file that exists but cannot be read is
// left as it is.
bool loadStationSettings(StationSettings& settings, const QString& filePath, QString* error = nullptr);

// Writes slots 0 to 12, replacing the file as a whole or not at all; in a folder that cannot be
// written, a writable file is overwritten in place. An empty slot is
// written as its default when absent; texts pass StationSettings::storableText() first.
// Returns false with a message naming the file in *error when it cannot be written.
bool saveStationSettings(const StationSettings& settings, const QString& filePath, QString* error = nullptr);

} // namespace mivra
