#include "QslWindow.h"

#include "QslTestSupport.h"
#include "QslWindowLayout.h"
#include "StationSettings.h"
#include "StationSettingsFile.h"
#include "Twips.h"

#include "../settings/RecordingMessages.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace mivra::qsl::test {

namespace {

class QslWindowTest : public LogTest {
protected:
    void openWindow(const QString& locator, const QString& infoLine = QStringLiteral("Info"))
    {
        StationSettings file;
        file.setCreationDefaults();
        file.setText(StationSettings::OwnCallsign, QStringLiteral("DL1XYZ"));
        file.setText(StationSettings::OwnLocator, locator);
        file.setText(StationSettings::QslInfoLine, infoLine);
        ASSERT_TRUE(saveStationSettings(file, settingsFile()));
        m_window = std::make_unique<QslWindow>(QslWindowServices{
            *m_log, m_settings, settingsFile(), m_messages, {assetsFolder()},
            [this] { return std::make_unique<PdfFolderCardOutput>(cardFolder(m_dir.path())); }});
        m_window->load();
    }
    QString settingsFile() const { return m_dir.filePath(QStringLiteral("Quovan.txt")); }
    QString labelText(const char* name) const
    {
        return static_cast<QLabel*>(m_window->element(QString::fromLatin1(name)))->text();
    }

    StationSettings m_settings;
    RecordingMessages m_messages;
    std::unique_ptr<QslWindow> m_window;
};

TEST_F(QslWindowTest, LocatorSplitAtLoad)
{
    const std::vector<std::array<const char*, 3>> cases = {
        {"JO62", "JO62", ""}, {"JO62QM", "JO62QM", ""}, {"JO41AB12", "JO41AB", "12"}, {"JO41AB12CD", "JO41AB", "12CD"}};
    for (const auto& [locator, gridL, gridL1] : cases) {
        openWindow(QString::fromLatin1(locator), QString());
        EXPECT_EQ(labelText("GridL"), QString::fromLatin1(gridL)) << locator;
        EXPECT_EQ(labelText("GridL1"), QString::fromLatin1(gridL1)) << locator;
        EXPECT_EQ(labelText("CallL"), QStringLiteral("DL1XYZ"));
        EXPECT_EQ(labelText("Label6"), QString()) << "an empty setting leaves its line empty";
        EXPECT_EQ(labelText("Label1"), QStringLiteral("Confirming 2-way QSO with:"));
        EXPECT_TRUE(m_window->QSLFilter().isEmpty());
    }
}

TEST_F(QslWindowTest, SevenButtonsWithTheirCaptionsAndPlaces)
{
    openWindow(QStringLiteral("JO62QM"));
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Form6"));
    EXPECT_EQ(m_window->size(), QSize(twipsToPixels(8115), twipsToPixels(5385)));
    ASSERT_EQ(QslWindowLayout::controls().size(), 7u);
    EXPECT_EQ(m_window->findChildren<QPushButton*>().size(), 7);
    for (const ControlPlace& place : QslWindowLayout::controls()) {
        QPushButton* button = m_window->button(QString::fromLatin1(place.name));
        ASSERT_TRUE(button) << place.name;
        EXPECT_EQ(button->text(), place.captionText());
        EXPECT_EQ(button->geometry(), place.pixels()) << place.name;
        EXPECT_TRUE(QRect(0, 0, CardTemplate::kClientWidth, CardTemplate::kClientHeight).contains(place.twips()))
            << place.name;
    }
}

// Text typed into a cell is printed by "Empty Card"; the log stays as it was.
TEST_F(QslWindowTest, EmptyCardPrintsWhatTheWindowShows)
{
    const qint64 id = addContact(QStringLiteral("OK1ABC"), QStringLiteral("Y"));
    openWindow(QStringLiteral("JO62QM"));
    auto* cell = static_cast<QLineEdit*>(m_window->element(QStringLiteral("utc"), 2));
    QTest::keyClicks(cell, QStringLiteral("typedtext"));
    QTest::mouseClick(m_window->button(QStringLiteral("Empty")), Qt::LeftButton);

    const QString pdf = cardFolder(m_dir.path()) + QStringLiteral("/000001-card.pdf");
    const auto words = pdfWords(pdf);
    const auto typed = std::find_if(words.begin(), words.end(), [](const PdfWord& w) { return w.text == QLatin1String("typedtext"); });
    ASSERT_NE(typed, words.end());
    EXPECT_NEAR(typed->xMin * 20, 1335 + 36, 40);
    EXPECT_NEAR(typed->yMin * 20, 1650 + 36, 40);
    EXPECT_EQ(state(id), QStringLiteral("Y"));
    EXPECT_EQ(labelText("Label4"), QStringLiteral("PSE QSL"));
    ASSERT_EQ(m_messages.informed.size(), 1);
    EXPECT_TRUE(m_messages.informed[0].contains(QStringLiteral("1 QSL card was written"))) << m_messages.informed[0].toStdString();
}

// A print button runs over the log and leaves the card empty, with its greeting and heading.
TEST_F(QslWindowTest, PrintButtonRunsAndResetsTheCard)
{
    addContact(QStringLiteral("OK1ABC"), QStringLiteral("T"));
    openWindow(QStringLiteral("JO62QM"));
    QTest::mouseClick(m_window->button(QStringLiteral("Command4")), Qt::LeftButton);
    EXPECT_EQ(m_window->QSLFilter(), QStringLiteral("T"));
    EXPECT_EQ(rowsWithState(QStringLiteral("Q")), 1);
    EXPECT_EQ(labelText("Label4"), QStringLiteral("TNX QSL"));
    EXPECT_TRUE(static_cast<QLineEdit*>(m_window->element(QStringLiteral("Cal")))->text().isEmpty());
    EXPECT_TRUE(QFile::exists(cardFolder(m_dir.path()) + QStringLiteral("/000001-OK1ABC.pdf")));
    ASSERT_EQ(m_messages.informed.size(), 1);
    EXPECT_TRUE(m_messages.informed[0].contains(cardFolder(m_dir.path()))) << m_messages.informed[0].toStdString();
}

} // namespace

} // namespace mivra::qsl::test
