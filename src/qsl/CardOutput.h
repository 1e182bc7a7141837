#pragma once

#include "CardPage.h"
#include "WriteTarget.h"

#include <QPrinterInfo>
#include <QString>

#include <memory>

namespace mivra::qsl {

// Where printed cards go: one page and one job (or file) per card.
class CardOutput {
public:
    virtual ~CardOutput() = default;
    // Prints one card. False, with the reason in *error, when it did not come out.
    virtual bool printCard(const CardFields& card, const CardImages& images, const QString& callsign, QString* error)
        = 0;
    // What the operator is told after cards went out; empty when there is nothing to tell.
    virtual QString doneMessage(int cards) const;
    // Puts the cards printed so far on disk where they are files; false with the reason in
    // *error when that failed.
    virtual bool syncPrinted(QString* error);
};

// A system printer: each card is a print job of its own.
class PrinterCardOutput : public CardOutput {
public:
    explicit PrinterCardOutput(QPrinterInfo printer);
    bool printCard(const CardFields& card, const CardImages& images, const QString& callsign, QString* error) override;

private:
    QPrinterInfo m_printer;
};

// One PDF file per card in a folder, the page as large as the card. File names sort in print order, also after
// earlier runs, and show the callsign: "000001-DL1ABC.pdf". A file is complete or not there: it is
// written under a hidden name and renamed; syncPrinted puts the files written since on disk, with
// one journal commit of the file system for all of them rather than one per card.
class PdfFolderCardOutput : public CardOutput {
public:
    explicit PdfFolderCardOutput(QString folder, WriteTarget target = {});
    bool printCard(const CardFields& card, const CardImages& images, const QString& callsign, QString* error) override;
    QString doneMessage(int cards) const override;
    bool syncPrinted(QString* error) override;

    QString folder() const { return m_folder; }
    // The page as written, the whole sheet, in twips: the card's 8115 by 5385.
    static QSizeF pageTwips();

private:
    int nextNumber();

    QString m_folder;
    WriteTarget m_target;
    int m_next = 0; // 0 until the folder was looked at
    QStringList m_unsynced;
};

// The folder below the data folder that takes the card files when there is no printer.
QString cardFolder(const QString& dataFolder);

// The system's default printer; when there is none, PDF files in cardFolder(dataFolder).
// Card files never replace a file that target guards.
std::unique_ptr<CardOutput> makeCardOutput(const QString& dataFolder, const WriteTarget& target = {});

} // namespace mivra::qsl
