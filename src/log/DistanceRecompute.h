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
    QString error;
};

// Distance (QRB) and heading (QTF) of every contact anew, from the centres of the own locator and
// the contact's, in one transaction: all of them or, on a failure or a cancel, none. A contact
// without a valid locator gets none. progress is told now and then the contacts done and their
// number; when it returns false the work stops and every change is rolled back.
using RecomputeProgress = std::function<bool(qint64 done, qint64 total)>;
RecomputeResult recomputeDistances(QSqlDatabase db, const QString& ownLocator, const RecomputeProgress& progress = {});

} // namespace mivra
