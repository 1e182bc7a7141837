#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace mivra {

// The callsign patterns of dxccdata in memory. find() gives what
// "SELECT ... WHERE callsign LIKE dxcccode ORDER BY rowid LIMIT 1" gives: the first pattern in
// stored order that the callsign matches, with "%" for any run of characters, "_" for one
// character, and ASCII letters compared without regard to case.
class DxccIndex {
public:
    // Patterns in stored order; a null pattern never matches (as NULL never does in LIKE).
    void append(const QString& pattern);
    int size() const { return m_count; }

    // Position (from 0, in stored order) of the first matching pattern, or -1.
    int find(QStringView callsign) const;

private:
    struct WildcardPattern {
        int position;
        std::u32string folded;
    };

    // Looked up by a view of the folded callsign, without making a text for each prefix.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view text) const { return std::hash<std::u16string_view>()(text); }
    };
    using TextTable = std::unordered_map<std::u16string, int, TextHash, std::equal_to<>>;

    int m_count = 0;
    int m_longestPrefix = 0;
    // Patterns without wildcards, and patterns that are a plain text followed by "%" only,
    // keyed by their ASCII-folded text; the first position wins.
    TextTable m_exact;
    TextTable m_prefix;
    // Every other pattern, in stored order.
    std::vector<WildcardPattern> m_wildcards;
};

} // namespace mivra
