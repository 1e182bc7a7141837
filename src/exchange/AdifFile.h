#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <utility>
#include <vector>

namespace mivra::adif {

// Takes the fields of a record one by one.
class AdifFieldSink {
public:
    virtual ~AdifFieldSink() = default;
    // One field; nothing for an empty value.
    virtual void add(const QString& name, const QString& value, char type) = 0;
    // A field as a record had it, any text.
    virtual void addExact(QStringView name, QStringView value, char type)
    {
        add(name.toString(), value.toString(), type);
    }
};

// Builds an .adi file, one record per line: ASCII, but for values written as a record had them.
class AdifWriter : public AdifFieldSink {
public:
    // The header: a line of text, then the fields, then <EOH>.
    void header(const QString& text, const std::vector<std::pair<QString, QString>>& fields);
    // One field of the current record; nothing for an empty value. The value must be ASCII.
    void add(const QString& name, const QString& value, char type) override;
    void add(const QString& name, const QString& value) { add(name, value, 0); }
    // A field as a record had it: any text, written as UTF-8 with its length in bytes.
    void addExact(QStringView name, QStringView value, char type) override;
    void endRecord();
    const QByteArray& bytes() const { return m_bytes; }
    // The bytes written so far; the writer goes on from empty.
    QByteArray take() { return std::exchange(m_bytes, QByteArray()); }

private:
    void write(QStringView name, QStringView value, char type);
    QByteArray m_bytes;
};

// The fields of a record in the order of the file, a name at most once. A record has a few
// dozen at most: looked up one by one, they cost less than hashing every name.
class AdifFieldList {
public:
    struct Field {
        QString name;
        QString text;
        char type = 0; // the data-type indicator, 0 when the tag had none
    };
    template <typename Name> QString value(const Name& name) const
    {
        const Field* field = find(name);
        return field ? field->text : QString();
    }
    template <typename Name> bool contains(const Name& name) const { return find(name) != nullptr; }
    // A name given again replaces its value.
    void insert(const QString& name, QString text, char type = 0)
    {
        for (Field& field : m_fields) {
            if (sameName(field.name, name)) {
                field.text = std::move(text);
                field.type = type;
                return;
            }
        }
        m_fields.push_back({name, std::move(text), type});
    }
    template <typename Name> const Field* field(const Name& name) const { return find(name); }
    qsizetype size() const { return qsizetype(m_fields.size()); }
    bool isEmpty() const { return m_fields.empty(); }
    void clear() { m_fields.clear(); }
    std::vector<Field>::const_iterator begin() const { return m_fields.begin(); }
    std::vector<Field>::const_iterator end() const { return m_fields.end(); }

private:
    template <typename Name> const Field* find(const Name& name) const
    {
        for (const Field& field : m_fields) {
            if (field.name == name)
                return &field;
        }
        return nullptr;
    }
    const Field* find(const QString& name) const
    {
        for (const Field& field : m_fields) {
            if (sameName(field.name, name))
                return &field;
        }
        return nullptr;
    }
    // The reader gives one shared text for each name; names of the same length are compared by
    // their first letter before the rest.
    static bool sameName(const QString& a, const QString& b)
    {
        return a.size() == b.size()
               && (a.constData() == b.constData() || a.isEmpty() || (a.at(0) == b.at(0) && a == b));
    }
    std::vector<Field> m_fields;
};

// One record of a file: field names in upper case, values as text, and where it began.
struct AdifRecord {
    int number = 0;    // 1 for the first record of the file
    qint64 offset = 0; // byte offset of its first field
    bool cut = false;  // the file ends inside it (in a tag or a value)
    AdifFieldList fields;

    QString value(const char* name) const { return fields.value(QLatin1String(name)); }
    QString value(const QString& name) const { return fields.value(name); }
};

// Reads .adi files as loggers write them, one record at a time and in one pass over the bytes:
// ADIF 2 and 3, field names and <EOH>/<EOR> in any case, with or without a header (its end is
// found by reading tags with their lengths, so "<EOH>" inside a value is text), data lengths in
// bytes (or in characters where a writer counted UTF-8 text so), values in UTF-8 or, failing
// that, Windows-1252/Latin-1. A last record without <EOR> is kept when it holds fields (marked
// cut when the file ends inside one of them); a length that overruns its record stops at the
// record's <EOR>, whatever it says, and so does one longer than kMaxValueBytes.
//
// The bytes come whole, or as a window on the file that moves on (setWindow): then next() stops
// where the window ends before the file does, asks for more (needsBytes()) and reads the record
// again from its start once it has them, with the same result as over the whole file.
class AdifReader {
public:
    // No value is longer: a length beyond it is taken for a broken one.
    static constexpr qsizetype kMaxValueBytes = 1 << 20;

    // The whole file. bytesAreUtf8: the whole file is valid UTF-8 (see isValidUtf8).
    AdifReader(QByteArrayView bytes, bool bytesAreUtf8);
    // A file of fileSize bytes, read through windows.
    AdifReader(qint64 fileSize, bool bytesAreUtf8);

    // The file's bytes from offset on. The window starts at or before restartOffset() and holds
    // at least the bytes of the last window from there.
    void setWindow(QByteArrayView bytes, qint64 offset);

    // The next record; false at the end of the bytes, or when needsBytes().
    bool next(AdifRecord* record);
    // The last next() reached the end of the window before the end of the file.
    bool needsBytes() const { return m_needsBytes; }
    // Where the next record is read from: the bytes before it are no longer needed.
    qint64 restartOffset() const { return m_offset + m_restart; }
    // Bytes read so far.
    qint64 position() const { return m_offset + m_position; }

private:
    static constexpr qsizetype kNotInWindow = -3;

    bool windowEndsFile() const { return m_offset + m_bytes.size() >= m_fileSize; }
    qsizetype recordEndAfter(qsizetype position);
    qsizetype utf8Bytes(qsizetype position, qsizetype count, qsizetype limit) const;
    // 1 when a tag (or the file's end) follows position after spaces, 0 when text does, -1 when
    // the window ends first.
    int tagOrEndAt(qsizetype position) const;
    // The field name a tag's name bytes stand for, trimmed and upper case. A file names the same
    // few fields in every record, mostly in the same order: each is made once and shared.
    QString fieldName(QByteArrayView tagName);

    QByteArrayView m_bytes;
    qint64 m_offset = 0; // of m_bytes in the file
    qint64 m_fileSize = 0;
    bool m_utf8 = false;
    qsizetype m_position = 0;
    qsizetype m_restart = 0;    // where the record being read began, or the bytes before a tag
    qsizetype m_recordEnd = -2; // the next "<eor>" at or after m_position; -1: none; -2: not looked for
    bool m_needsBytes = false;
    int m_records = 0; // records given so far
    bool m_headerPossible = true;
    std::vector<std::pair<QByteArray, QString>> m_names; // tag name bytes, field name
    std::size_t m_nextName = 0;                          // where the next name is looked for first
};

bool isValidUtf8(QByteArrayView bytes);

// Every record of a document.
std::vector<AdifRecord> readAdif(const QByteArray& bytes);

} // namespace mivra::adif
