#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>

namespace mivra {

struct RecomputeResult {
    bool ok = false;        // false: nothing was changed (cancelled, or the log could not be written)
    bool cancelled = false; // the progress said stop
    qint64 rows = 0;        // contacts read
    qint64 changed = 0;     // contacts whose QRB or QTF is now another
    qint64 unplaced = 0;    // contacts kept as they were: neither they nor the settings name a valid own locator
    QString error;
};

// Distance (QRB) and heading (QTF) of every contact anew, from the centres of the locator it was
// made from (its MyGrid, else settingsLocator) and the worked one, in one transaction: all of them
// or, on a failure or a cancel, none. A contact without a valid worked locator gets none; one
// without a valid own locator keeps what it has. progress is told now and then the contacts done
// and their number; when it returns false the work stops and every change is rolled back.
using RecomputeProgress = std::function<bool(qint64 done, qint64 total)>;
RecomputeResult recomputeDistances(QSqlDatabase db, const QString& settingsLocator,
                                   const RecomputeProgress& progress = {});

} // namespace mivra
