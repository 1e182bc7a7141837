#include "LogRows.h"

#include "LikePattern.h"
#include "LogDatabase.h"
#include "RowFeed.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "StoredDateTime.h"

#include <QThread>

#include <algorithm>
#include <string_view>

#include <sqlite3.h>

namespace mivra {

QDateTime rowTime(const QString& date, const QString& gmt)
{
    return readStoredDateTime(date, gmt);
}

namespace {

// Rows a text comparison puts in time order: yyyy-MM-dd and HH:mm (or HH:mm:ss).
bool sortableForm(const unsigned char* text, int size, std::string_view form)
{
    if (!text || size != int(form.size()))
        return false;
    for (int i = 0; i < size; ++i) {
        if (form[std::size_t(i)] == '9' ? text[i] < '0' || text[i] > '9' : text[i] != form[std::size_t(i)])
            return false;
    }
    return true;
}

// irregular(Date, GMT): 1 for a row whose texts do not sort in time order. Checked in C: the
// same test with GLOB took half a second on a million rows.
void irregular(sqlite3_context* context, int, sqlite3_value** values)
{
    const unsigned char* date = sqlite3_value_text(values[0]);
    const int dateSize = sqlite3_value_bytes(values[0]);
    const unsigned char* time = sqlite3_value_text(values[1]);
    const int timeSize = sqlite3_value_bytes(values[1]);
    const bool sortable = sortableForm(date, dateSize, "9999-99-99")
                          && (sortableForm(time, timeSize, "99:99") || sortableForm(time, timeSize, "99:99:99"));
    sqlite3_result_int(context, sortable ? 0 : 1);
}

const QString kIrregular = QStringLiteral("mivra_irregular(Date, GMT)");

// The longest span whose days are looked up one by one.
constexpr qint64 kMostDays = 400;
// After a date and any time written behind it, in the text order of the log.
const QString kAfterText = QString(QChar(0x7f));

// The columns of a contact after FreqRx, in the order of Contact.
const QString kConfirmationColumns
    = u"MyGrid, QslSdate, QslRdate, LotwRcvd, LotwRdate, EqslRcvd, EqslRdate, Uuid, Position"_qs;

LogRow rowOf(const RowFeed::Batch& batch, int at)
{
    LogRow row;
    row.id = batch.integer(at, 0);
    row.date = batch.text(at, 1);
    row.gmt = batch.text(at, 2);
    row.time = rowTime(row.date, row.gmt);
    row.callsign = batch.text(at, 3);
    row.locator = batch.text(at, 4);
    row.rsts = batch.text(at, 5);
    row.rstr = batch.text(at, 6);
    row.band = batch.text(at, 7);
    row.mode = batch.text(at, 8);
    row.name = batch.text(at, 9);
    row.comment = batch.text(at, 10);
    row.qsl = batch.text(at, 11);
    row.prop = batch.text(at, 12);
    row.dxcc = batch.text(at, 13);
    row.qrb = batch.number(at, 14);
    row.qtf = batch.number(at, 15);
    row.qslVia = batch.text(at, 16);
    row.frequencyMHz = batch.number(at, 17);
    row.frequencyRxMHz = batch.number(at, 18);
    int column = 19;
    for (QString* text : {&row.myLocator, &row.qslSentDate, &row.qslReceivedDate, &row.lotwReceived,
                          &row.lotwReceivedDate, &row.eqslReceived, &row.eqslReceivedDate, &row.uuid, &row.position})
        *text = batch.text(at, column++);
    if (batch.columns() > column)
        row.otherFields = batch.text(at, column);
    return row;
}

// A statement with its texts bound in order; false when it cannot be prepared.
bool prepare(SqliteStatement* statement, const SqliteConnection& db, const QString& sql, const QStringList& values)
{
    *statement = SqliteStatement(db, sql);
    for (int i = 0; i < values.size(); ++i)
        statement->bindText(i + 1, values[i]);
    return statement->isPrepared();
}

bool failed(const SqliteStatement& statement, QString* error)
{
    if (error)
        *error = statement.error();
    return false;
}

// SQLite's sorter may use helper threads while a big read is sorted; the connection's own
// setting comes back at the end.
class SorterThreads {
public:
    explicit SorterThreads(SqliteConnection& db)
        : m_db(db)
    {
        SqliteStatement pragma(db, u"PRAGMA threads"_qs);
        if (!pragma.step())
            return;
        m_previous = int(pragma.integer(0));
        const int helpers = std::clamp(QThread::idealThreadCount() - 1, 0, 3);
        m_db.exec(QStringLiteral("PRAGMA threads = %1").arg(helpers));
    }
    ~SorterThreads()
    {
        if (m_previous >= 0)
            m_db.exec(QStringLiteral("PRAGMA threads = %1").arg(m_previous));
    }
    SorterThreads(const SorterThreads&) = delete;
    SorterThreads& operator=(const SorterThreads&) = delete;

private:
    SqliteConnection& m_db;
    int m_previous = -1;
};

} // namespace

bool visitLogRows(const LogDatabase& log, const LogSelection& selection, const std::function<bool(LogRow&)>& visit,
                  QString* error, const std::function<void()>& quiet)
{
    const bool span = selection.from || selection.to;
    // A span of days: its rows are found through the time index, by text ranges that take the
    // stored form (also with a time after it) and each day's older dd.MM.yyyy form; the exact span
    // is applied to those rows below.
    QStringList dayRanges; // pairs of lower and upper bounds
    if (selection.from && selection.to && selection.from->isValid() && selection.to->isValid()
        && *selection.from < *selection.to) {
        const QDate first = selection.from->toUTC().date();
        const QDate last = selection.to->toUTC().addMSecs(-1).date();
        if (first.daysTo(last) < kMostDays) {
            dayRanges << storedDateText(first) << storedDateText(last) + kAfterText;
            for (QDate day = first; day <= last; day = day.addDays(1))
                dayRanges << day.toString(u"dd.MM.yyyy"_qs) << day.toString(u"dd.MM.yyyy"_qs) + kAfterText;
        }
    }
    QStringList conditions;
    QStringList values;
    if (!selection.bandPattern.isEmpty()) {
        // Within a few days, the time index finds the rows; the band is tested on its entries.
        conditions << (dayRanges.isEmpty() ? u"Band LIKE ?"_qs : u"+Band LIKE ?"_qs);
        values << selection.bandPattern;
    }
    if (selection.searchChoice == SearchByCallsign || selection.searchChoice == SearchByGrid) {
        conditions << (selection.searchChoice == SearchByCallsign ? u"Callsign LIKE ? ESCAPE '\\'"_qs
                                                                  : u"Grid LIKE ? ESCAPE '\\'"_qs);
        values << literalPrefixPattern(selection.searchText);
    }
    if (!dayRanges.isEmpty()) {
        conditions << u'(' + QStringList(dayRanges.size() / 2, u"(Date >= ? AND Date < ?)"_qs).join(u" OR "_qs) + u')';
        for (const QString& bound : dayRanges)
            values << bound;
    }
    const QString where = conditions.isEmpty() ? QString() : u" WHERE "_qs + conditions.join(u" AND "_qs);

    SqliteConnection db = SqliteConnection::borrowed(log.database());
    SqliteStatement query;
    // Rows in older forms do not sort as text: then the rows are put in time order here.
    bool sortHere = span;
    if (!sortHere) {
        // Defined again on every read; while the window's own statements run, SQLite refuses that,
        // and the definition from the first read stands.
        db.defineFunction("mivra_irregular", 2, irregular);
        if (!prepare(&query, db,
                     u"SELECT EXISTS (SELECT 1 FROM logtab"_qs + (where.isEmpty() ? u" WHERE "_qs : where + u" AND "_qs)
                         + kIrregular + u')',
                     values)
            || !query.step())
            return failed(query, error);
        sortHere = query.integer(0) != 0;
    }
    // Sorted by SQLite as one pass over the table: walking the time index would fetch the rows
    // in no order at all where they were not logged in time order. Sortable texts compare the
    // same byte by byte as without case, and bytes compare faster.
    const SorterThreads sorterThreads(db);
    const QString selected = u"SELECT ID, Date, GMT, Callsign, Grid, rsts, rstr, Band, mode, Nam, Comment, QSL, Prop,"
                             " DXCC, QRB, QTF, QSLman, Freq, FreqRx, "_qs
                             + kConfirmationColumns + u" FROM logtab"_qs + where
                             + (sortHere ? QString() : u" ORDER BY Date COLLATE BINARY, GMT COLLATE BINARY, ID"_qs);
    // The other fields are looked up once the rows are in order: sorted with them, SQLite would
    // carry a thousand bytes a row through its sorter, onto disk in a big log.
    bool withOtherFields = selection.otherFields;
    if (withOtherFields) {
        // A log without them reads its rows alone.
        SqliteStatement any(db, u"SELECT EXISTS (SELECT 1 FROM logfields)"_qs);
        withOtherFields = !any.step() || any.integer(0) != 0;
    }
    const QString sql = withOtherFields ? u"WITH sorted AS MATERIALIZED ("_qs + selected
                                              + u") SELECT sorted.*, (SELECT fields FROM logfields"
                                                " WHERE logfields.ID = sorted.ID) FROM sorted"_qs
                                        : selected;
    if (!prepare(&query, db, sql, values))
        return failed(query, error);
    std::vector<LogRow> rows;
    const bool read = RowFeed::read(
        query.handle(),
        [&](const RowFeed::Batch& batch, int at) {
            LogRow row = rowOf(batch, at);
            if (span
                && (!row.time.isValid() || (selection.from && row.time < *selection.from)
                    || (selection.to && row.time >= *selection.to)))
                return true;
            if (!sortHere)
                return visit(row);
            rows.push_back(std::move(row));
            return true;
        },
        error, sortHere ? std::function<void()>() : quiet);
    if (!read || !sortHere)
        return read;
    // Time order, then as stored; rows without a readable time last.
    std::sort(rows.begin(), rows.end(), [](const LogRow& a, const LogRow& b) {
        if (a.time.isValid() != b.time.isValid())
            return a.time.isValid();
        if (a.time.isValid() && a.time != b.time)
            return a.time < b.time;
        return a.id < b.id;
    });
    constexpr std::size_t kQuietEvery = 1024;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!visit(rows[i]))
            break;
        if (quiet && (i + 1) % kQuietEvery == 0)
            quiet();
    }
    return true;
}

bool readLogRows(const LogDatabase& log, const LogSelection& selection, std::vector<LogRow>* rows, QString* error)
{
    return visitLogRows(
        log, selection,
        [rows](LogRow& row) {
            rows->push_back(std::move(row));
            return true;
        },
        error);
}

} // namespace mivra
