#include "DxccIndex.h"

#include <QList>

#include <algorithm>
#include <limits>

namespace mivra {

namespace {

char16_t foldAscii(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
}

char32_t foldAscii(char32_t c)
{
    return c >= U'a' && c <= U'z' ? char32_t(c - U'a' + U'A') : c;
}

std::u16string folded(QStringView text)
{
    std::u16string result(std::size_t(text.size()), u'\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        result[std::size_t(i)] = foldAscii(text[i].unicode());
    return result;
}

std::u32string foldedCodePoints(QStringView text)
{
    std::u32string result;
    result.reserve(std::size_t(text.size()));
    const QList<uint> codePoints = text.toUcs4();
    for (const uint c : codePoints)
        result.push_back(foldAscii(char32_t(c)));
    return result;
}

bool isWildcard(QChar c)
{
    return c == u'%' || c == u'_';
}

// LIKE without an escape character: "%" any run, "_" one character. Both texts are folded.
bool likeMatches(std::u32string_view text, std::u32string_view pattern)
{
    std::size_t t = 0;
    std::size_t p = 0;
    std::size_t starPattern = std::u32string_view::npos;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == U'%') {
            starPattern = p++;
            starText = t;
        } else if (p < pattern.size() && (pattern[p] == U'_' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (starPattern != std::u32string_view::npos) {
            p = starPattern + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'%')
        ++p;
    return p == pattern.size();
}

} // namespace

void DxccIndex::append(const QString& pattern)
{
    const int position = m_count++;
    if (pattern.isNull())
        return;
    qsizetype literalEnd = pattern.size();
    while (literalEnd > 0 && pattern[literalEnd - 1] == u'%')
        --literalEnd;
    const QStringView literal = QStringView(pattern).left(literalEnd);
    if (std::any_of(literal.begin(), literal.end(), isWildcard)) {
        m_wildcards.push_back({position, foldedCodePoints(pattern)});
        return;
    }
    TextTable& table = literalEnd == pattern.size() ? m_exact : m_prefix;
    table.try_emplace(folded(literal), position);
    if (&table == &m_prefix)
        m_longestPrefix = std::max(m_longestPrefix, int(literalEnd));
}

int DxccIndex::find(QStringView callsign) const
{
    int best = std::numeric_limits<int>::max();
    const std::u16string call = folded(callsign);
    const std::u16string_view view(call);
    if (const auto exact = m_exact.find(view); exact != m_exact.end())
        best = exact->second;
    const std::size_t longest = std::min<std::size_t>(call.size(), std::size_t(m_longestPrefix));
    for (std::size_t length = 0; length <= longest; ++length) {
        const auto prefix = m_prefix.find(view.substr(0, length));
        if (prefix != m_prefix.end() && prefix->second < best)
            best = prefix->second;
    }
    if (!m_wildcards.empty() && m_wildcards.front().position < best) {
        const std::u32string text = foldedCodePoints(QStringView(view.data(), qsizetype(view.size())));
        for (const WildcardPattern& pattern : m_wildcards) {
            if (pattern.position >= best)
                break;
            if (likeMatches(text, pattern.folded)) {
                best = pattern.position;
                break;
            }
        }
    }
    return best == std::numeric_limits<int>::max() ? -1 : best;
}

} // namespace mivra
