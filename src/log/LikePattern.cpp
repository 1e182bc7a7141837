#include "LikePattern.h"

namespace mivra {

QString likeLiteral(const QString& text)
{
    QString pattern;
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
