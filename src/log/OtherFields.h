#pragma once

#include <QString>
#include <QStringView>

#include <span>
#include <vector>

namespace mivra {

// A field of a contact's ADIF record that has no column of its own: its name (upper case), its
// value exactly, and its data-type indicator (0 when it had none).
struct OtherField {
    QString name;
    QString value;
    char type = 0;

    bool operator==(const OtherField&) const = default;
};

// The other fields of one contact as logfields.fields stores them: "<NAME:length[:T]>value" one
// after another, the length counted in UTF-16 units. Empty for none.
QString encodeOtherFields(std::span<const OtherField> fields);
// Fields in the order stored; a text that is not in the stored form gives the fields before the
// fault.
std::vector<OtherField> decodeOtherFields(QStringView text);
// The same as views into text, for a reader that only passes them on.
struct OtherFieldView {
    QStringView name;
    QStringView value;
    char type = 0;
};
void decodeOtherFields(QStringView text, std::vector<OtherFieldView>* fields);

// The ADIF fields a column of logtab gives back, and the column they come from. The one place that
// says which ADIF fields have columns: the import keeps a record's fields of a column with the
// contact only when the column cannot give them back as they were, the export writes such kept
// fields only while the column still says what they say, and an edit of a column drops them.
enum class FieldColumn {
    Callsign,
    Date,
    Time,
    Band,
    FrequencyRx,
    Mode,
    ReportSent,
    ReportReceived,
    Locator,
    OwnLocator,
    Name,
    Comment,
    Propagation,
    Distance,
    Entity,
    QslVia,
    Qsl,
    LotwReceived,
    EqslReceived,
    Identity,
    Position
};
struct ColumnFields {
    FieldColumn id;
    const char* column;                // of logtab
    std::span<const char* const> adif; // the ADIF fields it gives, upper case
    bool computed;                     // worked out by the log (entity, distance), not typed
};
std::span<const ColumnFields> columnFields();
// The entry of a column (any case), else nullptr.
const ColumnFields* columnFieldsOf(const QString& column);
// The entry whose ADIF fields hold this name (upper case), else nullptr; and its position in
// columnFields(), else -1.
const ColumnFields* columnFieldsOfAdif(QStringView adifName);
int columnFieldsIndexOfAdif(QStringView adifName);

} // namespace mivra
