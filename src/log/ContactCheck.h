#pragma once

#include "Contact.h"

#include <QString>

#include <optional>

namespace mivra {

// The one check of what may be stored in a logtab row, used by every way a contact comes in
// (the entry row, an edit in the grid, the ADIF import). Each value check takes the text as
// typed or read and returns the form the log stores, or std::nullopt with *reason (when given)
// set to a message that names the field and says what it accepts.

// A real calendar day, years 1900 to 9999, in a form readStoredDate reads (yyyy-MM-dd,
// dd.MM.yyyy, a date followed by a time). Stored as "yyyy-MM-dd".
std::optional<QString> checkedDate(const QString& text, QString* reason);

// A time of day 00:00 to 23:59 in a form readStoredTime reads (HH:mm, H:mm, HHmm, HH:mm:ss,
// whose seconds are dropped). Stored as "HH:mm".
std::optional<QString> checkedTime(const QString& text, QString* reason);

// A band: the band value of a band button ("144", "14200") as it is; an ADIF band name of such
// a band ("2m", "70cm", any case) as its band value; a frequency inside such a band whose text
// begins with the band value, so that the band filter finds it ("144.300", "1296.2"), as it is.
std::optional<QString> checkedBand(const QString& text, QString* reason);

// One QSL state letter of the vocabulary N, Y, T, S, B, D, Q, any case. Stored upper case.
std::optional<QString> checkedQslState(const QString& text, QString* reason);

// The other station's callsign: any text but the empty one, stored upper case. Whether it is a
// callsign is the DXCC lookup's decision (LogDatabase::findDxcc): it must give an entity.
std::optional<QString> checkedCallsign(const QString& text, QString* reason);

// A Maidenhead locator of 4, 6, 8 or 10 characters, or the empty text (no locator).
// Stored upper case.
std::optional<QString> checkedLocator(const QString& text, QString* reason);
// What keeps an (upper-cased) text from being a locator, as a person would say it: "it has 5
// characters; a locator has 4, 6, 8 or 10", "the 4th character \"A\" must be a digit 0-9". Empty
// for a valid locator.
QString locatorFault(const QString& upperText);

// The check of one logtab column by its name (any case): Date, GMT, Callsign, Grid, Band and
// QSL as above; every other column takes any text as it is.
std::optional<QString> checkedColumn(const QString& column, const QString& text, QString* reason);

// Why a whole contact was refused: the logtab column at fault and the message.
struct ContactRefusal {
    QString column;
    QString reason;
};

// Checks date, time, callsign, locator, band and QSL state of a contact, in the order of the
// entry row. Returns the contact with every checked value in its stored form, or std::nullopt
// with *refusal (when given) naming the first field at fault. The entity is not looked up here.
std::optional<Contact> checkedContact(const Contact& qso, ContactRefusal* refusal);

} // namespace mivra
