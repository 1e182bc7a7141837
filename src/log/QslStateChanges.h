#pragma once

#include <QString>

#include <span>

namespace mivra {

class SqliteConnection;

// What a printed card does to one of its rows: the QSL state goes from the letter it had to the
// next one. The one place that writes it, for a print run and for the changes a killed run left.
struct QslStateChange {
    qint64 id = 0;
    QString from; // the QSL text as the run read it
    QString to;
};

// Stores the changes in one transaction: each row that still holds from gets to; a row changed
// since (or gone) is left as it is. False with *error when the transaction failed; nothing is
// stored then.
bool storeQslStateChanges(SqliteConnection& db, std::span<const QslStateChange> changes, QString* error);

// The changes of cards that came out but are not stored in the log yet, in a hidden file beside
// the log (.backup.sqlite-qslrun), a card's lines appended in one write as the card comes out: a
// killed program leaves them to the system, which keeps them. The next opening of the log stores
// them. A run holds the file locked while it writes to it.
class PendingQslStates {
public:
    explicit PendingQslStates(const QString& logPath);
    ~PendingQslStates();
    PendingQslStates(const PendingQslStates&) = delete;
    PendingQslStates& operator=(const PendingQslStates&) = delete;

    static QString pathFor(const QString& logPath);
    // The first line of the file: it ties the file to the log file at logPath (not to a file put
    // in its place later); empty when that log cannot be found.
    static QByteArray headerFor(const QString& logPath);

    // Appends one card's changes; false with *error when the file cannot be written.
    bool record(std::span<const QslStateChange> changes, QString* error);
    // Forgets the changes recorded so far, once they are stored or are not to be.
    void clear();

    // Stores the changes a killed run left in the log open on db and removes the file. A file of
    // another log that took this one's place is removed unread; one that a run is writing is left.
    // False with *error when they could not be stored (the file stays for the next opening).
    static bool recover(SqliteConnection& db, const QString& logPath, QString* error);

private:
    bool open(QString* error);

    QString m_logPath;
    QString m_path;
    int m_handle = -1;
};

} // namespace mivra
