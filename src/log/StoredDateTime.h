#pragma once

#include <QDate>
#include <QDateTime>
#include <QStringView>
#include <QTime>

namespace mivra {

// The one reader of the Date and GMT texts a log holds. The log writes "yyyy-MM-dd" and "HH:mm";
// older logs and hand edits also hold "dd.MM.yyyy", a date followed by a time ("2026-06-07 00:00:00"),
// "HH:mm:ss", times without the leading zero ("7:05") and digits only ("0705").
// Each returns an invalid value for a text that is no date or time.
QDate readStoredDate(QStringView text);
QTime readStoredTime(QStringView text);
// Both together as UTC; invalid when either is.
QDateTime readStoredDateTime(QStringView date, QStringView time);

// The forms the log writes ("yyyy-MM-dd", "HH:mm"); empty for an invalid value.
QString storedDateText(QDate date);
QString storedTimeText(QTime time);

} // namespace mivra
