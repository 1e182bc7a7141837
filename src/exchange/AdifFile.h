#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <utility>
#include <vector>

namespace mivra::adif {

// Builds an .adi file: ASCII only, one record per line.
class AdifWriter {
public:
    // The header: a line of text, then the fields, then <EOH>.
    void header(const QString& text, const std::vector<std::pair<QString, QString>>& fields);
    // One field of the current record; nothing for an empty value. The value must be ASCII.
    void field(const QString& name, const QString& value, char type = 0);
    void endRecord();
    const QByteArray& bytes() const { return m_bytes; }
    // The bytes written so far; the writer goes on from empty.
    QByteArray take() { return std::exchange(m_bytes, QByteArray()); }

private:
    void write(const QString& name, const QString& value, char type);
    QByteArray m_bytes;
};

// One record of a file: field names in upper case, values as text, and where it began.
struct AdifRecord {
    int number = 0;  // 1 for the first record of the file
    qint64 offset = 0; // byte offset of its first field
    bool cut = false;  // the file ends inside it (in a tag or a value)
    QHash<QString, QString> fields;

    QString value(const char* name) const { return fields.value(QLatin1String(name)); }
};

// Reads .adi files as loggers write them, one record at a time and in one pass over the bytes:
// ADIF 2 and 3, field names and <EOH>/<EOR> in any case, with or without a header (its end is
// found by reading tags with their lengths, so "<EOH>" inside a value is text), data lengths in
// bytes (or in characters where a writer counted UTF-8 text so), values in UTF-8 or, failing
// that, Windows-1252/Latin-1. A last record without <EOR> is kept when it holds fields (marked
// cut when the file ends inside one of them); a length that overruns its record stops at the
// record's <EOR>, whatever it says.
class AdifReader {
public:
    // bytesAreUtf8: the whole file is valid UTF-8 (see isValidUtf8).
    AdifReader(QByteArrayView bytes, bool bytesAreUtf8);

    // The next record; false at the end of the bytes.
    bool next(AdifRecord* record);
    // Bytes read so far.
    qint64 position() const { return m_position; }

private:
    qsizetype recordEndAfter(qsizetype position);
    qsizetype utf8Bytes(qsizetype position, qsizetype count, qsizetype limit) const;
    bool atTagOrEnd(qsizetype position) const;

    QByteArrayView m_bytes;
    bool m_utf8 = false;
    qsizetype m_position = 0;
    qsizetype m_recordEnd = -2; // the next "<eor>" at or after m_position; -1: none; -2: not looked for
    int m_records = 0;          // records given so far
    bool m_headerPossible = true;
};

bool isValidUtf8(QByteArrayView bytes);

// Every record of a document.
std::vector<AdifRecord> readAdif(const QByteArray& bytes);

} // namespace mivra::adif
