#pragma once

#include <QString>
#include <string_view>

namespace mivra {

// A QString's characters as the locator functions take them; valid while the string lives unchanged.
inline std::u16string_view utf16View(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

} // namespace mivra
