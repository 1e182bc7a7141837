#pragma once

#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QString>

class QWidget;

namespace mivra {

// A file to open or save, chosen in Qt's own dialog with the icons below.
QString chooseFile(QWidget* parent, const QString& caption, const QString& path, const QString& filter, bool save);

// Names and marks files by their ending only, never opening one to look inside: closing a handle
// of the log would drop every lock this process holds on it, and another program could then write
// under an open transaction or delete the write-ahead log.
class EndingIconProvider : public QFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;

private:
    QMimeType mimeOf(const QFileInfo& info) const;

    QMimeDatabase m_types;
};

} // namespace mivra
