#include "LogDatabase.h"

#include "ConfirmationCount.h"
#include "CtyCsv.h"
#include "ErrorText.h"
#include "LikePattern.h"
#include "LogBackups.h"
#include "LogFile.h"
#include "LogSchema.h"
#include "QslStateChanges.h"
#include "SqliteConnection.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlRecord>
#include <QUuid>
#include <QVariant>

#include <algorithm>

namespace mivra {

namespace {

// The grid's rows: every column of logtab, then how the contact is confirmed.
QString viewColumns()
{
    return QStringLiteral("SELECT *, %1 AS %2 FROM logtab").arg(confirmationKindsExpression(), kConfirmedColumn);
}

// Below this many rows a band's view is sorted rather than read in time order.
constexpr int kFewRows = 1000;

// A text value as stored: never NULL, so an empty field is stored as an empty text.
QVariant textValue(const QString& text)
{
    return text.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(text);
}

QVariant numberValue(const std::optional<double>& number)
{
    return number ? QVariant(*number) : QVariant(QMetaType(QMetaType::Double));
}

QString bandCondition(const QString& bandPattern)
{
    return bandPattern.isEmpty() ? QString() : QStringLiteral("Band LIKE :band");
}

// The WHERE clause of a search, or an empty text for an unknown choice.
QString searchCondition(int choice, const QString& bandPattern)
{
    QString condition;
    if (choice == SearchByCallsign)
        condition = QStringLiteral("Callsign LIKE :text ESCAPE '\\'");
    else if (choice == SearchByGrid)
        condition = QStringLiteral("Grid LIKE :text ESCAPE '\\'");
    else
        return {};
    if (!bandPattern.isEmpty())
        condition += QStringLiteral(" AND ") + bandCondition(bandPattern);
    return condition;
}

int countRows(QSqlQuery& query)
{
    if (!query.exec() || !query.next())
        return -1;
    return query.value(0).toInt();
}

// A count statement with the band pattern bound where it has one; -1 when it fails.
int countBand(const QSqlDatabase& db, const QString& statement, const QString& bandPattern)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        return -1;
    if (!bandPattern.isEmpty())
        query.bindValue(QStringLiteral(":band"), bandPattern);
    return countRows(query);
}

// Runs work in one transaction on db: committed when it returns true, rolled back otherwise, with
// *error (when given) set to the database's message.
bool inTransaction(QSqlDatabase db, const std::function<bool(QSqlQuery&)>& work, QString* error)
{
    if (!beginWriting(db, error))
        return false;
    QSqlQuery query(db);
    if (!work(query)) {
        setError(error, query.lastError().text());
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        setError(error, db.lastError().text());
        db.rollback();
        return false;
    }
    return true;
}

} // namespace

// dxccdata in memory: the pattern index and, by position, each row's entity and number.
struct LogDatabase::DxccTable {
    DxccIndex index;
    std::vector<QVariant> entities;
    QHash<QString, int> numberOfEntity;
    QHash<int, QString> entityOfNumber;
};

LogDatabase::LogDatabase(QString path, QString connectionName)
    : m_path(std::move(path))
    , m_connectionName(std::move(connectionName))
{
}

std::unique_ptr<LogDatabase> LogDatabase::open(const QString& path, const QString& ctyCsvPath, QString* error)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        QString readError;
        const std::vector<DxccRow> rows = readCtyCsv(ctyCsvPath, &readError);
        if (rows.empty()) {
            setError(error,
                     QStringLiteral("Cannot create the log %1: %2").arg(QDir::toNativeSeparators(path), readError));
            return nullptr;
        }
        if (!createLogFile(path, rows, error))
            return nullptr;
    }
    if (!checkLogFile(path, error))
        return nullptr;

    const QString name = QStringLiteral("mivra-log-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    std::unique_ptr<LogDatabase> log(new LogDatabase(path, name));
    log->m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    log->m_db.setDatabaseName(path);
    if (!log->m_db.open()) {
        setError(error, QStringLiteral("The log %1 cannot be opened: %2")
                            .arg(QDir::toNativeSeparators(path), log->m_db.lastError().text()));
        return nullptr;
    }
    QString writeError;
    if (!log->proveWritable(&writeError)) {
        const QString text = writeError.contains(QLatin1String("disk is full"))
                                 ? QStringLiteral("The log %1 cannot be written: %2")
                                 : QStringLiteral("The log %1 is read-only: %2");
        setError(error, text.arg(QDir::toNativeSeparators(path), writeError));
        return nullptr;
    }
    // Brought to the newest layout, a copy of the log as it was made first.
    SqliteConnection connection = SqliteConnection::borrowed(log->m_db);
    QString upgradeError;
    if (!upgradeLog(
            connection, [&log](QString* backupError) { return log->backUpBeforeUpgrade(backupError); },
            &upgradeError)) {
        setError(error, QStringLiteral("The log %1 cannot be brought to this version's layout: %2")
                            .arg(QDir::toNativeSeparators(path), upgradeError));
        return nullptr;
    }
    QString indexError;
    if (!createMissingIndexes(connection, &indexError))
        qWarning("mivra: the indexes of %s cannot be made: %s", qPrintable(QDir::toNativeSeparators(path)),
                 qPrintable(indexError));
    if (!ensureBandCounts(connection, &indexError))
        qWarning("mivra: the band counts of %s cannot be made: %s", qPrintable(QDir::toNativeSeparators(path)),
                 qPrintable(indexError));
    QString viewError;
    if (log->isWriteAhead() && !log->openViewConnection(&viewError)) {
        setError(error,
                 QStringLiteral("The log %1 cannot be opened: %2").arg(QDir::toNativeSeparators(path), viewError));
        return nullptr;
    }
    // QSL states of cards that a killed print run printed but did not store.
    QString pendingError;
    if (!PendingQslStates::recover(connection, path, &pendingError))
        qWarning("mivra: %s", qPrintable(pendingError));
    return log;
}

std::unique_ptr<LogDatabase> LogDatabase::openForReading(const QString& path, QString* error)
{
    if (!checkLogFileForReading(path, error))
        return nullptr;
    const QString name = QStringLiteral("mivra-log-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    std::unique_ptr<LogDatabase> log(new LogDatabase(path, name));
    log->m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    log->m_db.setDatabaseName(path);
    // A writer holds the log for a moment at a time; a read waits for it.
    log->m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
    if (!log->m_db.open()) {
        setError(error, QStringLiteral("The log %1 cannot be opened: %2")
                            .arg(QDir::toNativeSeparators(path), log->m_db.lastError().text()));
        return nullptr;
    }
    return log;
}

// A write that is rolled back: SQLite creates its journal beside the log only when a page is
// written, so this is what finds a folder that cannot be written. The file itself is not changed.
bool LogDatabase::proveWritable(QString* error)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        setError(error, query.lastError().text());
        return false;
    }
    const int version = query.value(0).toInt();
    query.finish();
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        setError(error, query.lastError().text());
        return false;
    }
    const bool written = query.exec(QStringLiteral("PRAGMA user_version = %1").arg(version));
    if (!written)
        setError(error, query.lastError().text());
    query.exec(QStringLiteral("ROLLBACK"));
    return written;
}

LogDatabase::~LogDatabase()
{
    m_dxcc.reset();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    if (m_viewDb.isValid()) {
        m_viewDb.close();
        m_viewDb = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName + QStringLiteral("-view"));
    }
}

QSqlDatabase LogDatabase::database() const
{
    return m_db;
}

QString LogDatabase::path() const
{
    return m_path;
}

bool LogDatabase::isWriting() const
{
    return SqliteConnection::borrowed(m_db).inTransaction();
}

bool LogDatabase::backUpBeforeUpgrade(QString* error)
{
    QString backupError;
    if (!LogBackups(m_path)
             .makeBackup(QDateTime::currentDateTimeUtc(), &backupError, BackupKind::BeforeUpgrade)
             .isEmpty())
        return true;
    setError(error, backupError);
    return false;
}

QSqlQuery LogDatabase::logView(const QString& bandPattern) const
{
    QSqlQuery query(viewDatabase());
    QString statement = viewColumns();
    if (!bandPattern.isEmpty()) {
        // A band with many rows: walk the time index newest first, testing the band on each
        // entry ("+Band" keeps the planner off the band index), so the first screen needs no sort.
        // A band with few rows: find them through the band index and sort them, rather than
        // walking the whole log.
        const bool fewRows = hasFewRows(bandPattern);
        statement += (fewRows ? QStringLiteral(" WHERE ") : QStringLiteral(" WHERE +")) + bandCondition(bandPattern);
    }
    // Of the contacts of one minute the one saved last comes first: in a contest the newest is on top.
    statement += QStringLiteral(" ORDER BY Date DESC, GMT DESC, ID DESC");
    if (query.prepare(statement)) {
        if (!bandPattern.isEmpty())
            query.bindValue(QStringLiteral(":band"), bandPattern);
        query.exec();
    }
    return query;
}

bool LogDatabase::hasFewRows(const QString& bandPattern) const
{
    const int count = countLogView(bandPattern);
    return count >= 0 && count < kFewRows;
}

int LogDatabase::countLogView(const QString& bandPattern) const
{
    const auto where = [&](const char* column) {
        return bandPattern.isEmpty() ? QString() : QStringLiteral(" WHERE %1 LIKE :band").arg(QLatin1String(column));
    };
    // The counts per band value that the triggers keep; the rows themselves where those are missing.
    const int kept
        = countBand(m_db, QStringLiteral("SELECT total(contacts) FROM bandcounts") + where("band"), bandPattern);
    return kept >= 0 ? kept
                     : countBand(m_db, QStringLiteral("SELECT count(*) FROM logtab") + where("Band"), bandPattern);
}

QSqlQuery LogDatabase::search(int choice, const QString& text, const QString& bandPattern) const
{
    QSqlQuery query(viewDatabase());
    const QString condition = searchCondition(choice, bandPattern);
    if (condition.isEmpty())
        return query;
    if (query.prepare(viewColumns() + QStringLiteral(" WHERE ") + condition)) {
        query.bindValue(QStringLiteral(":text"), literalPrefixPattern(text));
        if (!bandPattern.isEmpty())
            query.bindValue(QStringLiteral(":band"), bandPattern);
        query.exec();
    }
    return query;
}

int LogDatabase::countSearch(int choice, const QString& text, const QString& bandPattern) const
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    const QString condition = searchCondition(choice, bandPattern);
    if (condition.isEmpty() || !query.prepare(QStringLiteral("SELECT count(*) FROM logtab WHERE ") + condition))
        return -1;
    query.bindValue(QStringLiteral(":text"), literalPrefixPattern(text));
    if (!bandPattern.isEmpty())
        query.bindValue(QStringLiteral(":band"), bandPattern);
    return countRows(query);
}

std::optional<QHash<qint64, QVariantList>> LogDatabase::viewRows(const QList<qint64>& ids, QString* error) const
{
    // A few hundred IDs a statement, well within SQLite's limit of bound values.
    constexpr qsizetype kIdsAStatement = 500;
    QHash<qint64, QVariantList> rows;
    for (qsizetype first = 0; first < ids.size(); first += kIdsAStatement) {
        const QList<qint64> part = ids.mid(first, kIdsAStatement);
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        const QString marks = QStringList(part.size(), QStringLiteral("?")).join(u',');
        if (!query.prepare(viewColumns() + QStringLiteral(" WHERE ID IN (%1)").arg(marks))) {
            setError(error, query.lastError().text());
            return std::nullopt;
        }
        for (const qint64 id : part)
            query.addBindValue(id);
        if (!query.exec()) {
            setError(error, query.lastError().text());
            return std::nullopt;
        }
        while (query.next()) {
            QVariantList values;
            const int columns = query.record().count();
            values.reserve(columns);
            for (int column = 0; column < columns; ++column)
                values << query.value(column);
            rows.insert(values.front().toLongLong(), values);
        }
        if (query.lastError().isValid()) {
            setError(error, query.lastError().text());
            return std::nullopt;
        }
    }
    return rows;
}

bool beginWriting(QSqlDatabase db, QString* error)
{
    QSqlQuery begin(db);
    if (begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return true;
    setError(error, begin.lastError().text());
    return false;
}

bool viewDependsOn(const QStringList& columns, const QString& bandPattern, int searchChoice)
{
    const auto has
        = [&columns](const char* name) { return columns.contains(QLatin1String(name), Qt::CaseInsensitive); };
    return has("Date") || has("GMT") || has("ID") || (!bandPattern.isEmpty() && has("Band"))
           || (searchChoice == SearchByCallsign && has("Callsign")) || (searchChoice == SearchByGrid && has("Grid"));
}

bool LogDatabase::deleteRow(qint64 id, QString* error)
{
    QSqlQuery query(m_db);
    if (!query.prepare(QStringLiteral("DELETE FROM logtab WHERE ID = ?"))) {
        setError(error, query.lastError().text());
        return false;
    }
    query.addBindValue(id);
    if (!query.exec()) {
        setError(error, query.lastError().text());
        return false;
    }
    if (query.numRowsAffected() != 1) {
        setError(error, QStringLiteral("No row with ID %1").arg(id));
        return false;
    }
    return true;
}

bool LogDatabase::saveQso(const Contact& qso, QString* error)
{
    return saveQsos(std::span<const Contact>(&qso, 1), {}, error);
}

bool LogDatabase::saveQsos(std::span<const Contact> qsos, const std::function<void(qint64 stored)>& stored,
                           QString* error)
{
    return inTransaction(
        [&](QSqlQuery& insert) {
            if (!insert.prepare(QStringLiteral("INSERT INTO logtab (Date, GMT, Callsign, Grid, rsts, rstr, Band,"
                                               " mode, Nam, Comment, QSL, Prop, DXCC, QRB, QTF, QSLman, Freq, FreqRx,"
                                               " MyGrid, QslSdate, QslRdate, LotwRcvd, LotwRdate, EqslRcvd, EqslRdate)"
                                               " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                                               " ?, ?, ?, ?, ?, ?, ?)")))
                return false;
            QSqlQuery otherFields(m_db);
            if (!otherFields.prepare(QStringLiteral("INSERT INTO logfields (ID, fields) VALUES (?, ?)"))) {
                insert = std::move(otherFields); // its error is the one told
                return false;
            }
            qint64 count = 0;
            for (const Contact& qso : qsos) {
                int i = 0;
                for (const QString* text :
                     {&qso.date, &qso.gmt, &qso.callsign, &qso.locator, &qso.rsts, &qso.rstr, &qso.band, &qso.mode,
                      &qso.name, &qso.comment, &qso.qsl, &qso.prop, &qso.dxcc})
                    insert.bindValue(i++, textValue(*text));
                insert.bindValue(i++, numberValue(qso.qrb));
                insert.bindValue(i++, numberValue(qso.qtf));
                // NULL where the contact gives none, as for a contact logged by hand.
                insert.bindValue(i++, qso.qslVia ? textValue(*qso.qslVia) : QVariant(QMetaType(QMetaType::QString)));
                insert.bindValue(i++, numberValue(qso.frequencyMHz));
                insert.bindValue(i++, numberValue(qso.frequencyRxMHz));
                for (const QString* text : {&qso.myLocator, &qso.qslSentDate, &qso.qslReceivedDate, &qso.lotwReceived,
                                            &qso.lotwReceivedDate, &qso.eqslReceived, &qso.eqslReceivedDate})
                    insert.bindValue(i++, textValue(*text));
                if (!insert.exec())
                    return false;
                if (!qso.otherFields.isEmpty()) {
                    otherFields.bindValue(0, insert.lastInsertId());
                    otherFields.bindValue(1, qso.otherFields);
                    if (!otherFields.exec()) {
                        insert = std::move(otherFields); // its error is the one told
                        return false;
                    }
                }
                if (stored)
                    stored(++count);
            }
            return true;
        },
        error);
}

bool LogDatabase::switchPatternsToRunningForm(QString* error)
{
    reloadDxccPatterns();
    return execInTransaction(QStringLiteral("UPDATE dxccdata SET dxcccode = substr(dxcccode, 1, length(dxcccode) - 1)"
                                            " || '%' WHERE substr(dxcccode, -1) = '*'"),
                             error);
}

bool LogDatabase::switchPatternsToStoredForm(QString* error)
{
    reloadDxccPatterns();
    return execInTransaction(QStringLiteral("UPDATE dxccdata SET dxcccode = substr(dxcccode, 1, length(dxcccode) - 1)"
                                            " || '*' WHERE substr(dxcccode, -1) = '%'"),
                             error);
}

bool LogDatabase::execInTransaction(const QString& statement, QString* error)
{
    return inTransaction([&statement](QSqlQuery& query) { return query.exec(statement); }, error);
}

bool LogDatabase::inTransaction(const std::function<bool(QSqlQuery&)>& work, QString* error)
{
    return mivra::inTransaction(m_db, work, error);
}

void LogDatabase::reloadDxccPatterns() const
{
    m_dxcc.reset();
}

const LogDatabase::DxccTable* LogDatabase::dxccTable()
{
    if (m_dxcc)
        return m_dxcc.get();
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT * FROM dxccdata ORDER BY rowid")))
        return nullptr;
    auto table = std::make_unique<DxccTable>();
    while (query.next()) {
        QVariant pattern = query.value(1);
        if (m_storedPatternsAsRunning && pattern.toString().endsWith(u'*'))
            pattern = pattern.toString().chopped(1) + u'%';
        const QVariant entity = query.value(2);
        table->index.append(pattern.isNull() ? QString() : pattern.toString());
        table->entities.push_back(entity);
        const int number = query.value(0).toInt();
        if (!entity.isNull() && number > 0) {
            if (!table->numberOfEntity.contains(entity.toString()))
                table->numberOfEntity.insert(entity.toString(), number);
            if (!table->entityOfNumber.contains(number))
                table->entityOfNumber.insert(number, entity.toString());
        }
    }
    if (query.lastError().isValid())
        return nullptr;
    m_dxcc = std::move(table);
    return m_dxcc.get();
}

void LogDatabase::readStoredPatternsAsRunning()
{
    m_storedPatternsAsRunning = true;
    reloadDxccPatterns();
}

int LogDatabase::dxccNumber(const QString& entity)
{
    const DxccTable* table = dxccTable();
    return table ? table->numberOfEntity.value(entity, 0) : 0;
}

QHash<QString, int> LogDatabase::dxccNumbers()
{
    const DxccTable* table = dxccTable();
    return table ? table->numberOfEntity : QHash<QString, int>();
}

QString LogDatabase::dxccEntity(int number)
{
    const DxccTable* table = dxccTable();
    return table ? table->entityOfNumber.value(number) : QString();
}

DxccResult LogDatabase::findDxcc(const QString& callsign)
{
    const DxccTable* table = dxccTable();
    if (!table)
        return {DxccStatus::Failed, {}};
    const int position = table->index.find(callsign);
    if (position < 0)
        return {DxccStatus::NoMatch, {}};
    const QVariant& entity = table->entities[std::size_t(position)];
    if (entity.isNull())
        return {DxccStatus::Failed, {}};
    const DxccResult result{DxccStatus::Found, entity.toString()};

    // A pattern still in its stored form ends in a literal "*", so it can only have matched a
    // callsign that ends in "*"; such rows switch to the running form.
    if (callsign.endsWith(u'*')) {
        reloadDxccPatterns();
        QSqlQuery update(m_db);
        if (!update.prepare(
                QStringLiteral("UPDATE dxccdata SET dxcccode = substr(dxcccode, 1, length(dxcccode) - 1) || '%'"
                               " WHERE ? LIKE dxcccode AND substr(dxcccode, -1) = '*'")))
            return {DxccStatus::Failed, {}};
        update.addBindValue(callsign);
        if (!update.exec())
            return {DxccStatus::Failed, {}};
    }
    return result;
}

} // namespace mivra
