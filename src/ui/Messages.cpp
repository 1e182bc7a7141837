#include "Messages.h"

#include <QMessageBox>

namespace mivra {

void BoxMessages::inform(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Mivra"), text, QMessageBox::Ok, parent);
    box.exec();
}

bool BoxMessages::ask(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Question, QString(), text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

} // namespace mivra
