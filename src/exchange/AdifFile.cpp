#include "AdifFile.h"

#include <QStringDecoder>

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

void AdifWriter::field(const QString& name, const QString& value, char type)
{
    if (!value.isEmpty())
        write(name, value, type);
}

void AdifWriter::write(const QString& name, const QString& value, char type)
{
    const QByteArray data = value.toLatin1();
    m_bytes += '<';
    m_bytes += name.toLatin1();
    m_bytes += ':';
    m_bytes += QByteArray::number(data.size());
    if (type) {
        m_bytes += ':';
        m_bytes += type;
    }
    m_bytes += '>';
    m_bytes += data;
    m_bytes += ' ';
}

void AdifWriter::endRecord()
{
    if (m_bytes.endsWith(' '))
        m_bytes.chop(1);
    m_bytes += "<EOR>\n";
}

namespace {

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

QString decodeValue(QByteArrayView bytes, bool fileIsUtf8)
{
    if (fileIsUtf8)
        return QString::fromUtf8(bytes);
    // Windows-1252 where it differs from Latin-1 only in 0x80-0x9F, which logs rarely hold.
    return QString::fromLatin1(bytes);
}

bool atTagOrEnd(const QByteArray& bytes, qsizetype position)
{
    while (position < bytes.size() && (bytes[position] == ' ' || bytes[position] == '\r' || bytes[position] == '\n'
                                       || bytes[position] == '\t'))
        ++position;
    return position >= bytes.size() || bytes[position] == '<';
}

// Bytes taken by the first count UTF-8 characters from position; -1 when the text ends first.
qsizetype utf8Bytes(const QByteArray& bytes, qsizetype position, qsizetype count)
{
    qsizetype p = position;
    for (qsizetype i = 0; i < count; ++i) {
        if (p >= bytes.size())
            return -1;
        const auto lead = static_cast<unsigned char>(bytes[p]);
        p += lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    }
    return p - position;
}

} // namespace

std::vector<AdifRecord> readAdif(const QByteArray& bytes)
{
    const bool fileIsUtf8 = isValidUtf8(bytes);
    std::vector<AdifRecord> records;
    qsizetype position = 0;

    // A header is everything up to <EOH>, when <EOH> comes before the first <EOR>.
    const QByteArray lower = bytes.toLower();
    const qsizetype endOfHeader = lower.indexOf("<eoh>");
    const qsizetype firstRecordEnd = lower.indexOf("<eor>");
    if (endOfHeader >= 0 && (firstRecordEnd < 0 || endOfHeader < firstRecordEnd))
        position = endOfHeader + 5;

    qsizetype nextRecordEnd = firstRecordEnd;
    AdifRecord record;
    record.number = 1;
    record.offset = -1;
    while (position < bytes.size()) {
        const qsizetype open = bytes.indexOf('<', position);
        if (open < 0)
            break;
        const qsizetype close = bytes.indexOf('>', open);
        if (close < 0) {
            record.cut = true;
            break;
        }
        const QList<QByteArray> parts = bytes.mid(open + 1, close - open - 1).split(':');
        const QString name = QString::fromLatin1(parts[0]).trimmed().toUpper();
        position = close + 1;
        if (name == u"EOR"_qs) {
            if (!record.fields.isEmpty()) {
                records.push_back(std::move(record));
                record = AdifRecord();
            }
            record.number = int(records.size()) + 1;
            record.offset = -1;
            continue;
        }
        if (parts.size() < 2)
            continue; // <EOH> or a tag without data
        bool ok = false;
        const qsizetype length = parts[1].trimmed().toLongLong(&ok);
        if (!ok || length < 0)
            continue;
        qsizetype taken = std::min(length, bytes.size() - position);
        if (fileIsUtf8 && !atTagOrEnd(bytes, position + taken)) {
            // A writer that counted characters rather than bytes.
            const qsizetype characters = utf8Bytes(bytes, position, length);
            if (characters > taken && atTagOrEnd(bytes, position + characters))
                taken = characters;
        }
        // A length that runs past the end of its record (the value does not end before a tag, or the
        // file ends first): the value stops before the <EOR>. A value that holds "<eor>" as text and
        // ends where its length says is kept whole.
        if (nextRecordEnd >= 0 && nextRecordEnd < position)
            nextRecordEnd = lower.indexOf("<eor>", position);
        const bool overruns = length > bytes.size() - position || !atTagOrEnd(bytes, position + taken);
        if (overruns && nextRecordEnd >= 0 && nextRecordEnd < position + taken)
            taken = nextRecordEnd - position;
        if (record.offset < 0)
            record.offset = open;
        record.fields.insert(name, decodeValue(QByteArrayView(bytes.constData() + position, taken), fileIsUtf8));
        if (length > bytes.size() - position && position + taken == bytes.size())
            record.cut = true;
        position += taken;
    }
    if (!record.fields.isEmpty())
        records.push_back(std::move(record));
    return records;
}

} // namespace mivra::adif
