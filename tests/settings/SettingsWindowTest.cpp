#include "RecordingMessages.h"
#include "SettingsWindow.h"
#include "StationSettingsFile.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using mivra::LiveMapOptions;
using mivra::SettingsWindow;
using mivra::StationSettings;

namespace {

const QByteArray kCreatedFile = "\"\"\r\n\"\"\r\n1\r\n1\r\n10\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n1\r\n";

class SettingsWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        createWindow(path());
    }

    void createWindow(const QString& settingsPath)
    {
        m_window = std::make_unique<SettingsWindow>(m_settings, m_live, settingsPath, m_messages);
        m_window->setMainWindowBoxes(&m_mainCallsign, &m_mainLocator);
    }

    QString path() const { return m_dir.filePath(QStringLiteral("Quovan.txt")); }

    void write(const QByteArray& bytes) const
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray read() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    template <typename T>
    T* control(const char* name) const
    {
        T* found = m_window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QLineEdit* box(const char* name) const { return control<QLineEdit>(name); }
    QSlider* slider() const { return control<QSlider>("GEcolor"); }
    QCheckBox* lines() const { return control<QCheckBox>("Checkline"); }
    QPushButton* doneButton() const { return control<QPushButton>("Command1"); }

    void showWindow()
    {
        m_window->show();
        m_window->activateWindow();
        (void)QTest::qWaitForWindowActive(m_window.get(), 1000);
    }

    void type(const char* name, const QString& text) const
    {
        QLineEdit* edit = box(name);
        edit->selectAll();
        // QTest types ASCII only.
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(edit, c.toLatin1());
            else
                edit->insert(c);
        }
    }

    QTemporaryDir m_dir;
    StationSettings m_settings;
    LiveMapOptions m_live;
    RecordingMessages m_messages;
    QLineEdit m_mainCallsign;
    QLineEdit m_mainLocator;
    std::unique_ptr<SettingsWindow> m_window;
};

TEST_F(SettingsWindowTest, HasTheNamedControlsWithTheirTexts)
{
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Initial"));
    EXPECT_TRUE(m_window->isWindow());
    const struct {
        const char* name;
        QString text;
    } labels[] = {
        {"Label1", QStringLiteral("MyCallsign:")},
        {"Label2", QStringLiteral("MyGrid:")},
        {"Label9", QStringLiteral("6,8 or 10 Digit Locator")},
        {"Label3", QStringLiteral("Opacity of square on GE")},
        {"Linetext", QStringLiteral("Line from you to wkd stn on GE")},
        {"Label4", QStringLiteral("Color of line depends on propagation")},
        {"Label5", QStringLiteral(" RS=blue Tr=red Es=green Ms=grey Au=pink")},
        {"lblQSL", QStringLiteral("QSL Text fields 1 line= info data 2-5 line free data line6 address 7 foot data")},
    };
    for (const auto& label : labels) {
        QLabel* found = control<QLabel>(label.name);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->text(), label.text) << label.name;
    }
    EXPECT_EQ(doneButton()->text(), QStringLiteral("Done"));
    EXPECT_EQ(lines()->text(), QStringLiteral("Line on GE"));
    EXPECT_EQ(slider()->minimum(), 0);
    EXPECT_EQ(slider()->maximum(), 255);

    const struct {
        const char* name;
        QString family;
        double points;
        bool bold;
    } fonts[] = {
        {"TXTinfo", QStringLiteral("Arial"), 9.75, true},  {"TXTline2", QStringLiteral("Arial"), 8.25, false},
        {"TXTline3", QStringLiteral("Arial"), 8.25, false}, {"TXTline4", QStringLiteral("Arial"), 8.25, false},
        {"TXTadd", QStringLiteral("Arial"), 9.75, false},  {"TXTfoot", QStringLiteral("Small Fonts"), 6, false},
    };
    for (const auto& f : fonts) {
        const QFont font = box(f.name)->font();
        EXPECT_EQ(font.families().value(0), f.family) << f.name;
        EXPECT_DOUBLE_EQ(font.pointSizeF(), f.points) << f.name;
        EXPECT_EQ(font.bold(), f.bold) << f.name;
    }
    // The QSL boxes stand in card order, top to bottom, below the map options.
    showWindow();
    int previous = slider()->geometry().bottom();
    for (const char* name : {"text3", "text4"})
        EXPECT_LT(box(name)->geometry().bottom(), slider()->geometry().top()) << name;
    for (const char* name : {"TXTinfo", "TXTline2", "TXTline3", "TXTline4", "TXTadd", "TXTfoot"}) {
        EXPECT_GT(box(name)->geometry().top(), previous) << name;
        previous = box(name)->geometry().top();
    }
}

TEST_F(SettingsWindowTest, FreshInstallationShowsEmptyBoxesSliderAtTheDefaultAndLinesOn)
{
    m_live.opacity = QStringLiteral("55");
    showWindow();
    EXPECT_EQ(read(), kCreatedFile);
    for (const char* name : {"text3", "text4", "TXTinfo", "TXTline2", "TXTline3", "TXTline4", "TXTadd", "TXTfoot"})
        EXPECT_EQ(box(name)->text(), QString()) << name;
    EXPECT_EQ(slider()->value(), 128);
    EXPECT_EQ(m_live.opacity, QStringLiteral("128"));
    EXPECT_TRUE(lines()->isChecked());
    EXPECT_TRUE(m_live.lines);
    EXPECT_EQ(m_window->focusWidget(), box("text3"));
    EXPECT_TRUE(m_messages.informed.isEmpty());
}

TEST_F(SettingsWindowTest, LoadFillsTheBoxesAndTheMainWindow)
{
    write("\"dl1abc\"\r\n\"jo62ab\"\r\n1\r\n1\r\n10\r\n\"DOK: D01\"\r\n\"Rig: IC-9700, 100 W\"\r\n\"l3\"\r\n\"l4\"\r\n"
          "\"OP: Max\"\r\n\"email: x\"\r\n\"127.6\"\r\n0\r\n");
    m_live.lines = true;
    showWindow();
    EXPECT_EQ(box("text3")->text(), QStringLiteral("dl1abc"));
    EXPECT_EQ(box("text4")->text(), QStringLiteral("jo62ab"));
    EXPECT_EQ(box("TXTinfo")->text(), QStringLiteral("DOK: D01"));
    EXPECT_EQ(box("TXTline2")->text(), QStringLiteral("Rig: IC-9700, 100 W"));
    EXPECT_EQ(box("TXTfoot")->text(), QStringLiteral("email: x"));
    EXPECT_EQ(slider()->value(), 128);
    EXPECT_EQ(m_live.opacity, QStringLiteral("128"));
    EXPECT_FALSE(lines()->isChecked());
    EXPECT_FALSE(m_live.lines);
    EXPECT_EQ(m_mainCallsign.text(), QStringLiteral("dl1abc"));
    EXPECT_EQ(m_mainLocator.text(), QStringLiteral("jo62ab"));
}

TEST_F(SettingsWindowTest, EnterMovesFromCallsignToLocatorToDoneAndPressesIt)
{
    showWindow();
    QSignalSpy requested(m_window.get(), &SettingsWindow::mainWindowRequested);
    type("text3", QStringLiteral("DL1ABC"));
    QTest::keyClick(box("text3"), Qt::Key_Return);
    EXPECT_EQ(m_window->focusWidget(), box("text4"));
    EXPECT_EQ(box("text3")->text(), QStringLiteral("DL1ABC"));

    type("text4", QStringLiteral("JO62AB"));
    QTest::keyClick(box("text4"), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(m_window->focusWidget(), doneButton());
    EXPECT_EQ(requested.count(), 0);

    QTest::keyClick(doneButton(), Qt::Key_Return);
    EXPECT_EQ(requested.count(), 1);
    EXPECT_FALSE(m_window->isVisible());
}

TEST_F(SettingsWindowTest, DoneWithAValidLowerCaseLocatorSavesAllSlots)
{
    showWindow();
    QSignalSpy requested(m_window.get(), &SettingsWindow::mainWindowRequested);
    type("text3", QStringLiteral("dl1abc"));
    type("text4", QStringLiteral("jo62ab"));
    type("TXTinfo", QStringLiteral("DOK: D01"));
    type("TXTline2", QStringLiteral("Rig: IC-9700, 100 W"));
    type("TXTline3", QStringLiteral("Ant: 2x 10el"));
    type("TXTline4", QStringLiteral("PA: 500 W"));
    type("TXTadd", QStringLiteral("OP: Jürgen, Berlin"));
    type("TXTfoot", QStringLiteral("email: a@b.c   Printed: x"));
    slider()->setValue(200);
    QTest::mouseClick(lines(), Qt::LeftButton);
    ASSERT_FALSE(lines()->isChecked());

    QTest::mouseClick(doneButton(), Qt::LeftButton);

    EXPECT_EQ(read(), QByteArray("\"dl1abc\"\r\n\"jo62ab\"\r\n1\r\n1\r\n10\r\n\"DOK: D01\"\r\n\"Rig: IC-9700, 100 W\"\r\n"
                                 "\"Ant: 2x 10el\"\r\n\"PA: 500 W\"\r\n\"OP: J\xc3\xbcrgen, Berlin\"\r\n"
                                 "\"email: a@b.c   Printed: x\"\r\n200\r\n0\r\n"));
    EXPECT_EQ(requested.count(), 1);
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_TRUE(m_messages.informed.isEmpty()) << m_messages.informed.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(m_mainCallsign.text(), QStringLiteral("dl1abc"));
    EXPECT_EQ(m_mainLocator.text(), QStringLiteral("jo62ab"));
    EXPECT_EQ(m_settings.text(StationSettings::OwnLocator), QStringLiteral("jo62ab"));
    EXPECT_TRUE(m_settings.isNumber(StationSettings::MapOpacity));
    EXPECT_FALSE(m_live.lines);
    EXPECT_EQ(m_live.opacity, QStringLiteral("200"));
}

TEST_F(SettingsWindowTest, DoneKeepsTheOtherSlotsOfTheFile)
{
    write("\"old\"\r\n\"JO62\"\r\n4\r\n7\r\n15\r\n");
    showWindow();
    type("text3", QStringLiteral("DL1ABC"));
    QTest::mouseClick(doneButton(), Qt::LeftButton);
    EXPECT_TRUE(read().startsWith("\"DL1ABC\"\r\n\"JO62\"\r\n4\r\n7\r\n15\r\n\"DOK: \"\r\n"));
}

TEST_F(SettingsWindowTest, RejectedLocatorShowsTheMessageAndSavesNothing)
{
    showWindow();
    const QByteArray before = read();
    QSignalSpy requested(m_window.get(), &SettingsWindow::mainWindowRequested);
    type("text3", QStringLiteral("DL1ABC"));
    type("text4", QStringLiteral("JO62A"));
    QTest::mouseClick(doneButton(), Qt::LeftButton);

    EXPECT_EQ(m_messages.informed, QStringList{QStringLiteral("Invalid Gridlocator:")});
    EXPECT_EQ(m_window->focusWidget(), box("text4"));
    EXPECT_EQ(read(), before);
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(requested.count(), 0);
    EXPECT_EQ(m_settings.text(StationSettings::OwnCallsign), QStringLiteral("DL1ABC"));
    EXPECT_EQ(m_settings.text(StationSettings::OwnLocator), QStringLiteral("JO62A"));
    EXPECT_EQ(m_mainLocator.text(), QStringLiteral("JO62A"));
}

TEST_F(SettingsWindowTest, SliderAndCheckBoxActAtOnceButSaveOnlyOnDoneOrClose)
{
    showWindow();
    const QByteArray before = read();
    slider()->setValue(77);
    EXPECT_EQ(m_live.opacity, QStringLiteral("77"));
    QTest::keyClick(slider(), Qt::Key_Right);
    EXPECT_EQ(m_live.opacity, QStringLiteral("78"));
    QTest::mouseClick(lines(), Qt::LeftButton);
    EXPECT_FALSE(m_live.lines);
    QTest::mouseClick(lines(), Qt::LeftButton);
    EXPECT_TRUE(m_live.lines);
    EXPECT_EQ(read(), before);

    m_window->close();
    EXPECT_TRUE(read().endsWith("\r\n78\r\n1\r\n"));
}

TEST_F(SettingsWindowTest, ClosingSavesWithoutCheckingTheLocator)
{
    showWindow();
    QSignalSpy closed(m_window.get(), &SettingsWindow::closedByUser);
    QSignalSpy requested(m_window.get(), &SettingsWindow::mainWindowRequested);
    type("text3", QStringLiteral("DL1ABC"));
    type("text4", QStringLiteral("XX"));
    type("TXTline2", QStringLiteral("say \"hi\""));
    m_mainLocator.setText(QStringLiteral("untouched"));
    m_window->close();

    EXPECT_TRUE(read().startsWith("\"DL1ABC\"\r\n\"XX\"\r\n"));
    EXPECT_TRUE(read().contains("\r\n\"say 'hi'\"\r\n"));
    EXPECT_TRUE(m_messages.informed.isEmpty());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(requested.count(), 0);
    EXPECT_EQ(m_mainLocator.text(), QStringLiteral("untouched"));
}

TEST_F(SettingsWindowTest, ReloadsAfterCloseButNotAfterDone)
{
    showWindow();
    type("text3", QStringLiteral("DL1ABC"));
    type("text4", QStringLiteral("JO62AB"));
    QTest::mouseClick(doneButton(), Qt::LeftButton);
    ASSERT_FALSE(m_window->isVisible());

    // Hidden by "Done": still loaded, the next show keeps the boxes.
    write("\"OTHER\"\r\n\"JO50\"\r\n");
    showWindow();
    EXPECT_EQ(box("text3")->text(), QStringLiteral("DL1ABC"));
    EXPECT_EQ(m_window->focusWidget(), box("text3"));

    // Closed: the next show loads the file again.
    m_window->close();
    write("\"OTHER\"\r\n\"JO50\"\r\n");
    showWindow();
    EXPECT_EQ(box("text3")->text(), QStringLiteral("OTHER"));
    EXPECT_EQ(m_mainLocator.text(), QStringLiteral("JO50"));
}

TEST_F(SettingsWindowTest, ShowingAgainPutsTheFocusIntoTheCallsignBox)
{
    showWindow();
    box("TXTline2")->setFocus();
    ASSERT_EQ(m_window->focusWidget(), box("TXTline2"));
    m_window->showActivated();
    EXPECT_EQ(m_window->focusWidget(), box("text3"));
    EXPECT_TRUE(m_window->isVisible());
}

TEST_F(SettingsWindowTest, ClosingAWindowNeverShownWritesNothing)
{
    m_window->close();
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(SettingsWindowTest, FileProblemsAreReported)
{
    write("x");
    const QString blocked = path() + QStringLiteral("/Quovan.txt");
    createWindow(blocked);
    showWindow();
    QTest::qWait(0);
    QCoreApplication::processEvents();
    ASSERT_EQ(m_messages.informed.size(), 1);
    EXPECT_TRUE(m_messages.informed.first().contains(blocked));

    m_messages.informed.clear();
    QSignalSpy requested(m_window.get(), &SettingsWindow::mainWindowRequested);
    type("text3", QStringLiteral("DL1ABC"));
    type("text4", QStringLiteral("JO62AB"));
    QTest::mouseClick(doneButton(), Qt::LeftButton);
    ASSERT_EQ(m_messages.informed.size(), 1);
    EXPECT_TRUE(m_messages.informed.first().contains(QStringLiteral("Cannot write")));
    // The values live on in memory and in the main window.
    EXPECT_EQ(m_settings.text(StationSettings::OwnCallsign), QStringLiteral("DL1ABC"));
    EXPECT_EQ(m_mainCallsign.text(), QStringLiteral("DL1ABC"));
    EXPECT_EQ(requested.count(), 1);

    m_messages.informed.clear();
    showWindow();
    m_window->close();
    ASSERT_EQ(m_messages.informed.size(), 1);
    EXPECT_TRUE(m_messages.informed.first().contains(blocked));
    EXPECT_EQ(read(), QByteArray("x"));
}

} // namespace
