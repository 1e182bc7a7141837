#include "Messages.h"

#include <QMessageBox>

#include <cstdio>

namespace mivra {

void BoxMessages::inform(QWidget* parent, const QString& text)
{
    if (m_toStandardError) {
        std::fprintf(stderr, "mivra: %s\n", qPrintable(text));
        ++m_written;
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Mivra"), text, QMessageBox::Ok, parent);
    // Messages name files and folders: their text can be selected and copied.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

bool BoxMessages::ask(QWidget* parent, const QString& text)
{
    if (m_toStandardError)
        return false;
    QMessageBox box(QMessageBox::Question, QString(), text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

} // namespace mivra
