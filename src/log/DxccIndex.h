#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

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

    int m_count = 0;
    int m_longestPrefix = 0;
    // Patterns without wildcards, and patterns that are a plain text followed by "%" only,
    // keyed by their ASCII-folded text; the first position wins.
    QHash<QString, int> m_exact;
    QHash<QString, int> m_prefix;
    // Every other pattern, in stored order.
    std::vector<WildcardPattern> m_wildcards;
};

} // namespace mivra
