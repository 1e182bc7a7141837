#pragma once

#include "AppContext.h"
#include "CounterRunner.h"
#include "StationProfiles.h"

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mivra {

class ContestSession;
class EntryRow;
class RigLink;
class ShareLink;
class ExchangeActions;
class GridEditing;
class GridWheelFilter;
class LogGrid;
class OperatingAids;
class SettingsWindow;
class MultiOptionControl;
namespace map {
class MapOpener;
}
namespace stats {
struct CounterResult;
}
namespace qsl {
class QslWindow;
}

// The main window (object name "frmmain"): the log grid with band buttons and search, the entry row and the own-station fields.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(AppContext& context, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start sequence and shows the window, or the settings window while the own callsign
    // or locator is missing. False, after a message naming the log, when the log cannot be switched
    // to its running form; the program then ends.
    bool open();

    void selectBand(int index);
    void search();
    // Reloads the log view; false when the reload failed.
    bool reloadLogView();
    // Closes the settings window, then this one, as the user would: each stores what it holds.
    void closeAllWindows();

    // The counters, a pair at a time, counted off the window's thread: each fills its label when
    // the figures arrive, or leaves it as it is with a search text or no rows.
    void requestCounters(CounterPair pair);
    // A requested pair has not been shown yet.
    bool countersPending() const;
    // GD: map data for every row of the band, then the squares counter and the row count.
    void prepareMapData();
    // The globe button: earth.kml in the current folder, opened by the registered program.
    void showOnGoogleEarth();
    // Replaces the desktop hand-over of the map (tests); the window does not take ownership.
    void setMapOpener(map::MapOpener* opener) { m_mapOpener = opener; }

    int bandIndex() const { return m_bandIndex; }
    QString selectedBandPattern() const { return m_bandPattern; }
    QString mapOwnCallsign() const { return m_mapOwnCallsign; }
    LogGrid* grid() const { return m_grid; }
    GridEditing* gridEditing() const { return m_editing; }
    EntryRow* entryRow() const { return m_entry; }
    OperatingAids* operatingAids() const { return m_aids; }
    MultiOptionControl* multiOption() const { return m_multiOption; }
    SettingsWindow* settingsWindow() const { return m_settingsWindow; }
    qsl::QslWindow* qslWindow() const { return m_qslWindow; }
    QPushButton* bandButton(int index) const;
    bool isOpen() const { return m_open; }
    ExchangeActions* exchangeActions() const { return m_exchange; }
    RigLink* rigLink() const { return m_rig; }
    ShareLink* shareLink() const { return m_share; }
    ContestSession* contest() const { return m_contest; }
    // Asked between the cards of a QSL run: true ends the run after the current card.
    void setStopRequested(std::function<bool()> stopRequested) { m_stopRequested = std::move(stopRequested); }
    // Work is under way in the background (counters, an import) or under a progress dialog (an
    // export, the map data): close steps must wait for it to end.
    bool isBusy() const;
    // A step of the last close sequence failed (its message has been shown).
    bool closeFailed() const { return m_closeFailed; }

signals:
    // The settings window was closed while the main window waited hidden for it, or a start after
    // it failed: the program ends with this status.
    void quitRequested(int exitCode);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The INI file of the data folder (mivra.ini).
    QString iniPath() const;
    void buildTopStrip();
    void buildSearchArea();
    void buildButtons();
    void buildBandFrame();
    bool startSequence();
    void closeSequence();
    void onSaved();
    void showSettingsWindow();
    void onSettingsDone();
    void onSettingsClosed();
    void openQslWindow();
    // Reads anew what the grid shows: the band's rows or the search in view.
    void reloadView();
    void refreshShownCounters();
    bool settingsIncomplete() const;
    QString ownPointForMap();
    void showCount(QLabel* label, const stats::CounterResult& result);
    void showCounts(const PairCounts& counts);
    // Sqw at once on the window's connection (GD: the outlines are written with it).
    void countSquaresWorked();

    AppContext& m_ctx;
    int m_bandIndex = 10;
    QString m_bandPattern;
    QString m_mapOwnCallsign;
    bool m_open = false;
    bool m_hiddenForSettings = false;
    bool m_closeFailed = false;

    QLabel* m_squaresWorked = nullptr;
    QLabel* m_squaresConfirmed = nullptr;
    QLabel* m_entitiesWorked = nullptr;
    QLabel* m_entitiesConfirmed = nullptr;
    QLabel* m_elapsed = nullptr;
    QLineEdit* m_ownCallsign = nullptr;
    QLineEdit* m_ownLocator = nullptr;
    QLineEdit* m_searchText = nullptr;
    MultiOptionControl* m_multiOption = nullptr;
    QPushButton* m_googleEarth = nullptr;
    QButtonGroup* m_bandButtons = nullptr;
    LogGrid* m_grid = nullptr;
    GridEditing* m_editing = nullptr;
    GridWheelFilter* m_wheel = nullptr;
    EntryRow* m_entry = nullptr;
    OperatingAids* m_aids = nullptr;
    SettingsWindow* m_settingsWindow = nullptr;
    ExchangeActions* m_exchange = nullptr;
    RigLink* m_rig = nullptr;
    ShareLink* m_share = nullptr;
    ContestSession* m_contest = nullptr;
    CounterRunner* m_counters = nullptr;
    // The search whose rows the grid shows; choice 0 while it shows the band's rows.
    int m_searchChoiceInView = 0;
    QString m_searchTextInView;
    std::unique_ptr<map::MapOpener> m_desktopOpener;
    map::MapOpener* m_mapOpener = nullptr;
    qsl::QslWindow* m_qslWindow = nullptr;
    std::function<bool()> m_stopRequested;
};

} // namespace mivra
