#pragma once

#include <QString>

namespace mivra::rig {

// A frequency in Hz as the strip shows it: MHz, kHz and Hz in groups of three ("144.300.000").
QString frequencyText(double hz);

// The mode the log stores for a radio's mode: USB and LSB are SSB, CW and CWR CW, the FM and AM
// variants FM and AM; data modes keep the radio's name ("RTTY", "PKTUSB"). Empty for none.
QString logMode(const QString& radioMode);

} // namespace mivra::rig
