#include "MainWindow.h"

#include "BackgroundWork.h"
#include "BandPlan.h"
#include "BusyCursor.h"
#include "ContestSession.h"
#include "EntryRow.h"
#include "ExchangeActions.h"
#include "GridEditing.h"
#include "GridWheelFilter.h"
#include "LogDatabase.h"
#include "LogGrid.h"
#include "MainWindowLayout.h"
#include "MapDataPreparation.h"
#include "MapExport.h"
#include "MapOpener.h"
#include "Messages.h"
#include "MultiOptionControl.h"
#include "OperatingAids.h"
#include "QslWindow.h"
#include "RecomputeDistances.h"
#include "RigLink.h"
#include "ShareLink.h"
#include "SettingsWindow.h"
#include "ShippedFiles.h"
#include "StationDialog.h"
#include "StationSettingsFile.h"
#include "Twips.h"
#include "UpperCaseValidator.h"
#include "Utf16View.h"
#include "Version.h"
#include "WorkedCounters.h"
#include "WriteTarget.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>

namespace mivra {

MainWindow::MainWindow(AppContext& context, QWidget* parent)
    : QWidget(parent)
    , m_ctx(context)
{
    setObjectName(QStringLiteral("frmmain"));
    setWindowTitle(QStringLiteral("MivraQ ") + QString::fromLatin1(kProgramVersion));
    setFixedSize(twipsToPixels(MainWindowLayout::kWidth), twipsToPixels(MainWindowLayout::kHeight));

    buildTopStrip();
    buildSearchArea();

    m_grid = placeControl(new LogGrid(this), MainWindowLayout::control("DataGrid1"));
    // The time of the last band change, at the right end of the grid's caption bar (not over "DXCC wkd/cfmd:").
    m_grid->addToCaptionBar(m_elapsed);

    m_editing = new GridEditing(
        m_grid,
        {m_ctx.log, m_ctx.messages, m_ownLocator, [this] { reloadView(); }, [this] { refreshShownCounters(); },
         [this](const QStringList& columns) { return viewDependsOn(columns, m_bandPattern, m_searchChoiceInView); }});
    m_entry = new EntryRow(this, m_ownLocator,
                           {m_ctx.log, m_ctx.messages, m_ctx.clock, [this] { return m_bandPattern; },
                            [this] { return activeStationProfile(iniPath()); }});
    connect(m_entry, &EntryRow::saved, this, &MainWindow::onSaved);
    m_aids = new OperatingAids(this, *m_entry, m_ownLocator, {m_ctx.log, [this] { return m_bandPattern; }});

    m_exchange = new ExchangeActions(
        m_ctx, this,
        [this] { return LogSelection{m_bandPattern, m_searchChoiceInView, m_searchTextInView, {}, {}, false}; },
        [this] {
            return OwnStation{m_ownCallsign->text(), m_ownLocator->text()};
        },
        [this] { reloadLogView(); });
    connect(m_grid, &LogGrid::exportAdifRequested, m_exchange, &ExchangeActions::exportAdif);
    connect(m_grid, &LogGrid::importAdifRequested, m_exchange, &ExchangeActions::importAdif);
    connect(m_grid, &LogGrid::importConfirmationsRequested, m_exchange, &ExchangeActions::importConfirmations);
    // The import writes on a connection of its own: the view lets go of the log meanwhile.
    connect(m_exchange, &ExchangeActions::importStarted, this, [this] { m_grid->setRows(QSqlQuery()); });
    connect(m_grid, &LogGrid::exportEdiRequested, m_exchange, &ExchangeActions::exportEdi);

    m_counters = new CounterRunner(&m_ctx.work, this);
    connect(m_counters, &CounterRunner::counted, this, &MainWindow::showCounts);

    buildButtons();
    buildBandFrame();

    // The radio first: New takes its mode before the contest writes the serial for that mode.
    const QString ini = iniPath();
    m_rig = new RigLink(this, *m_entry, {m_ctx.messages, ini, [this](int button) {
                                             if (m_open) {
                                                 bandButton(button)->setChecked(true);
                                                 selectBand(button);
                                             }
                                         }});
    m_share = new ShareLink(this, {m_ctx.log, m_ctx.messages, m_ctx.work, ini,
                                   [this] {
                                       m_grid->keepPlaceThrough([this] { reloadView(); });
                                       refreshShownCounters();
                                   },
                                   [this] { return m_grid->isEditing(); },
                                   [this](const std::function<void()>& work) {
                                       m_grid->keepPlaceThrough([&] {
                                           m_grid->setRows(QSqlQuery());
                                           work();
                                           reloadView();
                                       });
                                   }});
    m_contest = new ContestSession(
        this, *m_entry,
        {m_ctx.log, m_ctx.clock, m_ctx.messages, ini, [this] { return m_entry->stationLocator(); },
         [this] { return bandValue(m_bandPattern); }, [this] { return m_exchange->isImporting(); }});
    m_grid->addToCaptionBar(m_contest->sharedBand(), Qt::AlignLeft);
    new RecomputeDistances(
        m_grid, {m_ctx, m_ownLocator, [this] { return m_exchange->isImporting(); }, [this] { reloadView(); }});

    m_desktopOpener = std::make_unique<map::DesktopMapOpener>();
    m_mapOpener = m_desktopOpener.get();
}

QString MainWindow::iniPath() const
{
    return QDir(m_ctx.dataFolder).filePath(QStringLiteral("mivra.ini"));
}

MainWindow::~MainWindow()
{
    delete m_settingsWindow;
    delete m_qslWindow;
}

// The close sequence, then the QSL window on settings read anew. The QSL window shows before this
// one hides, so the program never sees a moment without a window.
void MainWindow::openQslWindow()
{
    if (m_open)
        closeSequence();
    delete m_qslWindow;
    const QString dataFolder = m_ctx.dataFolder;
    const WriteTarget target(m_ctx.log.path(), m_ctx.settingsFile);
    m_qslWindow = new qsl::QslWindow({m_ctx.log, m_ctx.settings, m_ctx.settingsFile, m_ctx.messages,
                                      QStringList{dataFolder} + shippedFolders(QCoreApplication::applicationDirPath()),
                                      [dataFolder, target] { return qsl::makeCardOutput(dataFolder, target); },
                                      m_stopRequested});
    // "Exit QSL" starts this window anew; a start that fails ends the program, as after the settings.
    connect(m_qslWindow, &qsl::QslWindow::exitRequested, this, [this] {
        if (!open())
            emit quitRequested(1);
    });
    m_qslWindow->load();
    close();
}

QPushButton* MainWindow::bandButton(int index) const
{
    return static_cast<QPushButton*>(m_bandButtons->button(index));
}

bool MainWindow::open()
{
    if (!startSequence())
        return false;
    if (!m_hiddenForSettings)
        show();
    return true;
}

bool MainWindow::startSequence()
{
    const QString picture = QDir(m_ctx.dataFolder).filePath(QStringLiteral("gearth.JPEG"));
    const QString shipped = shippedFile(QCoreApplication::applicationDirPath(), QStringLiteral("gearth.JPEG"));
    const QIcon icon(QFileInfo::exists(picture) ? picture : shipped);
    m_googleEarth->setIcon(icon);
    m_googleEarth->setIconSize(m_googleEarth->size() - QSize(6, 6));

    if (!m_wheel)
        m_wheel = GridWheelFilter::hookGridWheel(m_grid->view());

    StationSettings& settings = m_ctx.settings;
    QString error;
    if (!loadStationSettings(settings, m_ctx.settingsFile, &error))
        m_ctx.messages.inform(this, error);

    m_ownCallsign->setText(settings.text(StationSettings::OwnCallsign));
    m_ownLocator->setText(settings.text(StationSettings::OwnLocator));
    m_multiOption->setOptionSelected(static_cast<qint16>(settings.numericValue(StationSettings::SearchSelector)));
    m_ctx.live = LiveMapOptions::fromSettings(settings);
    const qint64 band = settings.numericValue(StationSettings::BandIndex);
    m_bandIndex = band >= 0 && band < qint64(bandButtons().size()) ? int(band) : kDefaultBandButton;
    m_mapOwnCallsign = m_ownCallsign->text();

    for (QLineEdit* box : {m_ownLocator, m_ownCallsign}) {
        if (!box->validator())
            box->setValidator(new UpperCaseValidator(box));
    }

    m_open = true;
    bandButton(m_bandIndex)->setChecked(true);
    selectBand(m_bandIndex);
    // Every lookup needs the running form of the patterns: without it no callsign would pass.
    if (!m_ctx.log.switchPatternsToRunningForm(&error)) {
        m_open = false;
        if (m_settingsWindow)
            m_settingsWindow->hide();
        m_ctx.messages.inform(
            this,
            QStringLiteral("The log %1 cannot be written: %2").arg(QDir::toNativeSeparators(m_ctx.log.path()), error));
        return false;
    }
    reloadLogView();
    // Enter starts a contact; a callsign typed at once never lands in the own-station boxes.
    m_entry->newButton()->setFocus(Qt::OtherFocusReason);
    return true;
}

bool MainWindow::isBusy() const
{
    return !m_ctx.work.isIdle();
}

void MainWindow::closeAllWindows()
{
    if (m_settingsWindow && m_settingsWindow->isVisible())
        m_settingsWindow->close();
    if (m_qslWindow && m_qslWindow->isVisible())
        m_qslWindow->close();
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_open)
        closeSequence();
    event->accept();
}

void MainWindow::closeSequence()
{
    m_open = false;
    m_closeFailed = false;
    QString error;
    if (!m_ctx.log.switchPatternsToStoredForm(&error)) {
        m_closeFailed = true;
        m_ctx.messages.inform(
            this,
            QStringLiteral("The log %1 cannot be written: %2").arg(QDir::toNativeSeparators(m_ctx.log.path()), error));
    }
    StationSettings& settings = m_ctx.settings;
    settings.setText(StationSettings::OwnCallsign, m_ownCallsign->text());
    settings.setText(StationSettings::OwnLocator, m_ownLocator->text());
    settings.setNumber(StationSettings::SearchSelector, m_multiOption->optionSelected());
    settings.setNumber(StationSettings::BandIndex, m_bandIndex);
    if (!saveStationSettings(settings, m_ctx.settingsFile, &error)) {
        m_closeFailed = true;
        m_ctx.messages.inform(this, error);
    }
}

bool MainWindow::settingsIncomplete() const
{
    return m_ctx.settings.text(StationSettings::OwnCallsign).isEmpty()
           || m_ctx.settings.text(StationSettings::OwnLocator).isEmpty();
}

bool MainWindow::reloadLogView()
{
    // The import under way reloads the view when it is done.
    if (m_exchange->isImporting())
        return true;
    if (settingsIncomplete()) {
        m_hiddenForSettings = true;
        hide();
        showSettingsWindow();
    }
    m_searchChoiceInView = 0;
    m_searchTextInView.clear();
    QSqlQuery rows = m_ctx.log.logView(m_bandPattern);
    const bool viewed = rows.isActive();
    m_grid->setRows(std::move(rows));
    const int count = m_ctx.log.countLogView(m_bandPattern);
    m_grid->setCaption(QString::number(count));
    m_grid->setGridColumns();
    if (m_contest)
        m_contest->refresh();
    return viewed && count >= 0;
}

void MainWindow::onSaved()
{
    // The row is stored and the fields are empty; only the view and the figures are behind.
    if (!reloadLogView())
        m_ctx.messages.inform(this, QStringLiteral("No new Recorset available"));
    refreshShownCounters();
}

void MainWindow::selectBand(int index)
{
    QElapsedTimer timer;
    timer.start();
    m_bandPattern = bandPattern(index);
    m_counters->cancelAll();
    for (QLabel* counter : {m_squaresWorked, m_squaresConfirmed, m_entitiesConfirmed, m_entitiesWorked})
        counter->clear();
    m_bandIndex = index;
    reloadLogView();
    m_elapsed->setText(QString::number(timer.elapsed()) + QStringLiteral(" mS"));
    m_aids->bandChanged();
    const QColor scrollBar = QColor::fromRgb(MultiOptionControl::translateColour(MultiOptionControl::kOleSystemColour));
    for (QLineEdit* box : {m_ownCallsign, m_ownLocator}) {
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, scrollBar);
        box->setPalette(palette);
    }
}

void MainWindow::search()
{
    const QString text = m_searchText->text();
    const int choice = m_multiOption->optionSelected();
    if (text.isEmpty()) {
        if (choice == SearchByGrid)
            requestCounters(CounterPair::Squares);
        else if (choice == SearchByCallsign)
            requestCounters(CounterPair::Entities);
        return;
    }
    if (choice != SearchByCallsign && choice != SearchByGrid)
        return;
    m_searchChoiceInView = choice;
    m_searchTextInView = text;
    reloadView();
}

void MainWindow::showCount(QLabel* label, const stats::CounterResult& result)
{
    if (result.outcome == stats::CounterResult::Counted)
        label->setText(QString::number(result.count));
    else if (result.outcome == stats::CounterResult::Failed)
        m_ctx.messages.inform(this, QStringLiteral("The log cannot be counted: ") + result.error);
}

void MainWindow::countSquaresWorked()
{
    showCount(m_squaresWorked, stats::runCounter(m_ctx.log.database(), stats::Counter::SquaresWorked, m_bandPattern,
                                                 m_searchText->text()));
}

void MainWindow::requestCounters(CounterPair pair)
{
    m_counters->request(
        {pair, m_ctx.log.path(), m_bandPattern, m_searchText->text(), readConfirmationCount(iniPath())});
}

bool MainWindow::countersPending() const
{
    return m_counters->isPending(CounterPair::Squares) || m_counters->isPending(CounterPair::Entities);
}

void MainWindow::showCounts(const PairCounts& counts)
{
    if (counts.pair == CounterPair::Entities) {
        showCount(m_entitiesWorked, counts.worked.result);
        showCount(m_entitiesConfirmed, counts.confirmed.result);
        return;
    }
    // The outlines go in with the next count when the figures arrive in the middle of a write.
    const bool writing = m_ctx.log.isWriting() || m_exchange->isImporting();
    showCount(m_squaresWorked,
              writing ? counts.worked.result : stats::storeSquareOutlines(m_ctx.log.database(), counts.worked));
    showCount(m_squaresConfirmed, counts.confirmed.result);
}

// The map point of the own locator in MyGrid; empty, after a message, when it names no position: the
// map data and the map are reckoned from the own station.
QString MainWindow::ownPointForMap()
{
    geo::ContactGeometry own;
    own.calculate(utf16View(m_ownLocator->text()), {});
    if (own.ownMapPoint.empty())
        m_ctx.messages.inform(
            this, QStringLiteral("Please enter a valid own locator in My Grid first: the map is drawn from it."));
    return QString::fromStdString(own.ownMapPoint);
}

void MainWindow::prepareMapData()
{
    if (ownPointForMap().isEmpty())
        return;
    map::PreparationResult result;
    {
        // A write that lets events through: a close waits for it.
        const BackgroundWork::Token underWay = m_ctx.work.begin();
        // A big log takes seconds: shown as it goes, and Cancel leaves every row as it was.
        QProgressDialog progress(QStringLiteral("Preparing the map data"), QStringLiteral("Cancel"), 0, 0, this);
        progress.setWindowTitle(QStringLiteral("GD"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(300);
        result = map::prepareMapData(m_ctx.log.database(), m_bandPattern, m_ownLocator->text(),
                                     [&progress](qint64 done, qint64 total) {
                                         progress.setMaximum(int(std::min<qint64>(total, INT_MAX)));
                                         progress.setValue(int(std::min<qint64>(done, total)));
                                         return !progress.wasCanceled();
                                     });
        progress.reset();
        BusyCursor busy;
        if (result.ok)
            countSquaresWorked();
    }
    if (result.cancelled) {
        m_ctx.messages.inform(this, QStringLiteral("The map data preparation was cancelled; no row was changed."));
        return;
    }
    if (!result.ok) {
        m_ctx.messages.inform(this, QStringLiteral("The map data cannot be prepared: ") + result.error);
        return;
    }
    m_ctx.messages.inform(this,
                          QString::number(result.rowCount) + QStringLiteral(" Dataset from backup.sqlite imported "));
}

void MainWindow::showOnGoogleEarth()
{
    const QString ownPoint = ownPointForMap();
    if (ownPoint.isEmpty())
        return;
    map::MapExportRequest request;
    request.bandPattern = m_bandPattern;
    request.searchText = m_searchText->text();
    request.ownCallsign = m_mapOwnCallsign;
    request.ownPoint = ownPoint;
    request.opacity = m_ctx.live.opacity;
    request.lines = m_ctx.live.lines;
    request.confirmedBy = readConfirmationCount(iniPath());
    request.squaresWorkedCaption = m_squaresWorked->text();
    request.squaresConfirmedCaption = m_squaresConfirmed->text();
    request.filePath = QDir::current().absoluteFilePath(QStringLiteral("earth.kml"));
    request.writeTarget = WriteTarget(m_ctx.log.path(), m_ctx.settingsFile);
    map::MapExportResult result;
    {
        BusyCursor busy;
        result = map::exportMap(m_ctx.log.database(), request);
    }
    showCount(m_squaresWorked, result.squaresWorked);
    showCount(m_squaresConfirmed, result.squaresConfirmed);
    if (result.outcome != map::MapExportResult::Written) {
        m_ctx.messages.inform(this, result.message);
        return;
    }
    if (!m_mapOpener->open(request.filePath))
        m_ctx.messages.inform(this, QStringLiteral("The map was written to %1, but no program that opens KML files "
                                                   "(Marble, Google Earth Pro) could be started.")
                                        .arg(QDir::toNativeSeparators(request.filePath)));
}

void MainWindow::reloadView()
{
    if (m_searchChoiceInView == 0) {
        reloadLogView();
        return;
    }
    m_grid->setRows(m_ctx.log.search(m_searchChoiceInView, m_searchTextInView, m_bandPattern));
    m_grid->setGridColumns();
    m_grid->setCaption(QString::number(m_ctx.log.countSearch(m_searchChoiceInView, m_searchTextInView, m_bandPattern)));
}

// A pair is shown once its worked count is, or while it is being counted; its confirmed count may
// still be empty (none yet).
// Each is emptied first, as a count of none leaves its label as it is.
void MainWindow::refreshShownCounters()
{
    for (const auto& [pair, worked, confirmed] :
         {std::tuple{CounterPair::Squares, m_squaresWorked, m_squaresConfirmed},
          std::tuple{CounterPair::Entities, m_entitiesWorked, m_entitiesConfirmed}}) {
        if (!worked->text().isEmpty() || m_counters->isPending(pair)) {
            worked->clear();
            confirmed->clear();
            requestCounters(pair);
        }
    }
    m_contest->refresh();
}

void MainWindow::showSettingsWindow()
{
    if (!m_settingsWindow) {
        m_settingsWindow = new SettingsWindow(m_ctx.settings, m_ctx.live, m_ctx.settingsFile, m_ctx.messages);
        m_settingsWindow->setMainWindowBoxes(m_ownCallsign, m_ownLocator);
        connect(m_settingsWindow, &SettingsWindow::mainWindowRequested, this, &MainWindow::onSettingsDone);
        connect(m_settingsWindow, &SettingsWindow::closedByUser, this, &MainWindow::onSettingsClosed);
        connect(m_settingsWindow, &SettingsWindow::rigSettingsRequested, this,
                [this] { m_rig->editSettings(m_settingsWindow); });
        connect(m_settingsWindow, &SettingsWindow::sharedLogRequested, this,
                [this] { m_share->editSettings(m_settingsWindow); });
        connect(m_settingsWindow, &SettingsWindow::stationSettingsRequested, this, [this] {
            StationDialog dialog(iniPath(), m_ctx.messages, m_settingsWindow);
            if (dialog.exec() == QDialog::Accepted)
                refreshShownCounters();
        });
    }
    m_settingsWindow->showActivated();
}

void MainWindow::onSettingsDone()
{
    m_hiddenForSettings = false;
    if (!m_open && !startSequence()) {
        emit quitRequested(1);
        return;
    }
    show();
}

// Closing the settings window while the main window waits hidden for them ends the program, as
// closing the only visible window does; the close sequence keeps what the settings window saved.
void MainWindow::onSettingsClosed()
{
    if (!m_hiddenForSettings || isVisible())
        return;
    m_ownCallsign->setText(m_ctx.settings.text(StationSettings::OwnCallsign));
    m_ownLocator->setText(m_ctx.settings.text(StationSettings::OwnLocator));
    close();
    emit quitRequested(m_closeFailed ? 1 : 0);
}

} // namespace mivra
