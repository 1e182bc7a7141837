#pragma once

#include <QString>
#include <QStringList>

namespace mivra {

// Which confirmations count a contact as confirmed, for the counters and the map: award rules
// differ. Stored in the settings by its index in confirmationCountCaptions().
enum class ConfirmationCount {
    CardsLotwEqsl, // a paper card in hand (Q or T), LoTW or eQSL
    CardsLotw,     // a paper card in hand or LoTW
    Cards,         // a paper card in hand (Q or T)
    Lotw,          // LoTW only
    CardsMarkedQ,  // cards marked Q only
};
inline constexpr ConfirmationCount kDefaultConfirmationCount = ConfirmationCount::CardsLotwEqsl;

// The settings' choices, in the order of the enumeration.
QStringList confirmationCountCaptions();
// The choice of a stored index; the default for anything else.
ConfirmationCount confirmationCountOf(int index);

// The choice in section [confirmations] of the INI file (mivra.ini); the default when it has none
// or cannot be read. Writing keeps the file's other sections; false with *error when it cannot.
ConfirmationCount readConfirmationCount(const QString& iniPath);
bool writeConfirmationCount(const QString& iniPath, ConfirmationCount count, QString* error);

// An SQL condition on a logtab row that is true when the row counts as confirmed; no user text.
QString confirmedCondition(ConfirmationCount count);

// The grid's column of how a contact is confirmed, whatever the setting counts: "Card" (Q or T),
// "LoTW", "eQSL", joined by spaces ("Card LoTW"); empty for none. Computed as the rows are read.
inline const QString kConfirmedColumn = QStringLiteral("Confirmed");
// The SQL expression of that text over a logtab row; no user text.
QString confirmationKindsExpression();

} // namespace mivra
