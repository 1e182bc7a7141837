#pragma once

#include "CardOutput.h"

#include <QStringList>

#include <optional>

namespace mivra::qsl {

// The bitmap name from the first folder that holds it; a null image when it cannot be read.
QImage readBitmap(const QStringList& folders, const QString& name);

// Reads the card's two bitmaps from the first folder that holds each; *missing gets the names
// of those that could not be read.
CardImages loadCardImages(const QStringList& folders, QStringList* missing);

// What the operator is told about bitmaps that could not be read.
QString missingBitmapsMessage(const QStringList& names);

// Prints cards as the QSL window shows them, one page each.
class CardPrinter {
public:
    // Bitmaps are looked for in the folders in this order.
    CardPrinter(CardOutput& output, QStringList bitmapFolders);

    // printCard: the card with its bitmaps as one page (a bitmap that cannot be read is left
    // off); then an empty greeting becomes "PSE QSL", for the window and later cards. The wait
    // cursor shows meanwhile and is restored in any case. False with *error when the card did
    // not come out.
    bool printCard(CardFields& card, QString* error);

    // Bitmaps that could not be read, each named once.
    QStringList missingBitmaps() const { return m_missing; }
    int printedCards() const { return m_printed; }
    CardOutput& output() const { return m_output; }

private:
    CardOutput& m_output;
    QStringList m_folders;
    // Read at the first card and kept for the cards after it.
    std::optional<CardImages> m_images;
    QStringList m_missing;
    int m_printed = 0;
};

} // namespace mivra::qsl
