#include "RecomputeDistances.h"

#include "AppContext.h"
#include "BackgroundBackups.h"
#include "BackgroundWork.h"
#include "Clock.h"
#include "DistanceRecompute.h"
#include "Locator.h"
#include "LogDatabase.h"
#include "LogGrid.h"
#include "Messages.h"
#include "Utf16View.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
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
    if (m_copying) {
        ctx.messages.inform(window, QStringLiteral("The distances are recomputed as soon as the copy of the log "
                                                   "being made is done."));
        return;
    }
    if (m_services.logBusy && m_services.logBusy()) {
        ctx.messages.inform(window, QStringLiteral("An import is writing to the log; recompute the distances when it "
                                                   "is done."));
        return;
    }
    const QString own = m_services.ownLocator->text().trimmed().toUpper();
    const bool ownValid = geo::isLocatorValid(utf16View(own));
    const QString fallback = ownValid ? QStringLiteral("My Grid %1 for those that have none").arg(own)
                                      : QStringLiteral("those without one keep theirs, as My Grid holds no valid "
                                                       "locator");
    if (!ctx.messages.ask(window, QStringLiteral("Recompute the distance and heading of every contact from the "
                                                 "centres of the locators, each from the own locator it was made "
                                                 "from (%1)? A copy of the log is made first.")
                                      .arg(fallback)))
        return;
    // The copy first (after any copy already under way), on the copies' own thread.
    m_copying = true;
    const QPointer<RecomputeDistances> self(this);
    ctx.backups.makeBackup(ctx.clock.nowUtc(), BackupKind::OnRequest, [self, own](const BackupOutcome& backup) {
        if (!self)
            return;
        self->m_copying = false;
        if (!backup.error.isEmpty()) {
            self->m_services.context.messages.inform(self->m_grid->window(),
                                                     backup.error + QStringLiteral("\nNo distance was changed."));
            return;
        }
        self->recomputeAfterCopy(own, backup.path);
    });
}

void RecomputeDistances::recomputeAfterCopy(const QString& own, const QString& copy)
{
    AppContext& ctx = m_services.context;
    QWidget* window = m_grid->window();
    // A window closed while the copy was made asks for nothing more.
    if (!window->isVisible())
        return;
    // An import may have begun while the copy was made.
    if (m_services.logBusy && m_services.logBusy()) {
        ctx.messages.inform(window, QStringLiteral("An import is writing to the log; no distance was changed."));
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
    QString text = QStringLiteral("Distance and heading recomputed: %1 of %2 contacts changed.")
                       .arg(result.changed)
                       .arg(result.rows);
    if (result.unplaced > 0)
        text += QStringLiteral(" %1 without a valid own locator kept theirs.").arg(result.unplaced);
    text += QStringLiteral(" The log as it was is kept in %1. Run GD to draw the map anew.")
                .arg(QDir::toNativeSeparators(copy));
    ctx.messages.inform(window, text);
}

} // namespace mivra
