#pragma once

#include "LogDatabase.h"
#include "RowSnapshot.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace mivra {

// Column values to write into one row, by column name.
using ColumnValues = QList<std::pair<QString, QVariant>>;

// The columns a grid cell may be edited in: those of the entry row and QSLman. The ID, the
// entity, the distance, the heading and the map texts follow from them.
bool isEditableColumn(const QString& column);

// What an edited cell writes into its row, or std::nullopt with *reason naming the field.
// The text goes through the contact check of its column. A callsign brings its entity (lookup
// gives it; one it refuses is "Callsign not allowed"); a locator brings QRB and QTF reckoned from
// ownLocator (NULL without a locator on either side) and NULL map texts, to be prepared anew.
std::optional<ColumnValues> cellEditValues(const QString& column, const QString& text, const QString& ownLocator,
                                           const std::function<DxccResult(const QString&)>& lookup, QString* reason);

// The row changes of the log view: an edit, the QSL state of many rows, putting rows back.
// Each is one statement or one transaction on rows named by their ID.
class ContactEdits {
public:
    explicit ContactEdits(QSqlDatabase log);

    // The row with this ID as stored, or nothing (with *error) when there is none.
    std::optional<RowSnapshot> readRow(qint64 id, QString* error) const;
    // One UPDATE of these columns of the row with this ID. Map text columns the log lacks are
    // left out; any other column it lacks fails. False, changing nothing, when no row was changed.
    // The other fields of the contact that the written columns give (OtherFields.h) are dropped.
    bool updateRow(qint64 id, const ColumnValues& values, QString* error);
    // Sets the QSL state of every row of ids in one transaction: all of them or none.
    bool setQslStates(const QList<qint64>& ids, const QString& letter, QString* error);
    // Takes a change back in one transaction: every row of it or none. before holds the rows as
    // they were, after as the change left them; no after rows: the change deleted them. A deleted
    // row comes back exactly, with its ID, only while no other contact holds that ID; a changed row
    // gets back the columns the change wrote only while they still hold what it wrote. Otherwise
    // false with *error saying why, and nothing is changed: an undo never replaces another contact.
    bool undoChange(const std::vector<RowSnapshot>& before, const std::vector<RowSnapshot>& after, QString* error);

private:
    // updateRow inside a transaction already open.
    bool updateColumns(qint64 id, const ColumnValues& values, QString* error);
    // Inserts a deleted row again while its ID is free.
    bool reinsertRow(const RowSnapshot& row, QString* error);
    // Writes back the columns that differ between before and after while the row still holds after's values.
    bool writeBack(const RowSnapshot& before, const RowSnapshot& after, QString* error);
    // The stored other fields of a contact: a null text when it has none.
    std::optional<QVariant> otherFields(qint64 id, QString* error) const;
    // Stores a contact's other fields; a null or empty text removes them.
    bool writeOtherFields(qint64 id, const QVariant& fields, QString* error);
    // Drops the other fields that these columns give, once the columns were written.
    bool dropColumnFields(qint64 id, const QStringList& columns, QString* error);
    // The column of logtab with this name in the table's own spelling, or the empty text.
    QString tableColumn(const QString& name) const;

    QSqlDatabase m_log;
};

} // namespace mivra
