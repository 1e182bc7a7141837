#include "MapDataPreparation.h"

#include "StoredDateTime.h"
#include "ContactGeometry.h"
#include "Utf16View.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTime>
#include <QVariant>

namespace mivra::exporter {

namespace {

// " dd.MM.yyyy" of a stored date; a text that is no date is kept as it is.
QString dateText(const QString& stored)
{
    const QDate date = readStoredDate(stored);
    return QLatin1Char(' ') + (date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : stored);
}

QString timeText(const QString& stored)
{
    const QTime time = readStoredTime(stored);
    return time.isValid() ? time.toString(QStringLiteral("HH:mm")) : stored;
}

QString numberText(const std::optional<float>& value)
{
    return value ? QString::number(double(*value), 'g', 7) : QString();
}

std::optional<float> storedNumber(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    const float number = value.toFloat(&ok);
    return ok ? std::optional<float>(number) : std::nullopt;
}

enum Column { Id, Date, Gmt, Callsign, Grid, Rsts, Rstr, Band, Qsl, Comment, Prop, Qrb, Qtf };

} // namespace

PreparationResult prepareMapData(QSqlDatabase db, const QString& bandPattern, const QString& ownLocator)
{
    PreparationResult result;
    if (!db.transaction()) {
        result.error = db.lastError().text();
        return result;
    }
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    QSqlQuery update(db);
    const bool prepared =
        rows.prepare(QStringLiteral("SELECT ID, Date, GMT, Callsign, Grid, rsts, rstr, Band, QSL, Comment, Prop, QRB, QTF"
                                    " FROM logtab")
                     + (bandPattern.isEmpty() ? QString() : QStringLiteral(" WHERE Band LIKE :band"))
                     + QStringLiteral(" ORDER BY ID"))
        && update.prepare(QStringLiteral("UPDATE logtab SET GEdata = :description, GEgridXY = :point WHERE ID = :id"));
    if (prepared && !bandPattern.isEmpty())
        rows.bindValue(QStringLiteral(":band"), bandPattern);
    if (!prepared || !rows.exec()) {
        result.error = (rows.lastError().isValid() ? rows.lastError() : update.lastError()).text();
        db.rollback();
        return result;
    }

    while (rows.next()) {
        ++result.rowCount;
        if (rows.isNull(Grid))
            continue;
        geo::ContactGeometry geometry;
        const std::optional<float> storedQrb = storedNumber(rows.value(Qrb));
        const std::optional<float> storedQtf = storedNumber(rows.value(Qtf));
        const QString grid = rows.value(Grid).toString();
        const bool computed = geometry.CalcContactGeometry(utf16View(ownLocator), utf16View(grid));
        const std::optional<float> qrb = computed ? std::optional<float>(geometry.QrbKm) : storedQrb;
        const std::optional<float> qtf = computed ? std::optional<float>(geometry.QtfDeg) : storedQtf;

        const QString description = QStringLiteral("Log: ") + rows.value(Callsign).toString() + QLatin1Char(' ')
            + rows.value(Band).toString() + QStringLiteral(" kHz ") + dateText(rows.value(Date).toString())
            + QLatin1Char(' ') + timeText(rows.value(Gmt).toString()) + QStringLiteral(" rsts:")
            + rows.value(Rsts).toString() + QStringLiteral(" rstr:") + rows.value(Rstr).toString()
            + QStringLiteral(" QRB:") + numberText(qrb) + QStringLiteral("km  QTF:") + numberText(qtf)
            + QStringLiteral(" QSL: ") + rows.value(Qsl).toString() + QStringLiteral(" Prop:")
            + rows.value(Prop).toString() + QLatin1Char(' ') + rows.value(Comment).toString();

        update.bindValue(QStringLiteral(":description"), description);
        update.bindValue(QStringLiteral(":point"), QString::fromStdString(geometry.GridtoDEC));
        update.bindValue(QStringLiteral(":id"), rows.value(Id));
        if (update.exec())
            ++result.prepared;
    }
    if (rows.lastError().isValid()) {
        result.error = rows.lastError().text();
        db.rollback();
        return result;
    }
    rows.finish();
    if (!db.commit()) {
        result.error = db.lastError().text();
        db.rollback();
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace mivra::exporter
