#pragma once

#include <QMetaType>
#include <QString>

namespace mivra::rig {

// One poll of the radio.
struct RigReading {
    bool answering = false;
    double frequencyHz = 0.0;
    QString mode; // as Hamlib names it: "USB", "CW", "FM", "PKTUSB", ...
};

} // namespace mivra::rig

Q_DECLARE_METATYPE(mivra::rig::RigReading)
