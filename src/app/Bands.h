#pragma once

#include <QString>
#include <array>

namespace mivra {

// The band buttons, left to right: caption and LIKE prefix pattern ("" for All).
struct Band {
    const char* caption;
    const char* pattern;
};

inline constexpr std::array<Band, 22> kBands{{
    {"1.8k", "1840%"},   {"3.5k ", "3600%"},  {"7k", "7050%"},     {"10", "10140%"},
    {"14", "14200%"},    {"18", "18110%"},    {"21", "21150%"},    {"24", "24950%"},
    {"28", "28400%"},    {"50", "50%"},       {"144", "144%"},     {"432", "432%"},
    {"1296", "1296%"},   {"2320", "2320%"},   {"3400", "3400%"},   {"5760", "5760%"},
    {"10368", "10368%"}, {"24048", "24048%"}, {"47088", "47088%"}, {"76032", "76032%"},
    {"122G", "122250%"}, {"All", ""},
}};

inline constexpr int kDefaultBandIndex = 10;

inline QString bandPattern(int index) { return QString::fromLatin1(kBands.at(index).pattern); }

// The band value New puts into a contact: the pattern without its "%".
inline QString bandValue(const QString& pattern) { return pattern.chopped(pattern.isEmpty() ? 0 : 1); }

} // namespace mivra
