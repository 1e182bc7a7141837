#include "ShareLink.h"

#include "ControlPlace.h"
#include "LogDatabase.h"
#include "MainWindowLayout.h"
#include "Messages.h"
#include "ShareDialog.h"
#include "ShareListener.h"
#include "SqliteConnection.h"
#include "SqliteStatement.h"
#include "WorkerThread.h"

#include <QLabel>
#include <QLocale>

#include <utility>

namespace mivra {

namespace {

constexpr int kCheckMs = 200;      // how often the log is looked at for changes made here
constexpr int kRetryMs = 3000;     // how often a sync is tried while the server is away
constexpr int kPollMs = 10000;     // and while it is there: a notice lost in a reconnect is made good
constexpr int kListenWaitMs = 1000;

qint64 firstInteger(LogDatabase& log, const QString& sql)
{
    SqliteConnection db = SqliteConnection::borrowed(log.database());
    SqliteStatement query(db, sql);
    return query.step() ? query.integer(0) : -1;
}

// The commits to the log so far: through the window's connection, and through any other (an
// import's worker, the sync itself).
ShareLink::LogChanges changesOf(LogDatabase& log)
{
    return {firstInteger(log, QStringLiteral("SELECT total_changes()")),
            firstInteger(log, QStringLiteral("PRAGMA data_version"))};
}

} // namespace

ShareLink::ShareLink(QWidget* window, Services services)
    : QObject(window)
    , m_services(std::move(services))
    , m_status(placeControl(new QLabel(window), MainWindowLayout::control("shareStatus")))
{
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_check.setInterval(kCheckMs);
    connect(&m_check, &QTimer::timeout, this, &ShareLink::onCheck);
}

ShareLink::~ShareLink()
{
    stop();
}

void ShareLink::stop()
{
    ++m_generation;
    m_check.stop();
    delete m_syncWorker;
    delete m_listenWorker;
    m_syncWorker = nullptr;
    m_listenWorker = nullptr;
    m_engine.reset();
    m_listener.reset();
    m_status->clear();
    m_status->setToolTip(QString());
}

void ShareLink::start(const ShareSettings& settings)
{
    stop();
    m_settings = settings;
    if (!settings.isSet())
        return;
    prepareLog();
    m_engine = std::make_shared<share::ShareEngine>(m_services.log.path(), settings.url, settings.position);
    m_listener = std::make_shared<share::ShareListener>(settings.url);
    m_syncWorker = new WorkerThread(QStringLiteral("share sync"), &m_services.work, this);
    m_listenWorker = new WorkerThread(QStringLiteral("share listen"), nullptr, this);
    m_listenWorker->setStopWait(kListenWaitMs + 500);
    m_awaySince = QDateTime();
    m_last = {};
    m_status->setText(QStringLiteral("shared: connecting to the server…"));
    m_changesSeen = changesOf(m_services.log);
    m_check.start();
    requestSync();
    listen();
}

void ShareLink::startUp(const ShareSettings& forThisRun)
{
    if (forThisRun.isSet()) {
        start(forThisRun);
        return;
    }
    QString error;
    const ShareSettings kept = readShareSettings(m_services.iniPath, &error);
    if (!error.isEmpty()) {
        // The file's fault has its box from the first reader of the file at the start already.
        m_status->setText(QStringLiteral("shared: not joined, the settings cannot be read"));
        m_status->setToolTip(error);
        return;
    }
    if (kept.isSet())
        error = shareUrlFault(kept.url);
    if (!error.isEmpty()) {
        m_services.messages.inform(m_status->window(),
                                   QStringLiteral("The shared log is not joined: %1\n\nThis position logs on by "
                                                  "itself; join again in the settings' \"Shared log…\".")
                                       .arg(error));
        return;
    }
    start(kept);
}

void ShareLink::editSettings(QWidget* parent)
{
    ShareDialog dialog(m_settings, stateText(), m_services.messages, parent);
    const int result = dialog.exec();
    if (result != ShareDialog::kJoined && result != ShareDialog::kLeft)
        return;
    const ShareSettings chosen = result == ShareDialog::kJoined ? dialog.chosen() : ShareSettings{};
    QString error;
    if (!writeShareSettings(m_services.iniPath, chosen, &error))
        m_services.messages.inform(parent, error + QStringLiteral("\n\nThe change holds for this run only."));
    // From the next contact on, before the first sync has begun.
    markContactsAs(chosen.position);
    start(chosen);
}

QString ShareLink::stateText() const
{
    if (!m_settings.isSet())
        return QStringLiteral("Not shared: this log is kept at this position only.");
    return QStringLiteral("Joined as position %1 at %2\n%3")
        .arg(m_settings.position, m_settings.url, m_status->text());
}

void ShareLink::markContactsAs(const QString& position)
{
    SqliteConnection db = SqliteConnection::borrowed(m_services.log.database());
    SqliteStatement mark(db, QStringLiteral("UPDATE share_state SET position = ?"));
    mark.bindText(1, position);
    if (!mark.run())
        m_services.messages.inform(m_status->window(), mark.error());
}

void ShareLink::requestSync()
{
    if (!m_syncWorker)
        return;
    if (m_syncWorker->isBusy()) {
        m_syncAgain = true;
        return;
    }
    m_syncAgain = false;
    const int generation = m_generation;
    m_syncWorker->run([engine = m_engine] { return engine->sync(); },
                      [this, generation](const share::SyncReport& report) {
                          if (generation == m_generation)
                              onSynced(report);
                      });
}

void ShareLink::onSynced(const share::SyncReport& report)
{
    if (report.reached)
        m_awaySince = QDateTime();
    else if (!m_awaySince.isValid()) {
        m_awaySince = QDateTime::currentDateTime();
        if (!m_last.reached && m_last.error.isEmpty())
            tell(report.error + QStringLiteral("\n\nThis position logs on by itself; its contacts are sent when the "
                                               "server can be reached."));
    }
    m_last = report;
    showStatus();
    if (report.pulled > 0)
        reloadView();
    if (!report.lost.isEmpty())
        tell(QStringLiteral("Changes made here lost to later changes at other positions; the log now shows "
                            "those:\n")
             + report.lost.join(u'\n'));
    if (m_syncAgain)
        requestSync();
}

// The view keeps a read of the log open while its rows are not all fetched; in a rollback journal
// that holds up every commit of the sync. A write-ahead log lets both go on.
void ShareLink::prepareLog()
{
    if (m_services.log.isWriteAhead())
        return;
    QString error;
    bool switched = false;
    m_services.withViewReleased([&] { switched = m_services.log.useWriteAheadLog(&error); });
    if (!switched)
        tell(QStringLiteral("The log cannot be made ready for sharing: %1\n\nOther positions' contacts may wait "
                            "while many rows are shown.")
                 .arg(error));
}

void ShareLink::tell(const QString& message)
{
    // From the event loop: a sync's result is handed over whole first, so the syncs go on while
    // the box waits for the operator.
    QMetaObject::invokeMethod(
        this, [this, message] { m_services.messages.inform(m_status->window(), message); }, Qt::QueuedConnection);
}

void ShareLink::listen()
{
    if (!m_listenWorker)
        return;
    const int generation = m_generation;
    m_listenWorker->run([listener = m_listener] { return listener->wait(kListenWaitMs); },
                        [this, generation](share::ShareListener::Heard heard) {
                            if (generation != m_generation)
                                return;
                            if (heard == share::ShareListener::Heard::Change
                                || heard == share::ShareListener::Heard::Reconnected)
                                requestSync();
                            listen();
                        });
}

void ShareLink::reloadView()
{
    m_reloadPending = m_services.viewBusy && m_services.viewBusy();
    if (!m_reloadPending && m_services.logChanged)
        m_services.logChanged();
}

void ShareLink::onCheck()
{
    if (m_reloadPending)
        reloadView();
    const LogChanges changes = changesOf(m_services.log);
    const bool changedHere = changes.here != m_changesSeen.here;
    // Another connection's commit sends what it queued; the sync's own leave nothing queued.
    const bool queuedElsewhere
        = changes.elsewhere != m_changesSeen.elsewhere
          && firstInteger(m_services.log, QStringLiteral("SELECT EXISTS (SELECT 1 FROM share_outbox)")) == 1;
    m_changesSeen = changes;
    m_sinceRetry += kCheckMs;
    const bool retry = m_sinceRetry >= (m_last.reached ? kPollMs : kRetryMs);
    if (retry)
        m_sinceRetry = 0;
    if (changedHere || queuedElsewhere || retry)
        requestSync();
}

void ShareLink::showStatus()
{
    const qint64 queued = m_last.queued;
    if (m_last.reached) {
        m_status->setText(queued > 0 ? QStringLiteral("shared: %1 positions, %2 contacts to send")
                                           .arg(m_last.positions)
                                           .arg(queued)
                                     : QStringLiteral("shared: %1 positions, all sent").arg(m_last.positions));
        m_status->setToolTip(QStringLiteral("Position %1 of the shared log at the server").arg(m_settings.position));
        return;
    }
    const QString since = QLocale::c().toString(m_awaySince.time(), u"HH:mm"_qs);
    m_status->setText(queued > 0 ? QStringLiteral("shared: server away since %1, %2 contacts to send")
                                       .arg(since)
                                       .arg(queued)
                                 : QStringLiteral("shared: server away since %1, all sent").arg(since));
    m_status->setToolTip(m_last.error);
}

} // namespace mivra
