#pragma once

#include "AppContext.h"
#include "ContactGeometry.h"

#include <QWidget>
#include <array>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mivra {

class EntryRow;
class GridWheelFilter;
class LogGrid;
class SettingsWindow;
class ZelMultiOption;
namespace qsl {
class Form6;
}

// frmmain: the log grid with band buttons and search, the entry row and the own-station fields.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(AppContext& context, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Runs the start sequence and shows the window, or the settings window while the own callsign
    // or locator is missing.
    void open();

    void selectBand(int index);
    void search();
    void OpenDatabase();
    // Closes the settings window, then this one, as the user would: each stores what it holds.
    void closeAllWindows();

    int bandIndex() const { return m_bandIndex; }
    QString BandPattern() const { return m_bandPattern; }
    QString mapOwnCallsign() const { return m_mapOwnCallsign; }
    geo::ContactGeometry& contactGeometry() { return m_geometry; }
    LogGrid* grid() const { return m_grid; }
    EntryRow* entryRow() const { return m_entry; }
    ZelMultiOption* multiOption() const { return m_multiOption; }
    SettingsWindow* settingsWindow() const { return m_settingsWindow; }
    qsl::Form6* qslWindow() const { return m_qslWindow; }
    QPushButton* bandButton(int index) const;
    bool isOpen() const { return m_open; }

signals:
    // The settings window was closed while the main window waited hidden for it: the program ends.
    void quitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildTopStrip();
    void buildSearchArea();
    void buildButtons();
    void buildBandFrame();
    void startSequence();
    void closeSequence();
    void showSettingsWindow();
    void onSettingsDone();
    void onSettingsClosed();
    void openQslWindow();
    void deleteRow(qint64 id);
    bool settingsIncomplete() const;

    AppContext& m_ctx;
    geo::ContactGeometry m_geometry;
    int m_bandIndex = 10;
    QString m_bandPattern;
    QString m_mapOwnCallsign;
    bool m_open = false;
    bool m_hiddenForSettings = false;

    QLabel* m_sqw = nullptr;
    QLabel* m_sqc = nullptr;
    QLabel* m_dxw = nullptr;
    QLabel* m_dxc = nullptr;
    QLabel* m_elapsed = nullptr;
    QLineEdit* m_ownCallsign = nullptr;
    QLineEdit* m_ownLocator = nullptr;
    QLineEdit* m_searchText = nullptr;
    ZelMultiOption* m_multiOption = nullptr;
    QPushButton* m_googleEarth = nullptr;
    QButtonGroup* m_bandButtons = nullptr;
    LogGrid* m_grid = nullptr;
    GridWheelFilter* m_wheel = nullptr;
    EntryRow* m_entry = nullptr;
    SettingsWindow* m_settingsWindow = nullptr;
    qsl::Form6* m_qslWindow = nullptr;
};

} // namespace mivra
