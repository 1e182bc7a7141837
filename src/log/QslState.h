#pragma once

#include <QString>

#include <span>

namespace mivra {

// One QSL state letter of the QSL column: what the grid's menu calls it, what a print run makes
// of it, and the ADIF QSL_SENT and QSL_RCVD it stands for.
struct QslState {
    const char* letter;
    const char* caption;      // the grid's menu entry
    const char* afterPrint;   // the state a print run leaves (itself when no run prints it)
    const char* adifSent;     // QSL_SENT: N none, Q queued (a card waits), Y sent
    const char* adifReceived; // QSL_RCVD: N no card, Y card received
};

// Every state, in the order the grid's menu offers them.
std::span<const QslState> qslStates();

// The state of a letter typed in any case with spaces around it; nullptr for none.
const QslState* qslStateOf(const QString& text);

} // namespace mivra
