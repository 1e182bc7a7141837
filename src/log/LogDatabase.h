#pragma once

#include "Contact.h"
#include "DxccIndex.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace mivra {

enum class DxccStatus { Found, NoMatch, Failed };

struct DxccResult {
    DxccStatus status = DxccStatus::Failed;
    QString entity;
};

// The search selector's choices.
enum SearchChoice { SearchByCallsign = 1, SearchByGrid = 2 };

// Whether a change of these columns can move rows of the view into, out of or within it: its
// time order, the band it shows, the column a search (choice, 0 for none) selects on.
bool viewDependsOn(const QStringList& columns, const QString& bandPattern, int searchChoice);

// Begins a write transaction on db that holds the log's write lock from its start: a writer on
// another connection (an import, the shared log's sync) is then waited for, where a deferred one
// that had read first failed at once with "database is locked".
bool beginWriting(QSqlDatabase db, QString* error);

// The log file backup.sqlite: tables logtab (one row per contact) and dxccdata (DXCC callsign
// patterns). Holds one connection for its lifetime; every view, count and lookup runs anew.
// Queries handed out use that connection, so drop them before the LogDatabase.
class LogDatabase {
public:
    // Opens the log at path. A missing file is created with both tables, dxccdata filled from
    // ctyCsvPath; it is built in a temporary file and renamed into place. A log of an older layout
    // is upgraded (LogSchema.h) after a copy into backups/. A file that is not a readable SQLite
    // log, a log of a newer layout, or one that cannot be written (its folder included), is left
    // untouched: returns nullptr and sets *error to a message naming it.
    static std::unique_ptr<LogDatabase> open(const QString& path, const QString& ctyCsvPath, QString* error);
    // Opens a log another program may hold, for reading only: nothing is created, upgraded or
    // written, and a write through it fails. A log of another layout is refused.
    static std::unique_ptr<LogDatabase> openForReading(const QString& path, QString* error);

    ~LogDatabase();
    LogDatabase(const LogDatabase&) = delete;
    LogDatabase& operator=(const LogDatabase&) = delete;

    QSqlDatabase database() const;
    QString path() const;
    // A transaction is open on the log's connection: a write is under way.
    bool isWriting() const;

    // All rows whose Band begins as bandPattern says (empty: every row), newest first; of one
    // minute, the one saved last first. Every column of logtab, then kConfirmedColumn
    // (ConfirmationCount.h), as the search's rows too.
    // The query is executed and not forward-only, ready for a QSqlQueryModel.
    QSqlQuery logView(const QString& bandPattern) const;
    int countLogView(const QString& bandPattern) const; // -1 on failure

    // Rows whose Callsign (choice 1) or Grid (choice 2) begins with text, ignoring case, within
    // the band. Wildcards and quotes in text match literally. Other choices give an inactive query.
    QSqlQuery search(int choice, const QString& text, const QString& bandPattern) const;
    int countSearch(int choice, const QString& text, const QString& bandPattern) const; // -1 on failure
    // The rows with these IDs as the view and the search show them (all their columns), by ID;
    // IDs without a row are left out. Nothing, with *error, when the log cannot be read.
    std::optional<QHash<qint64, QVariantList>> viewRows(const QList<qint64>& ids, QString* error) const;

    // Deletes the row with this ID; false when no row was deleted.
    bool deleteRow(qint64 id, QString* error = nullptr);

    // Appends one contact. Fails, storing nothing, when the database refuses a value
    // (an empty callsign or date among them).
    bool saveQso(const Contact& qso, QString* error = nullptr);
    // Appends contacts in one transaction: all of them, or none when the database refuses one.
    // stored, when given, is called with the count written so far after each row.
    bool saveQsos(std::span<const Contact> qsos, const std::function<void(qint64 stored)>& stored,
                  QString* error = nullptr);

    // Whether the log keeps its changes in a write-ahead log, and the switch to it (kept in the
    // file; it needs no read of this connection open). Then a read left open (the view's rows not
    // all fetched) no longer holds up another connection's commit, as the shared log's sync needs.
    // The view's rows are then read on a connection of their own: a read left open on the writing
    // connection would keep it on an old snapshot, and its next write would fail.
    bool isWriteAhead() const;
    bool useWriteAheadLog(QString* error);

    // Switch the trailing wildcard of every pattern: "*" to "%" (running form) and back.
    // False (with *error) when the table could not be rewritten; nothing is changed then.
    bool switchPatternsToRunningForm(QString* error = nullptr);
    bool switchPatternsToStoredForm(QString* error = nullptr);

    // The entity of the first pattern, in stored order, that the callsign matches. Served from
    // the patterns in memory, read from dxccdata at the first lookup.
    DxccResult findDxcc(const QString& callsign);
    // The entity number (dxccdata position 0) of an entity text; 0 when unknown.
    int dxccNumber(const QString& entity);
    // Every entity text with its number; empty when dxccdata cannot be read.
    QHash<QString, int> dxccNumbers();
    // The entity text of an entity number; empty when unknown.
    QString dxccEntity(int number);
    // Drops the patterns in memory, so the next lookup reads dxccdata anew. The log's own
    // writers call it; so must anyone who changes dxccdata through the connection.
    void reloadDxccPatterns() const;
    // Lookups read a trailing "*" (the stored form) as "%", leaving dxccdata as it is: for runs
    // without the window, which must not change the log just to look entities up.
    void readStoredPatternsAsRunning();

private:
    LogDatabase(QString path, QString connectionName);
    bool proveWritable(QString* error);
    // A copy into backups/ before the layout of the log changes.
    bool backUpBeforeUpgrade(QString* error);
    bool execInTransaction(const QString& statement, QString* error);
    // Runs work in one transaction: committed when it returns true, rolled back otherwise.
    bool inTransaction(const std::function<bool(QSqlQuery&)>& work, QString* error);
    bool hasFewRows(const QString& bandPattern) const;
    // The connection the view's rows are read on; its own one is opened in write-ahead mode.
    QSqlDatabase viewDatabase() const;
    bool openViewConnection(QString* error);
    struct DxccTable;
    // The patterns in memory, read when missing; nullptr when dxccdata cannot be read.
    const DxccTable* dxccTable();

    QString m_path;
    QString m_connectionName;
    QSqlDatabase m_db;
    QSqlDatabase m_viewDb;
    mutable std::unique_ptr<DxccTable> m_dxcc;
    bool m_storedPatternsAsRunning = false;
};

} // namespace mivra
