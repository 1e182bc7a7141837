#pragma once

#include "Contact.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace mivra {

class LogDatabase;

// What has come in for a contact: its paper card, a LoTW or an eQSL confirmation, each with its
// date as stored (yyyy-MM-dd, empty when not given).
struct ReceivedConfirmation {
    bool card = false;
    QString cardDate;
    bool lotw = false;
    QString lotwDate;
    bool eqsl = false;
    QString eqslDate;

    bool any() const { return card || lotw || eqsl; }
};

// The update that records a ReceivedConfirmation on a contact, its parameters in this order:
// card (0 or 1), card date, lotw, lotw date, eqsl, eqsl date, ID. A card moves a waiting state (Y,
// S) to T, the thank-you, and any other state but Q and T to Q; LoTW and eQSL leave the paper state
// alone. A date already recorded for a card is kept; an empty date changes none.
extern const QString kConfirmStatement;

// The writes of one ADIF import: one transaction, prepared statements used for every record
// (through the SQLite C API on the log's own connection: binding through QtSql cost more than
// the insert itself), a page cache sized for the work and, when many records go into a small
// log, the indexes rebuilt once at the end rather than kept up row by row. Duplicates are then
// found through the keys of the log's rows kept in memory, as they are when the log holds
// callsigns stored other than trimmed and in capitals.
class ImportStore {
public:
    explicit ImportStore(LogDatabase& log);
    ~ImportStore(); // rolls back what was not committed

    ImportStore(const ImportStore&) = delete;
    ImportStore& operator=(const ImportStore&) = delete;

    // expectedRecords: about how many records the file holds.
    bool begin(qint64 expectedRecords, QString* error);

    struct Match {
        qint64 id = 0;
        QString qsl;
        QString lotwReceived;
        QString eqslReceived;

        // The confirmation adds what the contact did not hold yet.
        bool isConfirmedMoreBy(const ReceivedConfirmation& received) const;
    };
    // The stored contact equal to this one by the duplicate rule (callsign, band, time to the
    // minute), records stored earlier in this import included.
    std::optional<Match> match(const QString& callsign, const QString& band, const QDateTime& time, QString* error);

    bool insert(const Contact& row, QString* error);
    // Records what has come in for the contact (kConfirmStatement).
    bool confirm(qint64 id, const ReceivedConfirmation& received, QString* error);

    bool commit(QString* error);

private:
    void end();
    bool prepare(const QString& statement, SqliteStatement* prepared, QString* error);
    bool failed(QString* error) const;
    // The first column of a statement's one row.
    std::optional<qint64> integer(const QString& statement, QString* error);
    bool loadKeys(QString* error);
    // The stored row at the statement's cursor, when it is this contact by the duplicate rule.
    std::optional<Match> sameContact(const SqliteStatement& found, const QString& call, const QString& bandKey,
                                     QDate day, int minute) const;

    SqliteConnection m_db; // the log's own connection
    bool m_open = false;
    SqliteStatement m_find;
    SqliteStatement m_insert;
    SqliteStatement m_otherFields;
    SqliteStatement m_confirm;
    SqliteStatement m_row;
    std::array<std::string, 26> m_texts;                        // what the insert is bound to, by parameter
    std::string m_otherText;                                    // the other fields' text, bound the same way
    std::vector<std::pair<QString, QString>> m_deferredIndexes; // name, statement
    QString m_cacheSize;                                        // the log's own, given back at the end
    // While the indexes are deferred: a hash of each row's duplicate key, with the row's ID; open
    // addressing in one array, a third of the memory of a node per key.
    class KeyTable {
    public:
        // The ID stored for this hash.
        std::optional<qint64> find(quint64 hash) const;
        // Keeps the first ID given for a hash.
        void insert(quint64 hash, qint64 id);
        void clear() { std::vector<Slot>().swap(m_slots), m_used = 0; }

    private:
        struct Slot {
            quint64 hash = 0; // 0: empty
            qint64 id = 0;
        };
        std::vector<Slot> m_slots;
        std::size_t m_used = 0;
    };
    bool m_keysInMemory = false;
    KeyTable m_keys;
    // Up to this many records the indexes are kept up as the rows go in.
    static constexpr qint64 kFewRecords = 10000;
};

// The band as the duplicate rule compares it: "144" and "144.300" are the same band.
QString duplicateBand(const QString& band);

} // namespace mivra
