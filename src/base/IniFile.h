#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>

#include <utility>

namespace mivra {

// Values of one section of an INI file, by key, in the order they are written.
using IniValues = QList<std::pair<QString, QString>>;

// An INI file (mivra.ini) as QSettings reads it, section by section. It is read only when it is a
// regular file of a sane size, and written whole or not at all: QSettings itself would wait on a
// FIFO, and report a write that a full disk cut short as done.
class IniFile {
public:
    explicit IniFile(QString path);

    // The values of a section by key; a missing file holds none. False, with *error naming the
    // file, when it cannot be read (not a regular file, too large).
    bool readSection(const QString& section, QVariantMap* values, QString* error) const;

    // Replaces a section with these values (empty: removes it), keeping every other line of the
    // file. False, with *error naming the file and the file as it was, when it cannot be written.
    bool writeSection(const QString& section, const IniValues& values, QString* error) const;

    // A value as QSettings reads it back whole: as it is where that is plain, else in quotes with
    // its escapes.
    static QString writtenValue(const QString& value);

private:
    bool readBytes(QByteArray* bytes, QString* error) const;

    QString m_path;
};

} // namespace mivra
