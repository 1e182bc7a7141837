#include "OtherFields.h"

#include <array>
#include <string>
#include <unordered_map>

namespace mivra {

namespace {

constexpr const char* kCallsign[] = {"CALL", "APP_MIVRA_CALL_UTF8"};
constexpr const char* kDate[] = {"QSO_DATE"};
constexpr const char* kTime[] = {"TIME_ON"};
constexpr const char* kGrid[] = {"GRIDSQUARE", "GRIDSQUARE_EXT"};
constexpr const char* kSent[] = {"RST_SENT", "STX_STRING", "STX"};
constexpr const char* kReceived[] = {"RST_RCVD", "SRX_STRING", "SRX"};
constexpr const char* kBand[] = {"BAND", "FREQ", "APP_MIVRA_BAND"};
constexpr const char* kFrequencyRx[] = {"FREQ_RX"};
constexpr const char* kMode[] = {"MODE", "SUBMODE", "APP_MIVRA_MODE"};
constexpr const char* kName[] = {"NAME", "NAME_INTL", "APP_MIVRA_NAME_UTF8"};
constexpr const char* kComment[] = {"COMMENT", "COMMENT_INTL", "APP_MIVRA_COMMENT_UTF8"};
constexpr const char* kQslVia[] = {"QSL_VIA", "APP_MIVRA_QSL_VIA_UTF8"};
constexpr const char* kQsl[] = {"QSL_SENT", "QSL_RCVD", "QSLSDATE", "QSLRDATE", "APP_MIVRA_QSL"};
constexpr const char* kOwnLocator[] = {"MY_GRIDSQUARE", "MY_GRIDSQUARE_EXT"};
constexpr const char* kLotw[] = {"LOTW_QSL_RCVD", "LOTW_QSLRDATE"};
constexpr const char* kEqsl[] = {"EQSL_QSL_RCVD", "EQSL_QSLRDATE"};
constexpr const char* kProp[] = {"PROP_MODE", "APP_MIVRA_PROP"};
constexpr const char* kEntity[] = {"DXCC", "COUNTRY"};
constexpr const char* kDistance[] = {"DISTANCE"};
constexpr const char* kIdentity[] = {"APP_MIVRA_UUID"};
constexpr const char* kPosition[] = {"APP_MIVRA_POSITION"};

// In the order the export writes them. Band also gives FREQ through Freq; a band edit writes both.
constexpr std::array<ColumnFields, 21> kColumns{{
    {FieldColumn::Callsign, "Callsign", kCallsign, false},
    {FieldColumn::Date, "Date", kDate, false},
    {FieldColumn::Time, "GMT", kTime, false},
    {FieldColumn::Band, "Band", kBand, false},
    {FieldColumn::FrequencyRx, "FreqRx", kFrequencyRx, false},
    {FieldColumn::Mode, "mode", kMode, false},
    {FieldColumn::ReportSent, "rsts", kSent, false},
    {FieldColumn::ReportReceived, "rstr", kReceived, false},
    {FieldColumn::Locator, "Grid", kGrid, false},
    {FieldColumn::OwnLocator, "MyGrid", kOwnLocator, false},
    {FieldColumn::Name, "Nam", kName, false},
    {FieldColumn::Comment, "Comment", kComment, false},
    {FieldColumn::Propagation, "Prop", kProp, false},
    {FieldColumn::Distance, "QRB", kDistance, true},
    {FieldColumn::Entity, "DXCC", kEntity, true},
    {FieldColumn::QslVia, "QSLman", kQslVia, false},
    {FieldColumn::Qsl, "QSL", kQsl, false},
    {FieldColumn::LotwReceived, "LotwRcvd", kLotw, false},
    {FieldColumn::EqslReceived, "EqslRcvd", kEqsl, false},
    {FieldColumn::Identity, "Uuid", kIdentity, false},
    {FieldColumn::Position, "Position", kPosition, false},
}};

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

QString encodeOtherFields(std::span<const OtherField> fields)
{
    QString text;
    qsizetype size = 0;
    for (const OtherField& field : fields)
        size += field.name.size() + field.value.size() + 12;
    text.reserve(size);
    for (const OtherField& field : fields) {
        text += u'<';
        text += field.name;
        text += u':';
        text += QString::number(field.value.size());
        if (field.type) {
            text += u':';
            text += QChar(char16_t(field.type));
        }
        text += u'>';
        text += field.value;
    }
    return text;
}

void decodeOtherFields(QStringView text, std::vector<OtherFieldView>* fields)
{
    fields->clear();
    qsizetype at = 0;
    while (at < text.size() && text[at] == u'<') {
        const qsizetype close = text.indexOf(u'>', at);
        if (close < 0)
            break;
        const QStringView tag = text.sliced(at + 1, close - at - 1);
        const qsizetype colon = tag.indexOf(u':');
        if (colon <= 0)
            break;
        qsizetype length = 0;
        qsizetype i = colon + 1;
        for (; i < tag.size() && isDigit(tag[i]) && length < text.size(); ++i)
            length = length * 10 + (tag[i].unicode() - u'0');
        if (i == colon + 1 || length > text.size() - close - 1)
            break;
        char type = 0;
        if (i < tag.size()) {
            if (tag[i] != u':' || i + 2 != tag.size())
                break;
            type = char(tag[i + 1].toLatin1());
        }
        fields->push_back({tag.first(colon), text.sliced(close + 1, length), type});
        at = close + 1 + length;
    }
}

std::vector<OtherField> decodeOtherFields(QStringView text)
{
    std::vector<OtherFieldView> views;
    decodeOtherFields(text, &views);
    std::vector<OtherField> fields;
    fields.reserve(views.size());
    for (const OtherFieldView& view : views)
        fields.push_back({view.name.toString(), view.value.toString(), view.type});
    return fields;
}

std::span<const ColumnFields> columnFields()
{
    return kColumns;
}

const ColumnFields* columnFieldsOf(const QString& column)
{
    for (const ColumnFields& entry : kColumns) {
        if (column.compare(QLatin1String(entry.column), Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

int columnFieldsIndexOfAdif(QStringView adifName)
{
    // Asked for every field of every record: a hash of the few names, made once.
    static const auto* const names = [] {
        auto* table = new std::pair<std::vector<std::u16string>, std::unordered_map<std::u16string_view, int>>();
        for (const ColumnFields& entry : kColumns) {
            for (const char* name : entry.adif)
                table->first.push_back(QString::fromLatin1(name).toStdU16String());
        }
        std::size_t at = 0;
        for (int i = 0; i < int(kColumns.size()); ++i) {
            for (std::size_t n = 0; n < kColumns[std::size_t(i)].adif.size(); ++n)
                table->second.emplace(table->first[at++], i);
        }
        return table;
    }();
    const auto found = names->second.find(std::u16string_view(adifName.utf16(), std::size_t(adifName.size())));
    return found == names->second.end() ? -1 : found->second;
}

const ColumnFields* columnFieldsOfAdif(QStringView adifName)
{
    const int index = columnFieldsIndexOfAdif(adifName);
    return index < 0 ? nullptr : &kColumns[std::size_t(index)];
}

} // namespace mivra
