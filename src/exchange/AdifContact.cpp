#include "AdifContact.h"

#include "AdifExport.h"
#include "AdifFields.h"
#include "ContactCheck.h"
#include "Locator.h"
#include "StoredDateTime.h"
#include "Utf16View.h"

#include <QRegularExpression>

#include <cmath>

namespace mivra::adif {

namespace {

// The digits at [at, at + count), or -1.
int digits(QStringView text, qsizetype at, qsizetype count)
{
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        if (text[i] < u'0' || text[i] > u'9')
            return -1;
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return value;
}

// Collects the fields a row gives, as the export writes them.
class FieldCollector : public AdifFieldSink {
public:
    void add(const QString& name, const QString& value, char type) override
    {
        if (!value.isEmpty())
            fields.push_back({name, value, type});
    }
    void addExact(QStringView name, QStringView value, char type) override
    {
        add(name.toString(), value.toString(), type);
    }
    std::vector<OtherField> fields;
};

bool sameFields(const std::vector<OtherField>& a, const std::vector<OtherField>& b)
{
    if (a.size() != b.size())
        return false;
    for (const OtherField& field : a) {
        if (std::find(b.begin(), b.end(), field) == b.end())
            return false;
    }
    return true;
}

} // namespace

QDate dateOfText(QStringView text)
{
    if (text.size() != 8)
        return {};
    const int year = digits(text, 0, 4), month = digits(text, 4, 2), day = digits(text, 6, 2);
    return year < 0 || month < 0 || day < 0 ? QDate() : QDate(year, month, day);
}

QTime timeOfText(QStringView text)
{
    if (text.size() != 4 && text.size() != 6)
        return {};
    const int hour = digits(text, 0, 2), minute = digits(text, 2, 2),
              second = text.size() == 6 ? digits(text, 4, 2) : 0;
    return hour < 0 || minute < 0 || second < 0 ? QTime() : QTime(hour, minute, second);
}

QString exactOr(const AdifFieldList& fields, const QString& appField, std::initializer_list<QString> names)
{
    const QString exact = fields.value(appField);
    if (!exact.isEmpty())
        return percentDecoded(exact);
    for (const QString& name : names) {
        const QString value = fields.value(name).trimmed();
        if (!value.isEmpty())
            return value;
    }
    return {};
}

QString reportWithSerial(const QString& report, const QString& serialText, const QString& serialNumber)
{
    const QString serial = serialText.trimmed();
    bool allDigits = !serial.isEmpty();
    for (const QChar c : serial)
        allDigits = allDigits && c >= u'0' && c <= u'9';
    if (allDigits)
        return report.trimmed() + serial;
    bool ok = false;
    const int number = serialNumber.trimmed().toInt(&ok);
    if (ok && number >= 0)
        return report.trimmed() + QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
    return report.trimmed();
}

std::optional<double> frequencyOfText(const QString& text)
{
    QString number = text.trimmed();
    number.replace(u',', u'.');
    bool ok = false;
    const double frequency = number.toDouble(&ok);
    if (ok && frequency > 0 && std::isfinite(frequency))
        return frequency;
    return std::nullopt;
}

QString locatorOf(const AdifFieldList& fields)
{
    return (fields.value(u"GRIDSQUARE"_qs) + fields.value(u"GRIDSQUARE_EXT"_qs)).trimmed().toUpper();
}

QString bandTextOf(const AdifFieldList& fields)
{
    QString band = exactOr(fields, kAppBand, {});
    if (band.isEmpty())
        band = bandValueOf(fields.value(u"BAND"_qs), frequencyOfText(fields.value(u"FREQ"_qs)));
    const QString named = fields.value(u"BAND"_qs).trimmed();
    // A band the plan does not know is told by its own name.
    return band.isEmpty() && !named.isEmpty() ? named : band;
}

QString qslLetterOf(const AdifFieldList& fields)
{
    const QString letter = exactOr(fields, kAppQsl, {});
    return letter.isEmpty() ? qslLetterOfStates(fields.value(u"QSL_SENT"_qs), fields.value(u"QSL_RCVD"_qs)) : letter;
}

QString ownLocatorOf(const AdifFieldList& fields)
{
    const QString grid
        = (fields.value(u"MY_GRIDSQUARE"_qs).trimmed() + fields.value(u"MY_GRIDSQUARE_EXT"_qs).trimmed()).toUpper();
    return geo::isLocatorValid(utf16View(grid)) ? grid : QString();
}

QString identityOf(const QString& value)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"));
    const QString identity = value.trimmed().toLower();
    return form.match(identity).hasMatch() ? identity : QString();
}

QString confirmationLetterOf(const QString& value)
{
    const QString letter = value.trimmed().toUpper();
    static const QStringList kLetters{u"Y"_qs, u"N"_qs, u"R"_qs, u"I"_qs, u"V"_qs};
    return kLetters.contains(letter) ? letter : QString();
}

QString storedDateOfAdif(const QString& value)
{
    // LoTW writes its dates as yyyy-MM-dd.
    const QString text = value.trimmed();
    const QDate date = text.size() == 10 ? QDate::fromString(text, Qt::ISODate) : dateOfText(text);
    return date.isValid() ? date.toString(Qt::ISODate) : QString();
}

QString adifDateOfStored(const QString& stored)
{
    const QDate date = QDate::fromString(stored.trimmed(), Qt::ISODate);
    return date.isValid() ? date.toString(u"yyyyMMdd"_qs) : QString();
}

ReceivedConfirmation receivedConfirmationOf(const AdifFieldList& fields)
{
    const auto yes = [&fields](const QString& name) { return confirmationLetterOf(fields.value(name)) == u"Y"_qs; };
    ReceivedConfirmation received;
    received.card = yes(u"QSL_RCVD"_qs);
    received.cardDate = storedDateOfAdif(fields.value(u"QSLRDATE"_qs));
    received.lotw = yes(u"LOTW_QSL_RCVD"_qs);
    received.lotwDate = storedDateOfAdif(fields.value(u"LOTW_QSLRDATE"_qs));
    received.eqsl = yes(u"EQSL_QSL_RCVD"_qs);
    received.eqslDate = storedDateOfAdif(fields.value(u"EQSL_QSLRDATE"_qs));
    return received;
}

QString propCodeOf(const AdifFieldList& fields)
{
    return fields.contains(kAppProp) ? percentDecoded(fields.value(kAppProp))
                                     : propCodeOfMode(fields.value(u"PROP_MODE"_qs));
}

bool fieldsGiveColumn(int columnIndex, const AdifFieldList& fields, const LogRow& row)
{
    const FieldColumn column = columnFields()[std::size_t(columnIndex)].id;
    const auto is = [column](FieldColumn id) { return column == id; };
    if (is(FieldColumn::Callsign))
        return exactOr(fields, kAppCallUtf8, {u"CALL"_qs}).trimmed().toUpper() == row.callsign.trimmed().toUpper();
    if (is(FieldColumn::Date))
        return dateOfText(fields.value(u"QSO_DATE"_qs).trimmed()) == row.time.date();
    if (is(FieldColumn::Time)) {
        const QTime time = timeOfText(fields.value(u"TIME_ON"_qs).trimmed());
        return time.isValid() && time.hour() == row.time.time().hour() && time.minute() == row.time.time().minute();
    }
    if (is(FieldColumn::Band)) {
        const std::optional<QString> band = checkedBand(bandTextOf(fields), nullptr);
        return band && *band == row.band.trimmed() && frequencyOfText(fields.value(u"FREQ"_qs)) == row.frequencyMHz;
    }
    if (is(FieldColumn::FrequencyRx))
        return frequencyOfText(fields.value(u"FREQ_RX"_qs)) == row.frequencyRxMHz;
    if (is(FieldColumn::Mode))
        return exactOr(fields, kAppMode, {u"SUBMODE"_qs, u"MODE"_qs}) == row.mode.trimmed();
    if (is(FieldColumn::ReportSent))
        return reportWithSerial(fields.value(u"RST_SENT"_qs), fields.value(u"STX_STRING"_qs), fields.value(u"STX"_qs))
               == row.rsts.trimmed();
    if (is(FieldColumn::ReportReceived))
        return reportWithSerial(fields.value(u"RST_RCVD"_qs), fields.value(u"SRX_STRING"_qs), fields.value(u"SRX"_qs))
               == row.rstr.trimmed();
    if (is(FieldColumn::Locator))
        return locatorOf(fields) == row.locator.trimmed().toUpper();
    if (is(FieldColumn::Name))
        return exactOr(fields, kAppNameUtf8, {u"NAME_INTL"_qs, u"NAME"_qs}) == row.name.trimmed();
    if (is(FieldColumn::Comment))
        return exactOr(fields, kAppCommentUtf8, {u"COMMENT_INTL"_qs, u"COMMENT"_qs}) == row.comment.trimmed();
    if (is(FieldColumn::QslVia))
        return exactOr(fields, kAppQslViaUtf8, {u"QSL_VIA"_qs}) == row.qslVia.value_or(QString()).trimmed();
    if (is(FieldColumn::Qsl))
        return qslLetterOf(fields).trimmed().toUpper() == row.qsl.trimmed().toUpper()
               && storedDateOfAdif(fields.value(u"QSLSDATE"_qs)) == row.qslSentDate
               && storedDateOfAdif(fields.value(u"QSLRDATE"_qs)) == row.qslReceivedDate;
    if (is(FieldColumn::OwnLocator))
        return ownLocatorOf(fields) == row.myLocator.trimmed().toUpper();
    if (is(FieldColumn::LotwReceived))
        return confirmationLetterOf(fields.value(u"LOTW_QSL_RCVD"_qs)) == row.lotwReceived.trimmed().toUpper()
               && storedDateOfAdif(fields.value(u"LOTW_QSLRDATE"_qs)) == row.lotwReceivedDate;
    if (is(FieldColumn::EqslReceived))
        return confirmationLetterOf(fields.value(u"EQSL_QSL_RCVD"_qs)) == row.eqslReceived.trimmed().toUpper()
               && storedDateOfAdif(fields.value(u"EQSL_QSLRDATE"_qs)) == row.eqslReceivedDate;
    if (is(FieldColumn::Propagation))
        return propCodeOf(fields) == row.prop.trimmed();
    if (is(FieldColumn::Identity))
        return identityOf(fields.value(u"APP_MIVRA_UUID"_qs)) == row.uuid;
    if (is(FieldColumn::Position))
        return fields.value(u"APP_MIVRA_POSITION"_qs).trimmed() == row.position;
    return true;
}

std::vector<OtherField> otherFieldsOf(const AdifFieldList& record, const Contact& contact, AdifRecordWriter& columns)
{
    std::vector<OtherField> other;
    const auto count = columnFields().size();
    std::vector<std::vector<OtherField>> ofColumn(count);
    for (const AdifFieldList::Field& field : record) {
        if (field.text.isEmpty())
            continue; // a field without a value says nothing
        const int column = columnFieldsIndexOfAdif(field.name);
        if (column < 0)
            other.push_back({field.name, field.text, field.type});
        else
            ofColumn[std::size_t(column)].push_back({field.name, field.text, field.type});
    }
    LogRow row;
    static_cast<Contact&>(row) = contact;
    row.time = rowTime(row.date, row.gmt);
    for (std::size_t column = 0; column < count; ++column) {
        if (ofColumn[column].empty())
            continue;
        FieldCollector given;
        columns.writeColumn(int(column), row, given);
        if (!sameFields(given.fields, ofColumn[column]))
            other.insert(other.end(), ofColumn[column].begin(), ofColumn[column].end());
    }
    return other;
}

std::vector<OtherField> wholeContactFields(const LogRow& row, AdifRecordWriter& fields)
{
    FieldCollector whole;
    fields.writeFields(row, whole);
    return std::move(whole.fields);
}

} // namespace mivra::adif
