#pragma once

#include <QByteArrayView>
#include <QString>

namespace mivra {

// Decodes Windows-1252 bytes, the code page of settings files written on Windows.
// Uses the converter of the Qt build when it has one, else decodeWindows1252ByTable().
QString decodeWindows1252(QByteArrayView bytes);

// Bytes 0x80-0x9F through the code page's table (its five unassigned bytes as the
// C1 controls of the same value), all others as Latin-1.
QString decodeWindows1252ByTable(QByteArrayView bytes);

} // namespace mivra
