#pragma once

#include "AppContext.h"
#include "BackgroundBackups.h"
#include "BackgroundWork.h"
#include "Clock.h"
#include "LiveMapOptions.h"
#include "LogDatabase.h"
#include "MainWindow.h"
#include "Messages.h"
#include "StationSettings.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <memory>

namespace mivra::test {

QApplication& application();

class RecordingMessages : public Messages {
public:
    void inform(QWidget*, const QString& text) override { informed << text; }
    bool ask(QWidget*, const QString& text) override
    {
        asked << text;
        return answer;
    }
    QStringList informed;
    QStringList asked;
    bool answer = true;
};

class FixedClock : public Clock {
public:
    QDateTime nowUtc() const override { return now; }
    QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(21, 5, 42), QTimeZone::utc());
};

// A fresh log (a copy of one made from cty.csv once per run) and a settings file in a temporary folder.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the settings file; an empty own callsign or locator leads to the settings window.
    void writeSettings(const QString& callsign, const QString& locator, int bandIndex = 10);
    void createWindow();
    void openWindow(); // createWindow(), open() and wait until the window is active
    // Appends a contact straight into the log.
    void addContact(const QString& date, const QString& callsign, const QString& grid, const QString& band,
                    const QString& time = QStringLiteral("12:00"));
    QString settingsFile() const { return m_dir.filePath(QStringLiteral("Quovan.txt")); }
    QString logFile() const { return m_dir.filePath(QStringLiteral("backup.sqlite")); }
    QByteArray settingsBytes() const;
    // Lets queued focus changes and checks run.
    static void settle();
    // Waits until the counters asked for are shown; false when they did not come in time.
    bool waitForCounters();
    // An entry field by its object name ("Ca", "Gr" ...).
    QLineEdit* entryField(const char* name) const { return m_window->findChild<QLineEdit*>(QString::fromLatin1(name)); }
    // Return on New, as the operator starts a contact from the keyboard.
    void pressNew();
    // Types into a field and leaves it with Enter, as the operator does.
    void enterText(const char* name, const char* text);

    QTemporaryDir m_dir;
    std::unique_ptr<LogDatabase> m_log;
    StationSettings m_settings;
    LiveMapOptions m_live;
    RecordingMessages m_messages;
    FixedClock m_clock;
    BackgroundWork m_work;
    std::unique_ptr<BackgroundBackups> m_backups;
    std::unique_ptr<AppContext> m_context;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace mivra::test
