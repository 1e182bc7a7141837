#include "MapDataPreparation.h"

#include "ContactGeometry.h"
#include "KmlDocument.h"
#include "SqliteHandle.h"
#include "StoredDateTime.h"
#include "Utf16View.h"

#include <QDate>
#include <QHash>
#include <QSqlError>
#include <QTime>
#include <QVariant>

#include <sqlite3.h>

namespace mivra::exporter {

namespace {

// " dd.MM.yyyy" of a stored date; a text that is no date is kept as it is.
QByteArray dateText(QByteArrayView stored)
{
    // The stored form is rearranged; the others are read.
    const QString text = QString::fromUtf8(stored);
    const QDate date = readStoredDate(text);
    if (date.isValid() && stored.size() == 10 && stored[4] == '-' && stored[7] == '-') {
        const char* in = stored.data();
        const char out[] = {' ', in[8], in[9], '.', in[5], in[6], '.', in[0], in[1], in[2], in[3]};
        return QByteArray(out, sizeof out);
    }
    return ' ' + (date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : text).toUtf8();
}

QByteArray timeText(QByteArrayView stored)
{
    const QTime time = readStoredTime(QString::fromUtf8(stored));
    if (time.isValid() && stored.size() == 5 && stored[2] == ':')
        return stored.toByteArray();
    return time.isValid() ? time.toString(QStringLiteral("HH:mm")).toUtf8() : stored.toByteArray();
}

QByteArray numberText(const std::optional<float>& value)
{
    return value ? QByteArray::number(double(*value), 'g', 7) : QByteArray();
}

// A stored number as QtSql reads it into a float: a text that is no number gives nothing.
std::optional<float> storedNumber(sqlite3_stmt* rows, int column)
{
    switch (sqlite3_column_type(rows, column)) {
    case SQLITE_NULL:
        return std::nullopt;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return float(sqlite3_column_double(rows, column));
    default: {
        bool ok = false;
        const float number
            = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(rows, column))).toFloat(&ok);
        return ok ? std::optional<float>(number) : std::nullopt;
    }
    }
}

// A column as UTF-8, valid until the next row.
QByteArrayView bytes(sqlite3_stmt* rows, int column)
{
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(rows, column));
    return value ? QByteArrayView(value, sqlite3_column_bytes(rows, column)) : QByteArrayView();
}

QString text(sqlite3_stmt* rows, int column)
{
    const auto* value = static_cast<const char16_t*>(sqlite3_column_text16(rows, column));
    return value ? QString::fromUtf16(value, sqlite3_column_bytes16(rows, column) / 2) : QString();
}

void bindText(sqlite3_stmt* statement, int index, const QString& value)
{
    sqlite3_bind_text16(statement, index, value.isNull() ? static_cast<const void*>(u"") : value.utf16(),
                        int(value.size() * 2), SQLITE_TRANSIENT);
}

// The statements of one preparation, finalized whatever way it ends.
struct Statements {
    sqlite3_stmt* count = nullptr;
    sqlite3_stmt* rows = nullptr;
    sqlite3_stmt* update = nullptr;
    ~Statements()
    {
        sqlite3_finalize(count);
        sqlite3_finalize(rows);
        sqlite3_finalize(update);
    }
};

enum Column { Id, Date, Gmt, Callsign, Grid, Rsts, Rstr, Band, Qsl, Comment, Prop, Qrb, Qtf };

// Rows between two progress reports.
constexpr qint64 kRowsPerReport = 256;

} // namespace

PreparationResult prepareMapData(QSqlDatabase db, const QString& bandPattern, const QString& ownLocator,
                                 const MapProgress& progress)
{
    PreparationResult result;
    sqlite3* handle = sqliteHandle(db);
    if (!handle) {
        result.error = QStringLiteral("the log is not an open SQLite database");
        return result;
    }
    if (!db.transaction()) {
        result.error = db.lastError().text();
        return result;
    }
    const auto fail = [&](const QString& error) {
        result.error = error.isEmpty() ? QString::fromUtf8(sqlite3_errmsg(handle)) : error;
        db.rollback();
        return result;
    };
    const QByteArray where = bandPattern.isEmpty() ? QByteArray() : QByteArray(" WHERE Band LIKE ?1");
    Statements statements;
    if (sqlite3_prepare_v2(handle, "SELECT count(*) FROM logtab" + where, -1, &statements.count, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(handle,
                              "SELECT ID, Date, GMT, Callsign, Grid, rsts, rstr, Band, QSL, Comment, Prop, QRB, QTF"
                              " FROM logtab"
                                  + where + " ORDER BY ID",
                              -1, &statements.rows, nullptr)
               != SQLITE_OK
        || sqlite3_prepare_v2(handle, "UPDATE logtab SET GEdata = ?1, GEgridXY = ?2 WHERE ID = ?3", -1,
                              &statements.update, nullptr)
               != SQLITE_OK)
        return fail({});
    if (!bandPattern.isEmpty()) {
        bindText(statements.count, 1, bandPattern);
        bindText(statements.rows, 1, bandPattern);
    }
    qint64 total = 0;
    if (progress) {
        if (sqlite3_step(statements.count) != SQLITE_ROW)
            return fail({});
        total = sqlite3_column_int64(statements.count, 0);
        if (!progress(0, total)) {
            result.cancelled = true;
            return fail(QStringLiteral("cancelled"));
        }
    }

    sqlite3_stmt* rows = statements.rows;
    QHash<QByteArray, QByteArray> bandTexts; // a band value and its unit, for the few values a log holds
    sqlite3_stmt* update = statements.update;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(rows)) == SQLITE_ROW) {
        ++result.rowCount;
        if (progress && result.rowCount % kRowsPerReport == 0 && !progress(result.rowCount, total)) {
            result.cancelled = true;
            return fail(QStringLiteral("cancelled"));
        }
        if (sqlite3_column_type(rows, Grid) == SQLITE_NULL)
            continue;
        geo::ContactGeometry geometry;
        const std::optional<float> storedQrb = storedNumber(rows, Qrb);
        const std::optional<float> storedQtf = storedNumber(rows, Qtf);
        const QString grid = text(rows, Grid);
        const bool computed = geometry.CalcContactGeometry(utf16View(ownLocator), utf16View(grid));
        const std::optional<float> qrb = computed ? std::optional<float>(geometry.QrbKm) : storedQrb;
        const std::optional<float> qtf = computed ? std::optional<float>(geometry.QtfDeg) : storedQtf;

        QByteArray description;
        description.reserve(200);
        const QByteArrayView band = bytes(rows, Band);
        auto withUnit = bandTexts.constFind(band.toByteArray());
        if (withUnit == bandTexts.cend())
            withUnit = bandTexts.insert(band.toByteArray(), bandValueWithUnit(QString::fromUtf8(band)).toUtf8());
        description.append("Log: ").append(bytes(rows, Callsign)).append(' ').append(*withUnit).append(' ');
        description.append(dateText(bytes(rows, Date))).append(' ').append(timeText(bytes(rows, Gmt)));
        description.append(" rsts:").append(bytes(rows, Rsts)).append(" rstr:").append(bytes(rows, Rstr));
        description.append(" QRB:").append(numberText(qrb)).append("km  QTF:").append(numberText(qtf));
        description.append(" QSL: ").append(bytes(rows, Qsl)).append(" Prop:").append(bytes(rows, Prop));
        description.append(' ').append(bytes(rows, Comment));

        sqlite3_reset(update);
        sqlite3_bind_text(update, 1, description.constData(), int(description.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(update, 2, geometry.lastPointText.data(), int(geometry.lastPointText.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_int64(update, 3, sqlite3_column_int64(rows, Id));
        if (sqlite3_step(update) == SQLITE_DONE)
            ++result.prepared;
    }
    if (step != SQLITE_DONE)
        return fail({});
    sqlite3_reset(update);
    if (!db.commit()) {
        result.error = db.lastError().text();
        db.rollback();
        return result;
    }
    if (progress)
        progress(total, total);
    result.ok = true;
    return result;
}

} // namespace mivra::exporter
