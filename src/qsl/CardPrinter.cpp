#include "CardPrinter.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>

namespace mivra::qsl {

namespace {

// The wait cursor for the lifetime of the object, where there is a screen to show it.
class WaitCursor {
public:
    WaitCursor()
        : m_shown(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (m_shown)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~WaitCursor()
    {
        if (m_shown)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_shown;
};

} // namespace

QImage readBitmap(const QStringList& folders, const QString& name)
{
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(name);
        if (!QFileInfo::exists(path))
            continue;
        QImageReader reader(path);
        return reader.read(); // a file that is there but unreadable is not replaced by another copy
    }
    return {};
}

CardImages loadCardImages(const QStringList& folders, QStringList* missing)
{
    const auto& pictures = CardTemplate::pictures();
    CardImages images{readBitmap(folders, pictures[0].fileName), readBitmap(folders, pictures[1].fileName)};
    if (images.sign.isNull())
        missing->append(pictures[0].fileName);
    if (images.clubSign.isNull())
        missing->append(pictures[1].fileName);
    return images;
}

QString missingBitmapsMessage(const QStringList& names)
{
    return QStringLiteral("%1 cannot be read; the cards are printed without %2.")
        .arg(names.join(QStringLiteral(" and ")), names.size() == 1 ? QStringLiteral("it") : QStringLiteral("them"));
}

CardPrinter::CardPrinter(CardOutput& output, QStringList bitmapFolders)
    : m_output(output)
    , m_folders(std::move(bitmapFolders))
{
}

bool CardPrinter::printCard(CardFields& card, QString* error)
{
    const WaitCursor wait;
    if (!m_images)
        m_images = loadCardImages(m_folders, &m_missing);
    const bool printed = m_output.printCard(card, *m_images, card.text(QStringLiteral("Cal")), error);
    const int greeting = CardTemplate::find(QStringLiteral("Label4"));
    if (card.text(greeting).isEmpty())
        card.setText(greeting, QStringLiteral("PSE QSL"));
    if (printed)
        ++m_printed;
    return printed;
}

} // namespace mivra::qsl
