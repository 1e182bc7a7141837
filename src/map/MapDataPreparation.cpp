#include "MapDataPreparation.h"

#include "ContactGeometry.h"
#include "KmlDocument.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "StoredDateTime.h"
#include "Utf16View.h"

#include <QDate>
#include <QHash>
#include <QTime>
#include <QVariant>

namespace mivra::map {

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
std::optional<float> storedNumber(const SqliteStatement& rows, int column)
{
    switch (rows.type(column)) {
    case SqliteStatement::Type::Null:
        return std::nullopt;
    case SqliteStatement::Type::Integer:
    case SqliteStatement::Type::Float:
        return float(rows.real(column));
    default: {
        bool ok = false;
        const float number = rows.text(column).toFloat(&ok);
        return ok ? std::optional<float>(number) : std::nullopt;
    }
    }
}

enum Column { Id, Date, Gmt, Callsign, Grid, Rsts, Rstr, Band, Qsl, Comment, Prop, Qrb, Qtf };

// Rows between two progress reports.
constexpr qint64 kRowsPerReport = 256;

} // namespace

PreparationResult prepareMapData(QSqlDatabase db, const QString& bandPattern, const QString& ownLocator,
                                 const MapProgress& progress)
{
    PreparationResult result;
    SqliteConnection log = SqliteConnection::borrowed(db);
    if (!log.isOpen()) {
        result.error = log.errorMessage();
        return result;
    }
    const QString where = bandPattern.isEmpty() ? QString() : QStringLiteral(" WHERE Band LIKE ?1");
    SqliteStatement count(log, QStringLiteral("SELECT count(*) FROM logtab") + where);
    SqliteStatement rows(
        log, QStringLiteral("SELECT ID, Date, GMT, Callsign, Grid, rsts, rstr, Band, QSL, Comment, Prop, QRB,"
                            " QTF FROM logtab")
                 + where + QStringLiteral(" ORDER BY ID"));
    SqliteStatement update(log, QStringLiteral("UPDATE logtab SET GEdata = ?1, GEgridXY = ?2 WHERE ID = ?3"));
    if (!count.isPrepared() || !rows.isPrepared() || !update.isPrepared()) {
        result.error = log.errorMessage();
        return result;
    }
    if (!bandPattern.isEmpty()) {
        count.bindText(1, bandPattern);
        rows.bindText(1, bandPattern);
    }
    // Every row or none: a cancel or a failure rolls back all of them.
    const bool done = log.transaction(
        [&](QString* failure) {
            qint64 total = 0;
            if (progress) {
                if (!count.step()) {
                    *failure = count.error();
                    return false;
                }
                total = count.integer(0);
                if (!progress(0, total)) {
                    result.cancelled = true;
                    return false;
                }
            }
            QHash<QByteArray, QByteArray> bandTexts; // a band value and its unit, for the few values a log holds
            while (rows.step()) {
                ++result.rowCount;
                if (progress && result.rowCount % kRowsPerReport == 0 && !progress(result.rowCount, total)) {
                    result.cancelled = true;
                    return false;
                }
                if (rows.isNull(Grid))
                    continue;
                geo::ContactGeometry geometry;
                const std::optional<float> storedQrb = storedNumber(rows, Qrb);
                const std::optional<float> storedQtf = storedNumber(rows, Qtf);
                const QString grid = rows.text(Grid);
                const bool computed = geometry.calculate(utf16View(ownLocator), utf16View(grid));
                const std::optional<float> qrb = computed ? std::optional<float>(geometry.qrbKm) : storedQrb;
                const std::optional<float> qtf = computed ? std::optional<float>(geometry.qtfDeg) : storedQtf;

                QByteArray description;
                description.reserve(200);
                const QByteArrayView band = rows.utf8(Band);
                auto withUnit = bandTexts.constFind(band.toByteArray());
                if (withUnit == bandTexts.cend())
                    withUnit
                        = bandTexts.insert(band.toByteArray(), bandValueWithUnit(QString::fromUtf8(band)).toUtf8());
                description.append("Log: ").append(rows.utf8(Callsign)).append(' ').append(*withUnit).append(' ');
                description.append(dateText(rows.utf8(Date))).append(' ').append(timeText(rows.utf8(Gmt)));
                description.append(" rsts:").append(rows.utf8(Rsts)).append(" rstr:").append(rows.utf8(Rstr));
                description.append(" QRB:").append(numberText(qrb)).append("km  QTF:").append(numberText(qtf));
                description.append(" QSL: ").append(rows.utf8(Qsl)).append(" Prop:").append(rows.utf8(Prop));
                description.append(' ').append(rows.utf8(Comment));

                update.reset();
                update.bindUtf8(1, description);
                update.bindUtf8(2, QByteArrayView(geometry.lastPointText));
                update.bindInteger(3, rows.integer(Id));
                if (update.run())
                    ++result.prepared;
            }
            if (rows.failed()) {
                *failure = rows.error();
                return false;
            }
            update.reset();
            if (progress)
                progress(total, total);
            return true;
        },
        &result.error);
    if (result.cancelled)
        result.error = QStringLiteral("cancelled");
    result.ok = done;
    return result;
}

} // namespace mivra::map
