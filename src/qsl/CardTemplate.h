#pragma once

#include <QString>

#include <array>
#include <vector>

namespace mivra::qsl {

// The QSL card as data: every label and text box with its place in twips, its font and its
// design text. The QSL window and the printed page are both made from it.
struct CardElement {
    enum Kind { Label, TextBox };
    Kind kind;
    QString name; // "CallL", "datem", ...
    int index;    // row of a contact-table cell (0 is the header), -1 for a single element
    int left, top, width, height;
    QString fontFace;
    double pointSize;
    bool bold;    // on screen only; the page is printed in regular weight
    QString text; // design text
};

// A picture box: where the window shows the bitmap, which file it is and how it is placed on the page.
struct CardPicture {
    QString name;
    int left, top, width, height;
    QString fileName;
};

class CardTemplate {
public:
    // The contact table: seven columns, header row 0 and contact lines 1 to 4.
    static constexpr int kColumns = 7;
    static constexpr int kLines = 4;
    static constexpr int kClientWidth = 8115;
    static constexpr int kClientHeight = 5385;
    // The window's default font, for elements without a face of their own.
    static const QString kDefaultFace;
    static constexpr double kDefaultPointSize = 8;

    // Labels and text boxes in the window's own order: the contact table, Cal, then the labels.
    static const std::vector<CardElement>& elements();
    static const std::array<CardPicture, 2>& pictures(); // Picture1 (signature), Picture2 (club emblem)

    // Position of an element in elements(); -1 when there is none.
    static int find(const QString& name, int index = -1);
    // The contact-table cell of column (0 to 6) and row (0 to 4).
    static int cell(int column, int row);
    static const std::array<QString, kColumns>& columnNames();

    // Faces of the template as this platform provides them (same metrics).
    static QString platformFace(const QString& face);
};

// The texts the card shows now, one per element of CardTemplate::elements().
class CardFields {
public:
    CardFields(); // the design texts

    QString text(int element) const { return m_texts.at(std::size_t(element)); }
    void setText(int element, const QString& text) { m_texts.at(std::size_t(element)) = text; }
    QString text(const QString& name, int index = -1) const { return text(CardTemplate::find(name, index)); }
    void setText(const QString& name, const QString& text) { setText(CardTemplate::find(name), text); }
    QString cell(int column, int row) const { return text(CardTemplate::cell(column, row)); }
    void setCell(int column, int row, const QString& text) { setText(CardTemplate::cell(column, row), text); }

    // clearCard: Cal and the 28 cells of lines 1 to 4 become empty; headers and labels stay.
    void clearCard();

    friend bool operator==(const CardFields&, const CardFields&) = default;

private:
    std::vector<QString> m_texts;
};

} // namespace mivra::qsl
