#pragma once

#include "AdifFile.h"
#include "ImportStore.h"
#include "LogRow.h"
#include "OtherFields.h"

#include <QDate>
#include <QTime>

#include <optional>
#include <vector>

namespace mivra {

class AdifRecordWriter;

namespace adif {

// How the columns of a contact are read from the fields of its ADIF record: the import fills the
// columns so, and the export asks the same of the fields it kept, to know whether the columns
// still say what they say.

// QSO_DATE as ADIF writes it (yyyyMMdd), and TIME_ON (HHmmss or HHmm); invalid when not so.
QDate dateOfText(QStringView text);
QTime timeOfText(QStringView text);
// The exact text of our application field when there is one, else the first of the fields that
// has a value, trimmed.
QString exactOr(const AdifFieldList& fields, const QString& appField, std::initializer_list<QString> names);
// A report with the serial number that followed it when typed ("59" and "001" give "59001").
QString reportWithSerial(const QString& report, const QString& serialText, const QString& serialNumber);
// A frequency in MHz ("14.074", also with a decimal comma); nothing when the text is none.
std::optional<double> frequencyOfText(const QString& text);
// GRIDSQUARE and GRIDSQUARE_EXT as one locator, upper case.
QString locatorOf(const AdifFieldList& fields);
// The band text the fields give before the contact check: our exact band, else BAND and FREQ.
QString bandTextOf(const AdifFieldList& fields);
// The QSL letter of the fields: our exact letter, else QSL_SENT and QSL_RCVD.
QString qslLetterOf(const AdifFieldList& fields);
// MY_GRIDSQUARE and MY_GRIDSQUARE_EXT as one locator, upper case; empty when not a valid locator.
QString ownLocatorOf(const AdifFieldList& fields);
// A LOTW_QSL_RCVD or EQSL_QSL_RCVD value as its letter (Y, N, R, I or V); empty for any other.
QString confirmationLetterOf(const QString& value);
// A contact's identity (APP_MIVRA_UUID) in its stored form, lower case; empty when the value is no
// UUID, so that the log gives the contact one of its own.
QString identityOf(const QString& value);
// An ADIF date (yyyyMMdd, or yyyy-MM-dd as LoTW writes it) as the log stores dates (yyyy-MM-dd), and back; empty when not a date.
QString storedDateOfAdif(const QString& value);
QString adifDateOfStored(const QString& stored);
// What the fields say has come in: QSL_RCVD, LOTW_QSL_RCVD and EQSL_QSL_RCVD Y with their dates.
ReceivedConfirmation receivedConfirmationOf(const AdifFieldList& fields);
// The propagation code: our exact code, else PROP_MODE.
QString propCodeOf(const AdifFieldList& fields);

// The column of columnFields() at this position gives the same value from these fields (those of
// the column that a record had) as the row holds. The log's computed columns (entity, distance)
// always do: an edit drops their fields.
bool fieldsGiveColumn(int columnIndex, const AdifFieldList& fields, const LogRow& row);

// The fields of a record to keep with the contact made of it: every field with a value that has
// no column, and the fields of a column whose own fields (as columns gives them) are not the
// record's, name, value and data type as they were. columns writes the fields of the row.
std::vector<OtherField> otherFieldsOf(const AdifFieldList& record, const Contact& row, AdifRecordWriter& columns);

// Every field of a contact by name, value and data type, as its exported record holds them: the
// whole contact as one unit, for whatever carries contacts whole.
std::vector<OtherField> wholeContactFields(const LogRow& row, AdifRecordWriter& fields);

} // namespace adif
} // namespace mivra
