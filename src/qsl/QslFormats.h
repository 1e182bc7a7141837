#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>

namespace mivra::qsl {

// The texts of a contact line on the card. A value that is not what its format expects is
// shown as it is stored.

// Four spaces and the band as a whole number with the locale's digit grouping ("    10,368").
QString formatBand(const QString& band, const QLocale& locale);
// " dd.mm.yy" from a stored yyyy-MM-dd (or an older dd.MM.yyyy).
QString formatDate(const QString& date);
// "  hh: mm " from a stored HH:mm (or HH:mm:ss).
QString formatTime(const QString& time);
// Five spaces before the mode.
QString prefixMode(const QString& mode);
// A stored value as text: a number in the locale's form without grouping, NULL as the empty text.
QString valueText(const QVariant& value, const QLocale& locale);

// The QSL state a print run leaves: T becomes Q, S becomes D, Y and B become N, in either case
// (the run selects lower-case letters too, so they must move on as well); any other state stays.
QString advancedState(const QString& state);

} // namespace mivra::qsl
