#include "DistanceRecompute.h"

#include "ContactGeometry.h"
#include "Locator.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "Utf16View.h"

#include <optional>

namespace mivra {

namespace {

// Contacts between two progress reports.
constexpr qint64 kRowsPerReport = 512;

enum Column { Id, Grid, Qrb, Qtf, MyGrid };

bool sameNumber(const std::optional<double>& stored, const std::optional<double>& reckoned)
{
    return stored.has_value() == reckoned.has_value() && (!stored || *stored == *reckoned);
}

} // namespace

RecomputeResult recomputeDistances(QSqlDatabase db, const QString& settingsLocator, const RecomputeProgress& progress)
{
    RecomputeResult result;
    SqliteConnection log = SqliteConnection::borrowed(db);
    if (!log.isOpen()) {
        result.error = log.errorMessage();
        return result;
    }
    SqliteStatement count(log, QStringLiteral("SELECT count(*) FROM logtab"));
    SqliteStatement rows(log, QStringLiteral("SELECT ID, Grid, QRB, QTF, MyGrid FROM logtab ORDER BY ID"));
    SqliteStatement update(log, QStringLiteral("UPDATE logtab SET QRB = ?1, QTF = ?2 WHERE ID = ?3"));
    if (!count.isPrepared() || !rows.isPrepared() || !update.isPrepared()) {
        result.error = log.errorMessage();
        return result;
    }
    result.ok = log.transaction(
        [&](QString* failure) {
            if (!count.step()) {
                *failure = count.error();
                return false;
            }
            const qint64 total = count.integer(0);
            if (progress && !progress(0, total)) {
                result.cancelled = true;
                return false;
            }
            while (rows.step()) {
                ++result.rows;
                if (progress && result.rows % kRowsPerReport == 0 && !progress(result.rows, total)) {
                    result.cancelled = true;
                    return false;
                }
                const QString grid = rows.text(Grid);
                // Where the contact was made from: its own locator, else the settings'.
                const QString myGrid = rows.text(MyGrid).trimmed();
                const QString own = myGrid.isEmpty() ? settingsLocator.trimmed() : myGrid;
                if (!geo::isLocatorValid(utf16View(own.toUpper()))) {
                    ++result.unplaced;
                    continue;
                }
                // The one reckoning of a contact's distance, from its own locator and the worked one.
                const std::optional<geo::QrbQtf> reckoned = geo::contactQrbQtf(utf16View(own), utf16View(grid));
                const std::optional<double> qrb = reckoned ? std::optional<double>(reckoned->qrbKm) : std::nullopt;
                const std::optional<double> qtf = reckoned ? std::optional<double>(reckoned->qtfDeg) : std::nullopt;
                if (sameNumber(rows.number(Qrb), qrb) && sameNumber(rows.number(Qtf), qtf) && rows.isNull(Qrb) == !qrb
                    && rows.isNull(Qtf) == !qtf)
                    continue;
                update.reset();
                update.bindReal(1, qrb);
                update.bindReal(2, qtf);
                update.bindInteger(3, rows.integer(Id));
                if (!update.run()) {
                    *failure = update.error();
                    return false;
                }
                ++result.changed;
            }
            if (rows.failed()) {
                *failure = rows.error();
                return false;
            }
            if (progress)
                progress(total, total);
            return true;
        },
        &result.error);
    if (result.cancelled) {
        result.ok = false;
        result.error = QStringLiteral("cancelled");
    }
    return result;
}

} // namespace mivra
