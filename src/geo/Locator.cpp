#include "Locator.h"

namespace mivra::geo {

namespace {

template <typename Char>
bool matchesLocatorPattern(std::basic_string_view<Char> text)
{
    const auto size = text.size();
    if (size != 4 && size != 6 && size != 8 && size != 10)
        return false;
    auto inRange = [](Char c, unsigned lo, unsigned hi) {
        const auto code = static_cast<unsigned>(static_cast<std::make_unsigned_t<Char>>(c));
        return code >= lo && code <= hi;
    };
    for (std::size_t i = 0; i < size; ++i) {
        const Char c = text[i];
        bool ok = false;
        switch (i) {
        case 0: case 1: ok = inRange(c, 'A', 'R'); break;
        case 2: case 3: case 6: case 7: ok = inRange(c, '0', '9'); break;
        default: ok = inRange(c, 'A', 'x'); break;
        }
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

bool IsLocatorValid(std::u16string_view text) { return matchesLocatorPattern(text); }
bool IsLocatorValid(std::string_view text) { return matchesLocatorPattern(text); }

bool CheckLocator(std::u16string_view upperText) { return !IsLocatorValid(upperText); }

} // namespace mivra::geo
