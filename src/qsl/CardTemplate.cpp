#include "CardTemplate.h"

namespace mivra::qsl {

const QString CardTemplate::kDefaultFace = QStringLiteral("Liberation Sans");

namespace {

struct Column {
    const char* name;
    int left;
    int width;
    const char* header;
};

constexpr Column kTableColumns[CardTemplate::kColumns] = {
    {"datem", 315, 1020, "   DATE"},  {"utc", 1335, 855, "   UTC"}, {"qrg", 2190, 1575, "    QRG(MHz)"},
    {"mode", 3765, 1095, "    MODE"}, {"rsts", 4860, 780, "  RST"}, {"qrb", 5640, 1000, " QRB(km)"},
    {"qtf", 6640, 800, " QTF"},
};

const QString kArial = QStringLiteral("Arial");

CardElement label(const char* name, int left, int top, int width, int height, const QString& face, double size,
                  bool bold, const QString& text = {})
{
    return {CardElement::Label, QString::fromLatin1(name), -1, left, top, width, height, face, size, bold, text};
}

CardElement plainLabel(const char* name, int left, int top, int width, int height, const QString& text = {})
{
    return label(name, left, top, width, height, CardTemplate::kDefaultFace, CardTemplate::kDefaultPointSize, false,
                 text);
}

std::vector<CardElement> buildElements()
{
    std::vector<CardElement> elements;
    for (int row = 0; row <= CardTemplate::kLines; ++row) {
        for (const Column& column : kTableColumns) {
            const bool header = row == 0;
            elements.push_back({CardElement::TextBox, QString::fromLatin1(column.name), row, column.left,
                                header ? 960 : 1320 + (row - 1) * 330, column.width, header ? 360 : 330, kArial,
                                header ? 9.75 : 9, header, header ? QString::fromLatin1(column.header) : QString()});
        }
    }
    elements.push_back({CardElement::TextBox, QStringLiteral("Cal"), -1, 5250, 30, 2385, 555, kArial, 18, true, {}});
    elements.push_back(label("CallL", 105, 105, 1230, 375, kArial, 14.25, true));
    elements.push_back(
        label("Label1", 1365, 105, 3915, 375, kArial, 14.25, true, QStringLiteral("Confirming 2-way QSO with:")));
    elements.push_back(label("Label12", 210, 600, 675, 255, kArial, 12, true, QStringLiteral("Grid:")));
    elements.push_back(label("GridL", 900, 600, 1005, 255, kArial, 12, true));
    elements.push_back(label("GridL1", 1890, 630, 750, 225, kArial, 9.75, true));
    elements.push_back(label("Label9", 3390, 630, 2115, 255, kArial, 12, true, QStringLiteral(" via QSL manager:")));
    elements.push_back(label("Label10", 5520, 630, 2115, 255, kArial, 12, true));
    elements.push_back(label("Label6", 60, 2820, 8025, 255, kArial, 9.75, false));
    elements.push_back(plainLabel("Label11", 60, 3120, 8025, 225));
    elements.push_back(plainLabel("Label14", 60, 3390, 8025, 225));
    elements.push_back(plainLabel("Label15", 60, 3660, 8025, 225));
    elements.push_back(plainLabel("Label4", 3360, 4230, 735, 255));
    elements.push_back(plainLabel("Label3", 4110, 4230, 1905, 255, QStringLiteral(" tnx fer QSO Best 73 de")));
    elements.push_back(plainLabel("Label2", 650, 4560, 7185, 255, QStringLiteral("Remarks") + QString(71, u'_')));
    elements.push_back(label("Label7", 0, 4860, 7845, 195, kArial, 9.75, false));
    elements.push_back(label("Label8", 120, 5070, 7695, 195, QStringLiteral("Small Fonts"), 6, false));
    return elements;
}

} // namespace

const std::vector<CardElement>& CardTemplate::elements()
{
    static const std::vector<CardElement> elements = buildElements();
    return elements;
}

const std::array<CardPicture, 2>& CardTemplate::pictures()
{
    static const std::array<CardPicture, 2> pictures = {{
        {QStringLiteral("Picture1"), 5940, 3930, 1845, 735, QStringLiteral("Sign.bmp")},
        {QStringLiteral("Picture2"), 60, 3960, 525, 885, QStringLiteral("ClubSign.bmp")},
    }};
    return pictures;
}

int CardTemplate::find(const QString& name, int index)
{
    const auto& all = elements();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].index == index && all[i].name == name)
            return int(i);
    }
    return -1;
}

int CardTemplate::cell(int column, int row)
{
    return row * kColumns + column;
}

const std::array<QString, CardTemplate::kColumns>& CardTemplate::columnNames()
{
    static const std::array<QString, kColumns> names = [] {
        std::array<QString, kColumns> result;
        for (int i = 0; i < kColumns; ++i)
            result[std::size_t(i)] = QString::fromLatin1(kTableColumns[i].name);
        return result;
    }();
    return names;
}

QString CardTemplate::platformFace(const QString& face)
{
    if (face == QLatin1String("Arial"))
        return QStringLiteral("Liberation Sans");
    if (face == QLatin1String("Small Fonts"))
        return QStringLiteral("DejaVu Sans");
    return face;
}

CardFields::CardFields()
{
    for (const CardElement& element : CardTemplate::elements())
        m_texts.push_back(element.text);
}

void CardFields::clearCard()
{
    setText(QStringLiteral("Cal"), QString());
    for (int row = 1; row <= CardTemplate::kLines; ++row)
        for (int column = 0; column < CardTemplate::kColumns; ++column)
            setCell(column, row, QString());
}

} // namespace mivra::qsl
