#include "AppTestSupport.h"

#include "Version.h"

#include "EntryRow.h"
#include "QslWindow.h"
#include "LogGrid.h"
#include "MainWindowLayout.h"
#include "SettingsWindow.h"
#include "MultiOptionControl.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableView>

namespace mivra::test {
namespace {

int scalar(LogDatabase& log, const QString& sql)
{
    QSqlQuery query(log.database());
    if (!query.exec(sql) || !query.next())
        return -1;
    return query.value(0).toInt();
}

int patternsEndingIn(LogDatabase& log, char wildcard)
{
    return scalar(log, QStringLiteral("SELECT COUNT(*) FROM dxccdata WHERE substr(dxcccode, -1) = '%1'")
                           .arg(QLatin1Char(wildcard)));
}

// The widget class a layout row's kind stands for.
const char* kindClass(ControlPlace::Kind kind)
{
    switch (kind) {
    case ControlPlace::Label:
        return "QLabel";
    case ControlPlace::Button:
        return "QPushButton";
    case ControlPlace::LineEdit:
        return "QLineEdit";
    case ControlPlace::GroupBox:
        return "QGroupBox";
    case ControlPlace::LogView:
        return "mivra::LogGrid";
    case ControlPlace::OptionSelector:
        return "mivra::MultiOptionControl";
    }
    return "";
}

QStringList settingsLines(const QByteArray& bytes)
{
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

using StartTest = MainWindowTest;

TEST_F(StartTest, BandIndexTenPressesTheBand144AndShowsOnlyItsRows)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    addContact(QStringLiteral("2026-01-02"), QStringLiteral("OK1AA"), QStringLiteral("JO60"), QStringLiteral("144"));
    addContact(QStringLiteral("2026-01-03"), QStringLiteral("OK1BB"), QStringLiteral("JO70"), QStringLiteral("1296"));
    addContact(QStringLiteral("2026-01-04"), QStringLiteral("OK1CC"), QStringLiteral("JO71"), QStringLiteral("432"));
    addContact(QStringLiteral("2026-01-05"), QStringLiteral("OK1DD"), QStringLiteral("JO72"), QStringLiteral("144"));
    openWindow();

    EXPECT_TRUE(m_window->bandButton(10)->isChecked());
    EXPECT_EQ(m_window->bandButton(10)->text(), QStringLiteral("144"));
    EXPECT_EQ(m_window->selectedBandPattern(), QStringLiteral("144%"));
    EXPECT_EQ(m_window->grid()->caption(), QStringLiteral("2"));
    ASSERT_EQ(m_window->grid()->visibleRowCount(), 2);
    // Newest first.
    const QAbstractItemModel* model = m_window->grid()->view()->model();
    EXPECT_EQ(model->index(0, 3).data().toString(), QStringLiteral("OK1DD"));
    EXPECT_EQ(model->index(1, 3).data().toString(), QStringLiteral("OK1AA"));
    EXPECT_TRUE(m_window->findChild<QLabel*>(QStringLiteral("Label1"))->text().endsWith(QStringLiteral(" mS")));
    EXPECT_EQ(m_window->findChild<QLineEdit*>(QStringLiteral("Callsign"))->text(), QStringLiteral("DL1AAA"));
    EXPECT_EQ(m_window->findChild<QLineEdit*>(QStringLiteral("MyGrid"))->text(), QStringLiteral("JO62QM"));
    EXPECT_EQ(m_window->mapOwnCallsign(), QStringLiteral("DL1AAA"));
    EXPECT_TRUE(m_messages.informed.isEmpty());
}

TEST_F(StartTest, BandButtonsFilterByPrefixAndAllShowsEveryRow)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    addContact(QStringLiteral("2026-01-02"), QStringLiteral("OK1AA"), QStringLiteral("JO60"), QStringLiteral("144"));
    addContact(QStringLiteral("2026-01-03"), QStringLiteral("OK1BB"), QStringLiteral("JO70"), QStringLiteral("1296"));
    addContact(QStringLiteral("2026-01-04"), QStringLiteral("OK1CC"), QStringLiteral("JO71"), QStringLiteral("432"));
    openWindow();

    const struct { int index; QString caption; } cases[] = {{12, "1"}, {11, "1"}, {21, "3"}, {9, "0"}, {10, "1"}};
    for (const auto& c : cases) {
        QTest::mouseClick(m_window->bandButton(c.index), Qt::LeftButton);
        EXPECT_TRUE(m_window->bandButton(c.index)->isChecked()) << c.index;
        EXPECT_EQ(m_window->bandIndex(), c.index);
        EXPECT_EQ(m_window->grid()->caption(), c.caption) << c.index;
        EXPECT_EQ(m_window->grid()->visibleRowCount(), c.caption.toInt()) << c.index;
        for (const char* counter : {"Sqw", "SQc", "DXc", "dxw"})
            EXPECT_TRUE(m_window->findChild<QLabel*>(QString::fromLatin1(counter))->text().isEmpty());
    }
}

TEST_F(StartTest, PatternsRunWithPercentAndAreStoredWithAsteriskAfterClose)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    const int stored = patternsEndingIn(*m_log, '*');
    ASSERT_GT(stored, 1000);
    ASSERT_EQ(patternsEndingIn(*m_log, '%'), 0);

    openWindow();
    EXPECT_EQ(patternsEndingIn(*m_log, '*'), 0);
    EXPECT_EQ(patternsEndingIn(*m_log, '%'), stored);

    m_window->close();
    EXPECT_EQ(patternsEndingIn(*m_log, '*'), stored);
    EXPECT_EQ(patternsEndingIn(*m_log, '%'), 0);
}

TEST_F(StartTest, CloseWritesTheWindowStateIntoTheSettingsFile)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    openWindow();
    m_window->findChild<QLineEdit*>(QStringLiteral("Callsign"))->setText(QStringLiteral("DL2XYZ"));
    m_window->findChild<QLineEdit*>(QStringLiteral("MyGrid"))->setText(QStringLiteral("JO62"));
    QTest::mouseClick(m_window->bandButton(12), Qt::LeftButton);
    m_window->multiOption()->setOptionSelected(1);
    EXPECT_EQ(m_window->mapOwnCallsign(), QStringLiteral("DL1AAA")); // until the next start

    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdExit")), Qt::LeftButton);
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_EQ(settingsLines(settingsBytes()),
              QStringList({"\"DL2XYZ\"", "\"JO62\"", "1", "1", "12", "\"\"", "\"\"", "\"\"", "\"\"", "\"\"", "\"\"",
                           "\"\"", "1"}));
    EXPECT_TRUE(settingsBytes().endsWith("\r\n"));
}

TEST_F(StartTest, SavedBandAndSelectorComeBackAtTheNextStart)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"), 16);
    openWindow();
    EXPECT_TRUE(m_window->bandButton(16)->isChecked());
    EXPECT_EQ(m_window->selectedBandPattern(), QStringLiteral("10368%"));
    EXPECT_EQ(m_window->multiOption()->optionSelected(), 1);
}

TEST_F(StartTest, OutOfRangeBandIndexFallsBackTo144)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"), 40);
    openWindow();
    EXPECT_EQ(m_window->bandIndex(), 10);
    EXPECT_TRUE(m_window->bandButton(10)->isChecked());
}

TEST_F(StartTest, OwnStationBoxesAndEntryFieldsTypeUpperCase)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    openWindow();
    for (const char* name : {"Ca", "Gr", "MyGrid", "Callsign"}) {
        auto* box = m_window->findChild<QLineEdit*>(QString::fromLatin1(name));
        ASSERT_TRUE(box) << name;
        box->clear();
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("jo62qm"));
        EXPECT_EQ(box->text(), QStringLiteral("JO62QM")) << name;
    }
    auto* name = m_window->findChild<QLineEdit*>(QStringLiteral("Na"));
    QTest::keyClicks(name, QStringLiteral("hans"));
    EXPECT_EQ(name->text(), QStringLiteral("hans"));
}

TEST_F(StartTest, TwipLayoutOfTheMainControls)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    openWindow();
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("MivraQ ") + QLatin1String(kProgramVersion));
    EXPECT_EQ(m_window->size(), QSize(1016, 565));
    const QRect window(0, 0, MainWindowLayout::kWidth, MainWindowLayout::kHeight);
    QSet<QString> names;
    for (const ControlPlace& place : MainWindowLayout::controls()) {
        const QString name = QString::fromLatin1(place.name);
        EXPECT_FALSE(names.contains(name)) << place.name << " twice in the table";
        names.insert(name);
        EXPECT_TRUE(window.contains(place.twips())) << place.name;
        if (name == QLatin1String("Label1")) {
            // The band-change time sits at the right of the grid's caption bar, clear of the captions.
            auto* elapsed = m_window->findChild<QLabel*>(name);
            ASSERT_TRUE(elapsed) << place.name;
            EXPECT_EQ(elapsed->parentWidget()->parentWidget(), m_window->grid()) << place.name;
            continue;
        }
        auto* widget = m_window->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
        ASSERT_TRUE(widget) << place.name;
        EXPECT_TRUE(widget->inherits(kindClass(place.kind))) << place.name;
        EXPECT_EQ(widget->geometry(), place.pixels()) << place.name;
        EXPECT_EQ(widget->toolTip(), place.toolTipText()) << place.name;
        if (auto* label = qobject_cast<QLabel*>(widget); label && !place.captionText().isEmpty()) {
            EXPECT_EQ(label->text(), place.captionText()) << place.name;
        }
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            EXPECT_EQ(button->text(), place.captionText()) << place.name;
        }
        if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
            EXPECT_EQ(frame->title(), place.captionText()) << place.name;
        }
    }
    // The entry row places its own controls.
    const struct {
        const char* name;
        QRect rect;
    } entryRow[] = {
        {"Ca", QRect(312, 56, 81, 19)},
        {"addnew", QRect(800, 39, 36, 34)},
        {"cou", QRect(336, 8, 113, 17)},
    };
    for (const auto& c : entryRow) {
        auto* widget = m_window->findChild<QWidget*>(QString::fromLatin1(c.name));
        ASSERT_TRUE(widget) << c.name;
        EXPECT_EQ(widget->geometry(), c.rect) << c.name;
    }
    const QStringList captions{"1.8k", "3.5k ", "7k",    "10",    "14",    "18",    "21",    "24",
                               "28",   "50",    "144",   "432",   "1296",  "2320",  "3400",  "5760",
                               "10368", "24048", "47088", "76032", "122G", "All"};
    for (int i = 0; i < captions.size(); ++i) {
        EXPECT_EQ(m_window->bandButton(i)->text(), captions[i]);
        EXPECT_EQ(m_window->bandButton(i)->size(), QSize(41, 41));
    }
    const QRect frame(QPoint(), m_window->findChild<QGroupBox*>(QStringLiteral("frmBand"))->size());
    for (int i = 0; i < captions.size(); ++i) {
        EXPECT_EQ(m_window->bandButton(i)->geometry(), twipRect(MainWindowLayout::bandButtonTwips(i))) << i;
        EXPECT_TRUE(frame.contains(m_window->bandButton(i)->geometry())) << i;
    }
    EXPECT_TRUE(m_window->findChild<QPushButton*>(QStringLiteral("QSL"))->isEnabled());
}

// QSL runs the close sequence, then opens the QSL window on the settings just written; "Exit QSL"
// starts the main window anew.
TEST_F(StartTest, QslButtonSwapsToTheQslWindowAndBack)
{
    writeSettings(QStringLiteral("DL1ABC"), QStringLiteral("JO62QM12"));
    openWindow();
    m_window->findChild<QLineEdit*>(QStringLiteral("Callsign"))->setText(QStringLiteral("DL1NEW"));
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("QSL")), Qt::LeftButton);

    EXPECT_FALSE(m_window->isVisible());
    EXPECT_FALSE(m_window->isOpen());
    EXPECT_EQ(settingsLines(settingsBytes()).mid(0, 2), QStringList({"\"DL1NEW\"", "\"JO62QM12\""}));
    qsl::QslWindow* form6 = m_window->qslWindow();
    ASSERT_TRUE(form6);
    EXPECT_TRUE(form6->isVisible());
    EXPECT_EQ(form6->findChild<QLabel*>(QStringLiteral("CallL"))->text(), QStringLiteral("DL1NEW"));

    QTest::mouseClick(form6->button(QStringLiteral("Exit")), Qt::LeftButton);
    EXPECT_FALSE(form6->isVisible());
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_TRUE(m_window->isOpen());
}

TEST_F(StartTest, PatternsThatCannotBeSwitchedStopTheStartWithAMessage)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    QSqlQuery query(m_log->database());
    ASSERT_TRUE(query.exec(QStringLiteral("CREATE TRIGGER refuse_switch BEFORE UPDATE ON dxccdata"
                                          " BEGIN SELECT RAISE(ABORT, 'switch refused'); END")));
    createWindow();
    EXPECT_FALSE(m_window->open());
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_FALSE(m_window->isOpen());
    ASSERT_EQ(m_messages.informed.size(), 1);
    EXPECT_TRUE(m_messages.informed[0].contains(QDir::toNativeSeparators(logFile())))
        << m_messages.informed[0].toStdString();
    EXPECT_EQ(patternsEndingIn(*m_log, '%'), 0);
}

using FirstRunTest = MainWindowTest;

TEST_F(FirstRunTest, MissingOwnStationShowsTheSettingsWindowAndDoneShowsTheMainWindow)
{
    writeSettings(QString(), QString());
    createWindow();
    m_window->open();
    settle();
    ASSERT_TRUE(m_window->settingsWindow());
    EXPECT_FALSE(m_window->isVisible());
    EXPECT_TRUE(m_window->settingsWindow()->isVisible());

    auto* callsign = m_window->settingsWindow()->findChild<QLineEdit*>(QStringLiteral("text3"));
    auto* locator = m_window->settingsWindow()->findChild<QLineEdit*>(QStringLiteral("text4"));
    callsign->setText(QStringLiteral("DL1NEW"));
    locator->setText(QStringLiteral("JO62QM"));
    QTest::mouseClick(m_window->settingsWindow()->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
    settle();

    EXPECT_TRUE(m_window->isVisible());
    EXPECT_FALSE(m_window->settingsWindow()->isVisible());
    EXPECT_EQ(m_window->findChild<QLineEdit*>(QStringLiteral("Callsign"))->text(), QStringLiteral("DL1NEW"));
    EXPECT_EQ(settingsLines(settingsBytes()).mid(0, 2), QStringList({"\"DL1NEW\"", "\"JO62QM\""}));
}

TEST_F(FirstRunTest, ClosingTheSettingsWindowEndsTheProgramAndKeepsWhatWasTyped)
{
    writeSettings(QString(), QString());
    createWindow();
    QSignalSpy quit(m_window.get(), &MainWindow::quitRequested);
    m_window->open();
    settle();
    ASSERT_TRUE(m_window->settingsWindow());
    m_window->settingsWindow()->findChild<QLineEdit*>(QStringLiteral("text3"))->setText(QStringLiteral("DL1HALF"));
    m_window->settingsWindow()->close();
    settle();

    EXPECT_EQ(quit.count(), 1);
    EXPECT_FALSE(m_window->isOpen());
    EXPECT_EQ(patternsEndingIn(*m_log, '%'), 0); // the close sequence ran
    EXPECT_EQ(settingsLines(settingsBytes()).mid(0, 2), QStringList({"\"DL1HALF\"", "\"\""}));
}

TEST_F(FirstRunTest, InitialsOpensTheSettingsWindowBesideTheMainWindow)
{
    writeSettings(QStringLiteral("DL1AAA"), QStringLiteral("JO62QM"));
    openWindow();
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("Initials")), Qt::LeftButton);
    settle();
    ASSERT_TRUE(m_window->settingsWindow());
    EXPECT_TRUE(m_window->settingsWindow()->isVisible());
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(m_window->settingsWindow()->findChild<QLineEdit*>(QStringLiteral("text3"))->text(),
              QStringLiteral("DL1AAA"));
}

} // namespace
} // namespace mivra::test
