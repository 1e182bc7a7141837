#include "ControlPlace.h"

#include <QtGlobal>

#include <algorithm>

namespace mivra {

const ControlPlace& controlPlace(std::span<const ControlPlace> table, std::string_view name)
{
    const auto row
        = std::find_if(table.begin(), table.end(), [name](const ControlPlace& place) { return name == place.name; });
    if (row == table.end())
        qFatal("No layout row for control \"%.*s\"", int(name.size()), name.data());
    return *row;
}

} // namespace mivra
