#pragma once

#include "QsoRecord.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace mivra {

class LogDatabase;

// The writes of one ADIF import: one transaction, prepared statements used for every record,
// a page cache sized for the work and, when many records go into a small log, the indexes
// rebuilt once at the end rather than kept up row by row.
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
    };
    // The stored contact equal to this one by the duplicate rule (callsign, band, time to the
    // minute), records stored earlier in this import included.
    std::optional<Match> match(const QString& callsign, const QString& band, const QDateTime& time, QString* error);

    bool insert(const QsoRecord& row, QString* error);
    // The contact's card has come: its QSL state becomes Q.
    bool confirm(qint64 id, QString* error);

    bool commit(QString* error);

private:
    void end();

    LogDatabase& m_log;
    bool m_open = false;
    bool m_withQslVia = false;
    QSqlQuery m_find;
    QSqlQuery m_insert;
    QSqlQuery m_confirm;
    std::vector<std::pair<QString, QString>> m_deferredIndexes; // name, statement
    QString m_cacheSize;
};

// The duplicate rule's key: callsign, band ("144" and "144.300" are the same band) and time to
// the minute.
QString duplicateKey(const QString& callsign, const QString& band, const QDateTime& time);

} // namespace mivra
