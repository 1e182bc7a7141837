#include "RecomputeDistances.h"

#include "AppContext.h"
#include "BackgroundWork.h"
#include "Clock.h"
#include "ContactGeometry.h"
#include "DistanceRecompute.h"
#include "LogBackups.h"
#include "LogDatabase.h"
#include "LogGrid.h"
#include "Messages.h"
#include "Utf16View.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTableView>

#include <climits>

namespace mivra {

RecomputeDistances::RecomputeDistances(LogGrid* grid, Services services)
    : QObject(grid)
    , m_grid(grid)
    , m_services(std::move(services))
{
    auto* action = new QAction(QStringLiteral("Recompute distances..."), grid->view());
    connect(action, &QAction::triggered, this, &RecomputeDistances::recompute);
    grid->view()->addAction(action);
}

void RecomputeDistances::recompute()
{
    AppContext& ctx = m_services.context;
    QWidget* window = m_grid->window();
    const QString own = m_services.ownLocator->text();
    if (!geo::contactQrbQtf(utf16View(own), utf16View(own))) {
        ctx.messages.inform(window, QStringLiteral("Please enter a valid own locator in My Grid first: the distances "
                                                   "are reckoned from it."));
        return;
    }
    if (m_services.logBusy && m_services.logBusy()) {
        ctx.messages.inform(window, QStringLiteral("An import is writing to the log; recompute the distances when it "
                                                   "is done."));
        return;
    }
    if (!ctx.messages.ask(window, QStringLiteral("Recompute the distance and heading of every contact from the "
                                                 "centres of the locators, from My Grid %1? A copy of the log is "
                                                 "made first.")
                                      .arg(own)))
        return;
    QString error;
    const QString copy = LogBackups(ctx.log.path()).makeBackup(ctx.clock.nowUtc(), &error);
    if (copy.isEmpty()) {
        ctx.messages.inform(window, error + QStringLiteral("\nNo distance was changed."));
        return;
    }
    RecomputeResult result;
    {
        // A write that lets events through: a close waits for it.
        const BackgroundWork::Token underWay = ctx.work.begin();
        QProgressDialog progress(QStringLiteral("Recomputing the distances"), QStringLiteral("Cancel"), 0, 0, window);
        progress.setWindowTitle(QStringLiteral("Recompute distances"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(300);
        result = recomputeDistances(ctx.log.database(), own, [&progress](qint64 done, qint64 total) {
            progress.setMaximum(int(std::min<qint64>(total, INT_MAX)));
            progress.setValue(int(std::min<qint64>(done, total)));
            return !progress.wasCanceled();
        });
        progress.reset();
    }
    if (result.cancelled) {
        ctx.messages.inform(window, QStringLiteral("Recomputing was cancelled; no distance was changed."));
        return;
    }
    if (!result.ok) {
        ctx.messages.inform(
            window,
            QStringLiteral("The distances cannot be recomputed: %1\nNo distance was changed.").arg(result.error));
        return;
    }
    m_services.reloadView();
    ctx.messages.inform(window, QStringLiteral("Distance and heading recomputed: %1 of %2 contacts changed. The log "
                                               "as it was is kept in %3. Run GD to draw the map anew.")
                                    .arg(result.changed)
                                    .arg(result.rows)
                                    .arg(QDir::toNativeSeparators(copy)));
}

} // namespace mivra
