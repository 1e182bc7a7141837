#include "LikePattern.h"

namespace mivra {

// Never a null text, which would be bound as NULL and match no row, not even an empty value.
QString likeLiteral(const QString& text)
{
    QString pattern = QStringLiteral("");
    pattern.reserve(text.size() + 2);
    for (const QChar c : text) {
        if (c == u'\\' || c == u'%' || c == u'_')
            pattern += u'\\';
        pattern += c;
    }
    return pattern;
}

QString literalPrefixPattern(const QString& text)
{
    return likeLiteral(text) + u'%';
}

} // namespace mivra
