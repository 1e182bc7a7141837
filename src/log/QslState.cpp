#include "QslState.h"

namespace mivra {

namespace {

constexpr QslState kStates[] = {
    {"Q", "Card received (Q)", "Q", "Y", "Y"},
    {"Y", "Send card (Y)", "N", "Q", "N"},           // the default of a new contact
    {"T", "Send thank-you card (T)", "Q", "Q", "Y"}, // their card came; ours, the thanks, waits
    {"S", "Send single card (S)", "D", "Q", "N"},
    {"D", "Single card sent (D)", "D", "Y", "N"},
    {"B", "Beacon report (B)", "N", "Q", "N"},
    {"N", "No card (N)", "N", "N", "N"},
};

} // namespace

std::span<const QslState> qslStates()
{
    return kStates;
}

const QslState* qslStateOf(const QString& text)
{
    const QString letter = text.trimmed();
    for (const QslState& state : kStates) {
        if (letter.compare(QLatin1String(state.letter), Qt::CaseInsensitive) == 0)
            return &state;
    }
    return nullptr;
}

} // namespace mivra
