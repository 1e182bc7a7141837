#pragma once

#include <QString>

#include <optional>

namespace mivra {

// The values one save writes into a new logtab row, in the order they are written.
struct QsoRecord {
    QString date;      // yyyy-MM-dd, UTC
    QString gmt;       // HH:mm, UTC
    QString callsign;
    QString grid;
    QString rsts;
    QString rstr;
    QString band;
    QString mode;
    QString name;
    QString comment;
    QString qsl;
    QString prop;
    QString dxcc;
    // Distance in km and heading in degrees; empty (stored as NULL) for a contact without locator.
    std::optional<float> qrb;
    std::optional<float> qtf;
    // The QSL manager (QSLman); NULL when not given, as for a contact logged by hand.
    std::optional<QString> qslVia;
    // The exact frequency in MHz when a radio gave it; stored in Freq, which the first such save adds.
    std::optional<double> frequencyMHz;
};

} // namespace mivra
