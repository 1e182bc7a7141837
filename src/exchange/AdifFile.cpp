#include "AdifFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace mivra::adif {

void AdifWriter::header(const QString& text, const std::vector<std::pair<QString, QString>>& fields)
{
    m_bytes += text.toLatin1();
    m_bytes += '\n';
    for (const auto& [name, value] : fields) {
        write(name, value, 0);
        m_bytes += '\n';
    }
    m_bytes += "<EOH>\n";
}

void AdifWriter::add(const QString& name, const QString& value, char type)
{
    if (!value.isEmpty())
        write(name, value, type);
}

void AdifWriter::addExact(QStringView name, QStringView value, char type)
{
    if (value.isEmpty())
        return;
    if (std::all_of(value.cbegin(), value.cend(), [](QChar c) { return c.unicode() < 0x80; })) {
        write(name, value, type);
        return;
    }
    const QByteArray utf8 = value.toUtf8();
    m_bytes += '<';
    m_bytes += name.toLatin1();
    m_bytes += ':';
    m_bytes += QByteArray::number(utf8.size());
    if (type) {
        m_bytes += ':';
        m_bytes += type;
    }
    m_bytes += '>';
    m_bytes += utf8;
    m_bytes += ' ';
}

void AdifWriter::write(QStringView name, QStringView value, char type)
{
    // Names and values are ASCII here: copied character by character into room made once.
    char digits[20];
    int digitCount = 0;
    for (qsizetype length = value.size(); digitCount == 0 || length > 0; length /= 10)
        digits[digitCount++] = char('0' + length % 10);
    const qsizetype start = m_bytes.size();
    m_bytes.resize(start + name.size() + value.size() + digitCount + (type ? 2 : 0) + 4);
    char* out = m_bytes.data() + start;
    const auto copy = [&out](QStringView text) {
        for (const QChar c : text)
            *out++ = char(c.unicode() < 256 ? c.unicode() : '?');
    };
    *out++ = '<';
    copy(name);
    *out++ = ':';
    while (digitCount > 0)
        *out++ = digits[--digitCount];
    if (type) {
        *out++ = ':';
        *out++ = type;
    }
    *out++ = '>';
    copy(value);
    *out++ = ' ';
}

void AdifWriter::endRecord()
{
    if (m_bytes.endsWith(' '))
        m_bytes.chop(1);
    m_bytes += "<EOR>\n";
}

namespace {

QString decodeValue(QByteArrayView bytes, bool fileIsUtf8)
{
    if (fileIsUtf8)
        return QString::fromUtf8(bytes);
    // Windows-1252 where it differs from Latin-1 only in 0x80-0x9F, which logs rarely hold.
    return QString::fromLatin1(bytes);
}

bool isSpace(char c)
{
    return c == ' ' || c == '\r' || c == '\n' || c == '\t';
}

bool isEorAt(QByteArrayView bytes, qsizetype at)
{
    return at + 5 <= bytes.size() && bytes[at] == '<' && (bytes[at + 1] | 0x20) == 'e' && (bytes[at + 2] | 0x20) == 'o'
           && (bytes[at + 3] | 0x20) == 'r' && bytes[at + 4] == '>';
}

qsizetype indexOf(QByteArrayView bytes, char c, qsizetype from)
{
    if (from >= bytes.size())
        return -1;
    const void* found = std::memchr(bytes.data() + from, c, std::size_t(bytes.size() - from));
    return found ? static_cast<const char*>(found) - bytes.data() : -1;
}

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        char32_t code = 0;
        char32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            more = 1, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2, code = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3, code = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (p[i] & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        p += more + 1;
    }
    return true;
}

AdifReader::AdifReader(QByteArrayView bytes, bool bytesAreUtf8)
    : m_bytes(bytes)
    , m_fileSize(bytes.size())
    , m_utf8(bytesAreUtf8)
{
}

AdifReader::AdifReader(qint64 fileSize, bool bytesAreUtf8)
    : m_fileSize(fileSize)
    , m_utf8(bytesAreUtf8)
{
}

void AdifReader::setWindow(QByteArrayView bytes, qint64 offset)
{
    const auto moved = qsizetype(offset - m_offset);
    m_bytes = bytes;
    m_offset = offset;
    m_position -= moved;
    m_restart -= moved;
    if (m_recordEnd >= 0) {
        m_recordEnd -= moved;
        if (m_recordEnd < 0)
            m_recordEnd = -2;
    }
}

qsizetype AdifReader::recordEndAfter(qsizetype position)
{
    // Looked for again only once the reading has passed it, so each byte is looked at once.
    if (m_recordEnd == -1 || (m_recordEnd >= position))
        return m_recordEnd;
    qsizetype at = std::max(position, m_recordEnd == -2 ? position : m_recordEnd + 1);
    for (;;) {
        at = indexOf(m_bytes, '<', at);
        if (at < 0 || isEorAt(m_bytes, at))
            break;
        ++at;
    }
    // Not in this window: looked for again in the next one.
    if (at < 0 && !windowEndsFile())
        return kNotInWindow;
    m_recordEnd = at;
    return m_recordEnd;
}

QString AdifReader::fieldName(QByteArrayView tagName)
{
    for (std::size_t tried = 0; tried < m_names.size(); ++tried) {
        const std::size_t at = (m_nextName + tried) % m_names.size();
        if (m_names[at].first == tagName) {
            m_nextName = at + 1;
            return m_names[at].second;
        }
    }
    QString name = QString::fromLatin1(tagName).trimmed().toUpper();
    // Only so many, and only short ones: a file of made-up names must not grow the list without end.
    if (m_names.size() < 256 && tagName.size() <= 64) {
        m_names.emplace_back(tagName.toByteArray(), name);
        m_nextName = m_names.size();
    }
    return name;
}

int AdifReader::tagOrEndAt(qsizetype position) const
{
    while (position < m_bytes.size() && isSpace(m_bytes[position]))
        ++position;
    if (position < m_bytes.size())
        return m_bytes[position] == '<' ? 1 : 0;
    return windowEndsFile() ? 1 : -1;
}

qsizetype AdifReader::utf8Bytes(qsizetype position, qsizetype count, qsizetype limit) const
{
    qsizetype p = position;
    for (qsizetype i = 0; i < count; ++i) {
        if (p >= limit)
            return -1;
        const auto lead = static_cast<unsigned char>(m_bytes[p]);
        p += lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    }
    return p - position;
}

bool AdifReader::next(AdifRecord* out)
{
    // Filled in place: the room its fields took in the last record is used again.
    AdifRecord& record = *out;
    record.fields.clear();
    record.cut = false;
    record.number = m_records + 1;
    record.offset = -1;
    m_needsBytes = false;
    m_restart = m_position;
    const qsizetype size = m_bytes.size();
    const bool wholeFile = windowEndsFile();
    // The window ends before the record does: read again from where it began, with more bytes.
    const auto needBytes = [&] {
        m_needsBytes = true;
        m_position = m_restart;
        record.fields.clear();
        return false;
    };
    bool ended = false; // by its <EOR>
    while (m_position < size) {
        if (record.fields.isEmpty())
            m_restart = m_position;
        const qsizetype open = indexOf(m_bytes, '<', m_position);
        if (open < 0) {
            m_position = size;
            if (!wholeFile && record.fields.isEmpty())
                m_restart = size; // text between records, never read again
            break;
        }
        // A tag ends at '>'; a '<' before it means the first one was text.
        qsizetype close = open + 1;
        while (close < size && m_bytes[close] != '>' && m_bytes[close] != '<')
            ++close;
        if (close >= size) {
            if (!wholeFile)
                return needBytes();
            record.cut = !record.fields.isEmpty();
            m_position = size;
            break;
        }
        if (m_bytes[close] == '<') {
            m_position = close;
            continue;
        }
        const QByteArrayView tag = m_bytes.sliced(open + 1, close - open - 1);
        const qsizetype colon = tag.indexOf(':');
        const QString name = fieldName(colon < 0 ? tag : tag.first(colon));
        m_position = close + 1;
        if (name == u"EOR"_qs) {
            m_headerPossible = false;
            if (!record.fields.isEmpty()) {
                ended = true;
                break;
            }
            m_restart = m_position; // never read again, as it changed what follows
            continue;
        }
        if (name == u"EOH"_qs && m_headerPossible) {
            // What came before was the header.
            m_headerPossible = false;
            record.fields.clear();
            record.offset = -1;
            record.cut = false;
            m_restart = m_position;
            continue;
        }
        if (colon < 0)
            continue; // a tag without data
        QByteArrayView lengthText = tag.sliced(colon + 1);
        const qsizetype typeColon = lengthText.indexOf(':');
        char type = 0;
        if (typeColon >= 0) {
            const QByteArrayView typeText = lengthText.sliced(typeColon + 1).trimmed();
            if (typeText.size() == 1 && typeText[0] > ' ' && typeText[0] < '\x7f')
                type = char(typeText[0] >= 'a' && typeText[0] <= 'z' ? typeText[0] - 32 : typeText[0]);
            lengthText = lengthText.first(typeColon);
        }
        // Digits, perhaps with spaces around them.
        lengthText = lengthText.trimmed();
        qsizetype length = lengthText.isEmpty() ? -1 : 0;
        for (const char c : lengthText) {
            if (c < '0' || c > '9' || length > (std::numeric_limits<qsizetype>::max() - 9) / 10) {
                length = -1;
                break;
            }
            length = length * 10 + (c - '0');
        }
        if (length < 0)
            continue;
        const qsizetype position = m_position;
        const qsizetype recordEnd = recordEndAfter(position);
        if (recordEnd == kNotInWindow)
            return needBytes();
        const qint64 left = m_fileSize - (m_offset + position);
        const bool pastEnd = length > left;
        qsizetype taken = pastEnd ? qsizetype(left) : length;
        // A length that runs past the end of its record (the value does not end before a tag, or the
        // file ends first) or that no value has: the value stops before the <EOR>. A value that holds
        // "<eor>" as text and ends where its length says is kept whole.
        bool overruns = pastEnd || length > kMaxValueBytes;
        if (!overruns) {
            int end = tagOrEndAt(position + taken);
            if (end < 0)
                return needBytes();
            if (end == 0 && m_utf8) {
                // A writer that counted characters rather than bytes; counted no further than the record.
                const qsizetype characters = utf8Bytes(position, length, recordEnd >= 0 ? recordEnd : size);
                if (characters > taken && tagOrEndAt(position + characters) == 1) {
                    taken = characters;
                    end = 1;
                }
            }
            overruns = end == 0;
        }
        if (overruns && recordEnd >= 0 && recordEnd < position + taken)
            taken = recordEnd - position;
        if (record.offset < 0)
            record.offset = m_offset + open;
        record.fields.insert(name, decodeValue(m_bytes.sliced(position, taken), m_utf8), type);
        if (pastEnd && m_offset + position + taken == m_fileSize)
            record.cut = true;
        m_position = position + taken;
    }
    if (!ended && !wholeFile)
        return needBytes();
    if (record.fields.isEmpty())
        return false;
    m_restart = m_position;
    ++m_records;
    return true;
}

std::vector<AdifRecord> readAdif(const QByteArray& bytes)
{
    std::vector<AdifRecord> records;
    AdifReader reader(bytes, isValidUtf8(bytes));
    AdifRecord record;
    while (reader.next(&record))
        records.push_back(std::move(record));
    return records;
}

} // namespace mivra::adif
