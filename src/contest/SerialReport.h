#pragma once

#include <QString>

namespace mivra {

// The report and the serial number of a report typed as "59001": the report is two digits in a
// voice mode (SSB, FM, AM, digital voice) and where the mode is not known, three in every other
// mode ("599001" in CW, RTTY or SSTV). "59 005" is the report, a space and the serial. A text of
// three characters or fewer, one that is not all digits, or one that would leave a serial of fewer
// than three digits, is all report.
QString splitReport(const QString& typed, const QString& mode, QString* serial);

} // namespace mivra
