#include "FileChooser.h"

#include <QFileDialog>

namespace mivra {

QIcon EndingIconProvider::icon(const QFileInfo& info) const
{
    if (info.isDir())
        return QFileIconProvider::icon(QFileIconProvider::Folder);
    const QMimeType type = mimeOf(info);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(), QFileIconProvider::icon(File)));
}

QString EndingIconProvider::type(const QFileInfo& info) const
{
    return info.isDir() ? QFileIconProvider::type(info) : mimeOf(info).comment();
}

QMimeType EndingIconProvider::mimeOf(const QFileInfo& info) const
{
    return m_types.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
}

QString chooseFile(QWidget* parent, const QString& caption, const QString& path, const QString& filter, bool save)
{
    EndingIconProvider icons;
    QFileDialog dialog(parent, caption, path, filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace mivra
