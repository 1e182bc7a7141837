#pragma once

#include <QString>

#include <optional>

namespace mivra {

// One contact: a row of logtab with the columns the program writes, in the order a save writes them.
struct Contact {
    qint64 id = 0; // ID, the row's stable key; 0 for a contact not stored yet
    QString date;  // yyyy-MM-dd, UTC (older logs: dd.MM.yyyy; read with readStoredDate)
    QString gmt;   // HH:mm, UTC (read with readStoredTime)
    QString callsign;
    QString locator;
    QString rsts;
    QString rstr;
    QString band; // a band value (BandPlan.h), or a frequency inside its band
    QString mode;
    QString name;
    QString comment;
    QString qsl;  // QSL state letter
    QString prop; // propagation code
    QString dxcc; // DXCC entity text
    // Distance in km and heading in degrees; empty (stored as NULL) for a contact without locator.
    std::optional<double> qrb;
    std::optional<double> qtf;
    // The QSL manager (QSLman); NULL when not given, as for a contact logged by hand.
    std::optional<QString> qslVia;
    // The exact frequency in MHz, from the radio or an imported FREQ (Freq); the received one of a
    // split contact (FreqRx).
    std::optional<double> frequencyMHz;
    std::optional<double> frequencyRxMHz;
    // The own locator the contact was made from (MyGrid); empty for the settings' locator.
    QString myLocator;
    // Dates are yyyy-MM-dd, empty for none: the paper card sent (by a print run) and received.
    QString qslSentDate;
    QString qslReceivedDate;
    // LoTW and eQSL confirmations: the ADIF received letter (Y confirmed) and its date.
    QString lotwReceived;
    QString lotwReceivedDate;
    QString eqslReceived;
    QString eqslReceivedDate;
    // Every other field of the contact's ADIF record, encoded as OtherFields.h says (logfields);
    // empty when there are none.
    QString otherFields;
    // The contact's identity at every position of a shared log (Uuid; empty: a new one is given
    // when stored) and the position that logged it (Position).
    QString uuid;
    QString position;
};

} // namespace mivra
