#include "CardOutput.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

bool CardOutput::syncPrinted(QString*)
{
    return true;
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
    const auto cannotWrite = [&](const QString& reason) {
        *error = QStringLiteral("%1 cannot be written: %2").arg(QDir::toNativeSeparators(path), reason);
        return false;
    };
    // A hidden name of its own, made with the permissions a new file gets (cards are to be shared).
    QFile file;
    for (int attempt = 0; attempt < 100 && !file.isOpen(); ++attempt) {
        file.setFileName(QDir(m_folder).filePath(QStringLiteral(".%1.%2").arg(
            QFileInfo(path).fileName(), QString::number(QRandomGenerator::global()->generate(), 36))));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !file.exists())
            return cannotWrite(file.errorString());
    }
    if (!file.isOpen())
        return cannotWrite(file.errorString());
    const auto removeFile = qScopeGuard([&file] {
        if (file.isOpen()) {
            file.close();
            file.remove();
        }
    });
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(cardPage());
        writer.setResolution(kPdfResolution);
        writer.setTitle(QStringLiteral("QSL ") + callsign);
        writer.setCreator(QStringLiteral("Mivra"));
        QPainter painter;
        if (!painter.begin(&writer)) {
            *error = QStringLiteral("%1 cannot be written.").arg(QDir::toNativeSeparators(path));
            return false;
        }
        scaleToTwips(painter, writer.resolution());
        paintCard(painter, card, images, pageTwips());
        painter.end();
    }
    // Whole in the file system, then given its name; on disk with the cards after it (syncPrinted).
    errno = 0;
    const qint64 written = file.pos();
    if (file.error() != QFileDevice::NoError || !file.flush())
        return cannotWrite(errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : file.errorString());
    struct stat info { };
    if (::fstat(file.handle(), &info) != 0 || info.st_size != written)
        return cannotWrite(QStringLiteral("only part of it reached the file system"));
    ::sync_file_range(file.handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
    if (::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return cannotWrite(QString::fromLocal8Bit(std::strerror(errno)));
    file.close();
    m_unsynced << path;
    return true;
}

bool PdfFolderCardOutput::syncPrinted(QString* error)
{
    for (const QString& path : std::exchange(m_unsynced, {})) {
        const int handle = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (handle < 0 || ::fdatasync(handle) != 0) {
            *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                                  QString::fromLocal8Bit(std::strerror(errno)));
            if (handle >= 0)
                ::close(handle);
            return false;
        }
        ::close(handle);
    }
    const int folder = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
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
