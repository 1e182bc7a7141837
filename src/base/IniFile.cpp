#include "IniFile.h"

#include "ErrorText.h"
#include "WholeFile.h"

#include <QDir>
#include <QFileInfo>

namespace mivra {

namespace {

// A few short sections: a file far larger is not one of this program's.
constexpr qint64 kMaxBytes = qint64(1) << 20;

// "[name]" gives name; any other line the empty text.
QString sectionOfLine(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.size() < 2 || !trimmed.startsWith(u'[') || !trimmed.endsWith(u']'))
        return {};
    return trimmed.mid(1, trimmed.size() - 2).trimmed();
}

// The lines of the file, a line that ends in a backslash joined with the next as QSettings does.
QStringList logicalLines(const QByteArray& bytes)
{
    QStringList lines;
    QString pending;
    for (QString line : QString::fromUtf8(bytes).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.endsWith(u'\\') && !line.endsWith(QLatin1String("\\\\"))) {
            line.chop(1);
            pending += line;
            continue;
        }
        lines << pending + line;
        pending.clear();
    }
    if (!pending.isEmpty())
        lines << pending;
    return lines;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if ((u | 0x20) >= 'a' && (u | 0x20) <= 'f')
        return (u | 0x20) - 'a' + 10;
    return -1;
}

// A value as QSettings writes it: quoted parts without their quotes, escapes resolved, "@@" for a
// leading "@", the spaces around it dropped.
QString unescapedValue(QStringView raw)
{
    QString value;
    bool quoted = false;
    qsizetype keptEnd = 0; // spaces inside quotes are kept at the end, others not
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (c == u';' && !quoted)
            break; // a comment
        if (c == u'\\' && i + 1 < raw.size()) {
            const QChar next = raw[++i];
            switch (next.unicode()) {
            case 'n':
                value += u'\n';
                break;
            case 'r':
                value += u'\r';
                break;
            case 't':
                value += u'\t';
                break;
            case 'a':
                value += u'\a';
                break;
            case 'b':
                value += u'\b';
                break;
            case 'f':
                value += u'\f';
                break;
            case 'v':
                value += u'\v';
                break;
            case 'x': {
                uint code = 0;
                while (i + 1 < raw.size() && hexDigit(raw[i + 1]) >= 0)
                    code = code * 16 + uint(hexDigit(raw[++i]));
                value += QChar(char16_t(code));
                break;
            }
            default:
                if (next >= u'0' && next <= u'7') {
                    uint code = next.unicode() - '0';
                    while (i + 1 < raw.size() && raw[i + 1] >= u'0' && raw[i + 1] <= u'7')
                        code = code * 8 + (raw[++i].unicode() - '0');
                    value += QChar(char16_t(code));
                } else {
                    value += next; // \\, \", \', \?
                }
            }
            keptEnd = value.size();
            continue;
        }
        if (!quoted && value.isEmpty() && c.isSpace())
            continue;
        value += c;
        if (quoted || !c.isSpace())
            keptEnd = value.size();
    }
    value.truncate(keptEnd);
    if (value.startsWith(QLatin1String("@@")))
        value.remove(0, 1);
    return value;
}

} // namespace

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
}

QString IniFile::writtenValue(const QString& value)
{
    // Plain where QSettings writes it plain: no quotes, separators, escapes or spaces around it.
    bool plain = value.isEmpty() || (!value.front().isSpace() && !value.back().isSpace() && !value.startsWith(u'@'));
    for (const QChar c : value)
        plain = plain && c.unicode() >= 0x20 && c.unicode() != 0x7F && !QStringView(u"\"\\;,=#").contains(c);
    if (plain)
        return value;
    QString quoted = QStringLiteral("\"");
    // A leading "@" would name a type to QSettings; doubled, it is the character itself.
    if (value.startsWith(u'@'))
        quoted += u'@';
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\':
            quoted += QLatin1String("\\\\");
            break;
        case '"':
            quoted += QLatin1String("\\\"");
            break;
        case '\n':
            quoted += QLatin1String("\\n");
            break;
        case '\r':
            quoted += QLatin1String("\\r");
            break;
        case '\t':
            quoted += QLatin1String("\\t");
            break;
        default:
            // Other control characters have no place in a setting.
            quoted += c.unicode() < 0x20 || c.unicode() == 0x7F ? QChar(u' ') : c;
        }
    }
    return quoted + u'"';
}

bool IniFile::readBytes(QByteArray* bytes, QString* error) const
{
    bytes->clear();
    const QFileInfo info(m_path);
    if (!info.exists() && !info.isSymLink())
        return true;
    QString reason;
    if (readRegularFile(m_path, kMaxBytes, bytes, &reason))
        return true;
    setError(error,
             QStringLiteral("The settings file %1 cannot be read: %2").arg(QDir::toNativeSeparators(m_path), reason));
    return false;
}

bool IniFile::readSection(const QString& section, QVariantMap* values, QString* error) const
{
    values->clear();
    QByteArray bytes;
    if (!readBytes(&bytes, error))
        return false;
    // Read here from the bytes checked above, so that a file that changes meanwhile is never opened again.
    bool inSection = false;
    for (const QString& line : logicalLines(bytes)) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
            continue;
        const QString name = sectionOfLine(line);
        if (!name.isEmpty()) {
            inSection = name == section;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (inSection && equals > 0)
            values->insert(line.left(equals).trimmed(), unescapedValue(QStringView(line).mid(equals + 1)));
    }
    return true;
}

bool IniFile::writeSection(const QString& section, const IniValues& values, QString* error) const
{
    QByteArray before;
    if (!readBytes(&before, error))
        return false;
    QStringList lines = QString::fromUtf8(before).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    // Every line outside the section stays; the section comes back where it first stood.
    QStringList kept;
    qsizetype at = -1;
    bool inSection = false;
    for (const QString& line : std::as_const(lines)) {
        const QString name = sectionOfLine(line);
        if (!name.isEmpty()) {
            inSection = name == section;
            if (inSection && at < 0)
                at = kept.size();
        }
        if (!inSection)
            kept << line;
    }
    if (!values.isEmpty()) {
        QStringList block{u'[' + section + u']'};
        for (const auto& [key, value] : values)
            block << key + u'=' + writtenValue(value);
        if (at < 0) {
            if (!kept.isEmpty() && !kept.last().trimmed().isEmpty())
                kept << QString();
            at = kept.size();
        }
        // A blank line before the section that follows.
        if (at < kept.size())
            block << QString();
        for (qsizetype i = 0; i < block.size(); ++i)
            kept.insert(at + i, block[i]);
    }
    const QByteArray after = kept.isEmpty() ? QByteArray() : (kept.join(u'\n') + u'\n').toUtf8();
    QString reason;
    if (writeWholeFile(m_path, after, &reason))
        return true;
    setError(
        error,
        QStringLiteral("The settings file %1 cannot be written: %2").arg(QDir::toNativeSeparators(m_path), reason));
    return false;
}

} // namespace mivra
