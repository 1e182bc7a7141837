#pragma once

#include "LiveMapOptions.h"
#include "StationSettings.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

namespace mivra {

class Messages;

// The settings window (object name "form2", caption "Initial"): own callsign and locator, the six QSL card lines and the two map
// options. Edits the settings table and the live map options of its owner, and saves the
// settings file on "Done" and on close.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    SettingsWindow(StationSettings& settings, LiveMapOptions& live, QString settingsFilePath, Messages& messages,
                   QWidget* parent = nullptr);

    // The main window's own-callsign and own-locator boxes, filled on load and on "Done".
    void setMainWindowBoxes(QLineEdit* ownCallsign, QLineEdit* ownLocator);

    // Shows the window (loading it when it is not loaded), raises it and puts the focus
    // into the callsign box, also when it was already visible.
    void showActivated();

signals:
    // "Done" succeeded: the main window should show itself.
    void mainWindowRequested();
    // The window was closed, its fields stored and saved.
    void closedByUser();
    // "Rig…" was pressed.
    void rigSettingsRequested();
    // "Station…" was pressed.
    void stationSettingsRequested();
    // "Shared log…" was pressed.
    void sharedLogRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void loadForm();
    void done();
    void storeFields();
    void copyToMainWindow();
    bool save(QStringList& errors);
    void reportErrors(const QStringList& errors);

    StationSettings& m_settings;
    LiveMapOptions& m_live;
    QString m_settingsFilePath;
    Messages& m_messages;
    QPointer<QLineEdit> m_mainCallsign;
    QPointer<QLineEdit> m_mainLocator;
    bool m_loaded = false;

    QLineEdit* m_callsign = nullptr;
    QLineEdit* m_locator = nullptr;
    QPushButton* m_done = nullptr;
    QSlider* m_opacity = nullptr;
    QCheckBox* m_lines = nullptr;
    QLineEdit* m_info = nullptr;
    QLineEdit* m_line2 = nullptr;
    QLineEdit* m_line3 = nullptr;
    QLineEdit* m_line4 = nullptr;
    QLineEdit* m_address = nullptr;
    QLineEdit* m_footer = nullptr;
};

} // namespace mivra
