#pragma once

#include <QString>

namespace mivra {

// The report and the serial number of a report typed as "59001": the report is three digits
// for CW ("599001"), else two. "59 005" is the report, a space and the serial. A text that is not
// all digits, or no longer than the report, is all report.
QString splitReport(const QString& typed, const QString& mode, QString* serial);

} // namespace mivra
