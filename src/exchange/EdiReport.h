#pragma once

#include <QString>

namespace mivra {

// A report as an EDI QSO record holds it: the RST and the serial number (three digits at least).
struct EdiReport {
    QString rst;
    QString serial; // empty when none was given
    QString error;  // why the report cannot be written; empty when it can
};

// "59 005", "59005" and "59005" of a CW "599005" as RST and serial; "59" alone leaves the serial
// empty. A report that is no RST (a digital "-12") or a serial above 9999 cannot be written.
EdiReport ediReport(const QString& typed, const QString& mode);

} // namespace mivra
