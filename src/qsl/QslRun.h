#pragma once

#include "CardPrinter.h"
#include "QslStateChanges.h"

#include <QElapsedTimer>
#include <QLocale>
#include <QSqlDatabase>
#include <QStringList>

#include <functional>
#include <vector>

namespace mivra::qsl {

// One log row as the card shows it (texts already formatted).
struct RunRow {
    qint64 id = 0;
    QString state; // the QSL letter as read
    QString date, time, callsign, band, mode, report, distance, heading, manager;
};

// Contacts that go on one card: one to four rows of one station.
using CardRows = std::vector<RunRow>;

// Puts consecutive rows with the same callsign (case counts) on cards of up to four lines.
std::vector<CardRows> groupCards(const std::vector<RunRow>& rows);

// Writes a card's rows into lines 1 to 4, with the callsign and the QSL manager of its last row.
void fillCard(CardFields& card, const CardRows& rows);

// What a run did, and what the operator is to be told.
struct RunResult {
    int rowsRead = 0;
    int rowsAdvanced = 0;
    int cardsPrinted = 0;
    QStringList notPrinted; // callsigns of cards that did not come out
    bool stopped = false;   // ended early on request, after a whole card
    QStringList messages;
    QString message() const { return messages.join(QStringLiteral("\n\n")); }
};

// printCardsInState: every row whose QSL state matches the letter (case-blind) becomes part of a card, in
// callsign order. The rows are read in batches of up to 1,000. As a card comes out, its rows' new
// states are written to the pending file beside the log (PendingQslStates); the states of many
// cards are stored in one transaction once their card files are on disk, at least every second.
// A killed program leaves its pending file, which the next opening of the log stores: a crash
// leaves at most the card being printed in doubt. A card that does not come out leaves its rows
// as they were, so the next run prints them. stopRequested, asked after each card, ends the run
// early.
class QslRun {
public:
    static constexpr int kBatchRows = 1000;
    static constexpr int kCardsPerCommit = 100;
    static constexpr int kMsPerCommit = 1000;

    QslRun(QSqlDatabase log, CardPrinter& printer, QLocale locale = QLocale(),
           std::function<bool()> stopRequested = {});

    RunResult printCardsInState(const QString& QSLFilter, CardFields& card);

private:
    enum class Read { Rows, End, Failed };
    Read readBatch(const QString& letter, std::vector<RunRow>* rows);
    // A card came out: its rows' changes are recorded, and stored with those of the cards before
    // when it is time. False with *error when they could not be.
    bool cardPrinted(const CardRows& rows, QString* error);
    // Stores the recorded changes once the printed cards are on disk.
    bool storePrinted(QString* error);

    QSqlDatabase m_log;
    CardPrinter& m_printer;
    QLocale m_locale;
    std::function<bool()> m_stopRequested;
    PendingQslStates m_pending;
    // Printed cards whose changes are recorded but not yet stored.
    std::vector<QslStateChange> m_unstored;
    QStringList m_unstoredCallsigns;
    QElapsedTimer m_sinceStored;
    int m_rowsStored = 0;
    // Where the next batch starts: after this callsign (as the log sorts it) and row.
    bool m_started = false;
    QString m_lastCallsign;
    qint64 m_lastId = 0;
};

} // namespace mivra::qsl
