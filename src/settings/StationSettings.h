#pragma once

#include <QString>
#include <QVariant>

#include <array>

namespace mivra {

// The station's settings table: 101 loosely typed slots. A slot is empty (an invalid
// QVariant), a text (QString) or a whole number (qint64). Only slots 0 to 12 have a
// meaning and go to the settings file; the others only take surplus lines of a longer file.
class StationSettings {
public:
    enum Slot : int {
        OwnCallsign = 0,
        OwnLocator = 1,
        SearchSelector = 2,
        Reserved3 = 3,
        BandIndex = 4,
        QslInfoLine = 5,
        QslLine2 = 6,
        QslLine3 = 7,
        QslLine4 = 8,
        QslAddressLine = 9,
        QslFooterLine = 10,
        MapOpacity = 11,
        MapLines = 12,
    };

    static constexpr int kSlotCount = 101;
    static constexpr int kFileSlotCount = 13;

    // An empty QVariant for a slot number outside 0..100.
    QVariant value(int slot) const;
    // Numbers of any integral type are kept as qint64, texts as QString; anything else as
    // its text. Slot numbers outside 0..100 are ignored.
    void setValue(int slot, const QVariant& value);
    void clear(int slot) { setValue(slot, QVariant()); }

    // Stores a text after storableText(), the way the windows store a box.
    void setText(int slot, const QString& text);
    void setNumber(int slot, qint64 number) { setValue(slot, number); }

    bool isEmpty(int slot) const { return !value(slot).isValid(); }
    bool isNumber(int slot) const;
    // The slot as text: a number in decimal digits, an empty slot as the empty text.
    QString text(int slot) const;
    // The slot's numeric value, rounded to a whole number: a number as it is, a text by its
    // leading decimal number ("128", " 12.6 dB" -> 13); an empty slot or a text without a
    // leading number counts as 0.
    qint64 numericValue(int slot) const;

    // Slots 0 to 12 as a newly created settings file holds them.
    void setCreationDefaults();
    // Gives each empty slot of 0 to 12 its default when absent.
    void fillAbsentDefaults();
    static QVariant creationDefault(int slot);
    static QVariant absentDefault(int slot);

    // The settings file is line based and has no escapes: a double quote becomes an
    // apostrophe, and each line break (CR LF, CR or LF) becomes one space.
    static QString storableText(const QString& text);

    friend bool operator==(const StationSettings& a, const StationSettings& b) { return a.m_slots == b.m_slots; }

private:
    std::array<QVariant, kSlotCount> m_slots;
};

} // namespace mivra
