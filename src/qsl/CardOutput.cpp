#include "CardOutput.h"
#include "WholeFile.h"

#include <QDir>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>
#include <QSaveFile>

namespace mivra::qsl {

namespace {

constexpr int kPdfResolution = 1440; // one device pixel per twip
constexpr double kTwipsPerPoint = 20;

// A page of the card's own size, so that the bitmaps land where the window shows them.
QPageLayout cardPage()
{
    const QSizeF points(CardTemplate::kClientWidth / kTwipsPerPoint, CardTemplate::kClientHeight / kTwipsPerPoint);
    return QPageLayout(QPageSize(points, QPageSize::Point, QStringLiteral("QSL card"), QPageSize::ExactMatch),
                       QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

// A callsign as part of a file name: letters, digits and "-" ("DL1ABC/P" gives "DL1ABC-P").
QString fileNamePart(const QString& callsign)
{
    QString part = callsign.trimmed();
    part.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
    part.remove(QRegularExpression(QStringLiteral("^-+|-+$")));
    return part.isEmpty() ? QStringLiteral("card") : part.left(40);
}

} // namespace

QString CardOutput::doneMessage(int) const
{
    return {};
}

PrinterCardOutput::PrinterCardOutput(QPrinterInfo printer)
    : m_printer(std::move(printer))
{
}

bool PrinterCardOutput::printCard(const CardFields& card, const CardImages& images, const QString& callsign,
                                  QString* error)
{
    QPrinter printer(m_printer, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("QSL ") + callsign);
    QPainter painter;
    if (!painter.begin(&printer)) {
        *error = QStringLiteral("The printer %1 cannot be used.").arg(m_printer.printerName());
        return false;
    }
    scaleToTwips(painter, printer.resolution());
    // The drawing origin is the corner of the printable area; W and H are its size.
    paintCard(painter, card, images, printer.pageRect(QPrinter::Point).size() * kTwipsPerPoint);
    if (!painter.end() || printer.printerState() == QPrinter::Error) {
        *error = QStringLiteral("The printer %1 did not take the card.").arg(m_printer.printerName());
        return false;
    }
    return true;
}

PdfFolderCardOutput::PdfFolderCardOutput(QString folder, WriteTarget target)
    : m_folder(std::move(folder))
    , m_target(std::move(target))
{
}

QSizeF PdfFolderCardOutput::pageTwips()
{
    return cardPage().fullRectPoints().size() * kTwipsPerPoint;
}

int PdfFolderCardOutput::nextNumber()
{
    if (m_next == 0) {
        m_next = 1;
        static const QRegularExpression numbered(QStringLiteral("^(\\d{6})-.*\\.pdf$"));
        for (const QString& name : QDir(m_folder).entryList({QStringLiteral("*.pdf")}, QDir::Files)) {
            const QRegularExpressionMatch match = numbered.match(name);
            if (match.hasMatch())
                m_next = std::max(m_next, match.captured(1).toInt() + 1);
        }
    }
    return m_next++;
}

bool PdfFolderCardOutput::printCard(const CardFields& card, const CardImages& images, const QString& callsign,
                                    QString* error)
{
    if (!QDir().mkpath(m_folder)) {
        *error = QStringLiteral("The folder %1 cannot be created.").arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    const QString path = QDir(m_folder).filePath(
        QStringLiteral("%1-%2.pdf").arg(nextNumber(), 6, 10, QLatin1Char('0')).arg(fileNamePart(callsign)));
    if (!m_target.allows(path, error))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(cardPage());
        writer.setResolution(kPdfResolution);
        writer.setTitle(QStringLiteral("QSL ") + callsign);
        writer.setCreator(QStringLiteral("Mivra"));
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            *error = QStringLiteral("%1 cannot be written.").arg(QDir::toNativeSeparators(path));
            return false;
        }
        scaleToTwips(painter, writer.resolution());
        paintCard(painter, card, images, pageTwips());
        painter.end();
    }
    QString reason;
    if (!commitSaveFile(file, &reason)) {
        *error = QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(path), reason);
        return false;
    }
    return true;
}

QString PdfFolderCardOutput::doneMessage(int cards) const
{
    const QString count = cards == 1 ? QStringLiteral("1 QSL card was written as a PDF file")
                                     : QStringLiteral("%1 QSL cards were written as PDF files").arg(cards);
    return QStringLiteral("No printer is set up: %1 to %2").arg(count, QDir::toNativeSeparators(m_folder));
}

QString cardFolder(const QString& dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("qsl-cards"));
}

std::unique_ptr<CardOutput> makeCardOutput(const QString& dataFolder, const WriteTarget& target)
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        return std::make_unique<PdfFolderCardOutput>(cardFolder(dataFolder), target);
    return std::make_unique<PrinterCardOutput>(printer);
}

} // namespace mivra::qsl
