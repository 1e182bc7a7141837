#pragma once

#include "CardPrinter.h"

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
// callsign order. The rows are read in batches of up to 1,000. A card's rows get their new state
// in one transaction right after the card came out, so a crash leaves at most the card being
// printed in doubt; a card that does not come out leaves its rows as they were, so the next run
// prints them. stopRequested, asked after each card, ends the run early.
class QslRun {
public:
    static constexpr int kBatchRows = 1000;

    QslRun(QSqlDatabase log, CardPrinter& printer, QLocale locale = QLocale(),
           std::function<bool()> stopRequested = {});

    RunResult printCardsInState(const QString& QSLFilter, CardFields& card);

private:
    enum class Read { Rows, End, Failed };
    Read readBatch(const QString& letter, std::vector<RunRow>* rows);
    bool storeStates(const CardRows& rows, QString* error);

    QSqlDatabase m_log;
    CardPrinter& m_printer;
    QLocale m_locale;
    std::function<bool()> m_stopRequested;
    // Where the next batch starts: after this callsign (as the log sorts it) and row.
    bool m_started = false;
    QString m_lastCallsign;
    qint64 m_lastId = 0;
};

} // namespace mivra::qsl
