#include "Twips.h"
#include "MultiOptionControl.h"
#include "OptionLayout.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <vector>

using mivra::MultiOptionControl;

namespace {

QStringList announced(const QSignalSpy& spy)
{
    QStringList names;
    for (const QList<QVariant>& call : spy)
        names << call.at(0).toString();
    return names;
}

std::vector<int> checkedButtons(const MultiOptionControl& control)
{
    std::vector<int> on;
    for (int i = 1; i <= control.optionButtonCount(); ++i)
        if (control.optionButton(i)->isChecked())
            on.push_back(i);
    return on;
}

QVariantMap layoutBag(int positioning, int aligning, int captionAligning, int count)
{
    return {{"Positioning", positioning},
            {"Aligning", aligning},
            {"CaptionAligning", captionAligning},
            {"OptionCount", count},
            {"OptionSelected", 1},
            {"Caption", "Mode"}};
}

// The main window's stored search selector.
QVariantMap mainWindowBag()
{
    return {{"Appearance3D", QVariant::fromValue<qint16>(1)},
            {"CaptionAligning", QVariant::fromValue<qint32>(1)},
            {"Aligning", QVariant::fromValue<qint32>(2)},
            {"Positioning", QVariant::fromValue<qint32>(1)},
            {"Caption", QString()},
            {"OptionCount", QVariant::fromValue<qint16>(3)},
            {"OptionSelected", QVariant::fromValue<qint16>(2)},
            {"Horizontal", true},
            {"BCOL", QVariant::fromValue<qint32>(0xC8D0D4)},
            {"FCOL", QVariant::fromValue<qint32>(0)}};
}

// The control puts its buttons and caption where optionLayout() says, and shows the arranged buttons.
TEST(MultiOptionControlLayout, ButtonsAndCaptionWhereTheLayoutPutsThem)
{
    const QSize size(1500, 1200);
    for (int positioning : {1, 2, 3, 4})
        for (int aligning : {1, 2})
            for (int captionAligning : {1, 2})
                for (int count : {1, 3}) {
                    SCOPED_TRACE(testing::Message() << "Positioning " << positioning << " Aligning " << aligning
                                                    << " CaptionAligning " << captionAligning << " count " << count);
                    MultiOptionControl control;
                    control.setTwipSize(size);
                    control.readProperties(layoutBag(positioning, aligning, captionAligning, count));

                    mivra::OptionLayoutInput input;
                    input.control = size;
                    input.options = QVector<QRect>(count, QRect(0, 0, 220, 255));
                    input.shown = count;
                    input.positioning = positioning;
                    input.aligning = aligning;
                    input.captionAligning = captionAligning;
                    const mivra::OptionLayout expected = mivra::optionLayout(input);

                    ASSERT_EQ(control.optionButtonCount(), count);
                    for (int i = 1; i <= count; ++i) {
                        EXPECT_EQ(control.optionTwips(i), expected.options[i - 1]) << "button " << i;
                        EXPECT_TRUE(control.optionButton(i)->isVisibleTo(&control)) << "button " << i;
                        EXPECT_EQ(control.optionButton(i)->geometry(), mivra::twipRect(expected.options[i - 1]));
                    }
                    EXPECT_EQ(control.captionTwips(), expected.caption);
                    EXPECT_EQ(control.captionLabel()->geometry(), mivra::twipRect(expected.caption));
                }
}

TEST(MultiOptionControlLayout, ResizeRearrangesWithoutRebuilding)
{
    MultiOptionControl control;
    control.setTwipSize(QSize(1500, 1200));
    control.readProperties(layoutBag(4, 1, 1, 3));
    QRadioButton* third = control.optionButton(3);

    control.setTwipSize(QSize(3000, 600));
    EXPECT_EQ(control.optionButton(3), third);
    // 3000 - 670 = 2330; 600 - 255 = 345
    EXPECT_EQ(control.optionTwips(1).topLeft(), QPoint(2330, 345));
    EXPECT_EQ(control.optionTwips(3).topLeft(), QPoint(2790, 345));
    EXPECT_EQ(control.captionTwips(), QRect(0, 0, 3000, 345));

    // A pixel resize of the shown control gives 15 twips per pixel.
    control.show();
    control.resize(100, 60);
    EXPECT_EQ(control.twipSize(), QSize(1500, 900));
    EXPECT_EQ(control.optionTwips(1).topLeft(), QPoint(830, 645));
    EXPECT_EQ(control.captionTwips(), QRect(0, 0, 1500, 645));
}

TEST(MultiOptionControlLayout, TwipSizeKeptWhilePixelSizeMatches)
{
    MultiOptionControl control;
    control.setTwipSize(QSize(1003, 997)); // not whole pixels
    EXPECT_EQ(control.size(), QSize(67, 66));
    EXPECT_EQ(control.twipSize(), QSize(1003, 997));
}

TEST(MultiOptionControlLayout, UnknownAligningLeavesNewButtonsWhereButtonOneWas)
{
    MultiOptionControl control;
    control.setTwipSize(QSize(1500, 1200));
    control.readProperties(layoutBag(4, 1, 1, 3));
    ASSERT_EQ(control.optionTwips(1).topLeft(), QPoint(830, 945));

    control.setAligning(5);
    EXPECT_EQ(control.optionTwips(1).topLeft(), QPoint(0, 0));
    EXPECT_EQ(control.optionTwips(2).topLeft(), QPoint(830, 945));
    EXPECT_EQ(control.optionTwips(3).topLeft(), QPoint(830, 945));
    // caption above the group: as high as button 1's top
    EXPECT_EQ(control.captionTwips(), QRect(0, 0, 1500, 0));
}

TEST(MultiOptionControlProperties, OptionSelectedIsClampedToTheButtons)
{
    struct Case {
        qint16 requested;
        qint16 expected;
    };
    const Case cases[] = {{0, 1}, {-4, 1}, {2, 2}, {3, 3}, {7, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.requested);
        MultiOptionControl control;
        control.initProperties();
        control.setOptionSelected(c.requested);
        EXPECT_EQ(control.optionSelected(), c.expected);
        EXPECT_EQ(checkedButtons(control), std::vector<int>{c.expected});
    }
}

TEST(MultiOptionControlProperties, FewerButtonsThanTheSelectionSelectsTheLastFirst)
{
    MultiOptionControl control;
    control.initProperties();
    control.setOptionSelected(3);
    QSignalSpy spy(&control, &MultiOptionControl::propertyChanged);

    control.setOptionCount(2);
    EXPECT_EQ(announced(spy), (QStringList{"OptionSelected", "OptionCount"}));
    EXPECT_EQ(control.optionSelected(), 2);
    EXPECT_EQ(control.optionCount(), 2);
    EXPECT_EQ(control.optionButtonCount(), 2);
    EXPECT_EQ(checkedButtons(control), std::vector<int>{2});
}

TEST(MultiOptionControlProperties, OptionCountBelowOneLeavesOneButton)
{
    for (qint16 requested : {qint16(0), qint16(-3)}) {
        MultiOptionControl control;
        control.initProperties();
        control.setOptionCount(requested);
        EXPECT_EQ(control.optionCount(), 1);
        EXPECT_EQ(control.optionButtonCount(), 1);
        EXPECT_EQ(control.optionSelected(), 1);
        EXPECT_EQ(checkedButtons(control), std::vector<int>{1});
    }
}

TEST(MultiOptionControlProperties, MoreButtonsKeepTheSelection)
{
    MultiOptionControl control;
    control.setTwipSize(QSize(3000, 600));
    control.initProperties();
    control.setOptionSelected(2);
    control.setOptionCount(6);
    EXPECT_EQ(control.optionButtonCount(), 6);
    EXPECT_EQ(control.optionSelected(), 2);
    EXPECT_EQ(checkedButtons(control), std::vector<int>{2});
    EXPECT_EQ(control.optionTwips(6).topLeft(), QPoint(5 * 230, 0));
    EXPECT_TRUE(control.optionButton(6)->isVisibleTo(&control));
}

TEST(MultiOptionControlProperties, RestoredSelectionBeyondTheButtonsIsKeptAndShowsNone)
{
    MultiOptionControl control;
    control.initProperties(); // button 1 on
    control.readProperties({{"OptionCount", 3}, {"OptionSelected", 5}});
    EXPECT_EQ(control.optionSelected(), 5);
    EXPECT_TRUE(checkedButtons(control).empty());

    control.setOptionSelected(5); // the setter clamps
    EXPECT_EQ(control.optionSelected(), 3);
    EXPECT_EQ(checkedButtons(control), std::vector<int>{3});
}

TEST(MultiOptionControlProperties, EachSetterAnnouncesItsName)
{
    struct Case {
        const char* name;
        void (*change)(MultiOptionControl&);
    };
    const Case cases[] = {
        {"Border", [](MultiOptionControl& c) { c.setBorder(true); }},
        {"Apperarance3D", [](MultiOptionControl& c) { c.setApperarance3D(true); }},
        {"BCOL", [](MultiOptionControl& c) { c.setBackColor(0x0000FF); }},
        {"FCOL", [](MultiOptionControl& c) { c.setForeColor(0xFF0000); }},
        {"Positioning", [](MultiOptionControl& c) { c.setPositioning(4); }},
        {"Aligning", [](MultiOptionControl& c) { c.setAligning(2); }},
        {"CaptionAligning", [](MultiOptionControl& c) { c.setCaptionAligning(2); }},
        {"OptionSelected", [](MultiOptionControl& c) { c.setOptionSelected(2); }},
        {"OptionCount", [](MultiOptionControl& c) { c.setOptionCount(5); }},
        {"Caption", [](MultiOptionControl& c) { c.setCaption("Grid"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MultiOptionControl control;
        control.initProperties();
        QSignalSpy spy(&control, &MultiOptionControl::propertyChanged);
        c.change(control);
        EXPECT_EQ(announced(spy), QStringList{c.name});
    }
}

TEST(MultiOptionControlProperties, BorderAndAppearanceSetTheFrame)
{
    struct Case {
        bool border;
        bool appearance3D;
        int frameStyle;
    };
    const Case cases[] = {{false, false, QFrame::NoFrame},
                          {false, true, QFrame::NoFrame},
                          {true, false, QFrame::Box | QFrame::Plain},
                          {true, true, QFrame::WinPanel | QFrame::Sunken}};
    for (const Case& c : cases) {
        MultiOptionControl control;
        control.initProperties();
        control.setBorder(c.border);
        control.setApperarance3D(c.appearance3D);
        EXPECT_EQ(control.border(), c.border);
        EXPECT_EQ(control.apperarance3D(), c.appearance3D);
        EXPECT_EQ(control.frameStyle(), c.frameStyle) << c.border << c.appearance3D;
    }
}

TEST(MultiOptionControlPersistence, NewInstanceState)
{
    MultiOptionControl control;
    QSignalSpy changes(&control, &MultiOptionControl::propertyChanged);
    control.initProperties();
    EXPECT_EQ(changes.count(), 0);

    const QPalette system = QGuiApplication::palette();
    const quint32 buttonFace = MultiOptionControl::toOleColour(system.color(QPalette::Button).rgb());
    const quint32 buttonText = MultiOptionControl::toOleColour(system.color(QPalette::ButtonText).rgb());
    EXPECT_EQ(control.captionAligning(), 1);
    EXPECT_EQ(control.aligning(), 1);
    EXPECT_EQ(control.positioning(), 1);
    EXPECT_TRUE(control.horizontal());
    EXPECT_EQ(control.optionCount(), 3);
    EXPECT_EQ(control.optionSelected(), 1);
    EXPECT_EQ(control.backColor(), buttonFace);
    EXPECT_EQ(control.foreColor(), buttonText);
    EXPECT_FALSE(control.border());
    EXPECT_FALSE(control.apperarance3D());
    EXPECT_EQ(checkedButtons(control), std::vector<int>{1});
}

TEST(MultiOptionControlPersistence, NoBorderOrAppearanceKeyWhenBothAreZero)
{
    MultiOptionControl control;
    control.initProperties();
    const QVariantMap bag = control.writeProperties();
    EXPECT_FALSE(bag.contains("Border"));
    EXPECT_FALSE(bag.contains("Appearance3D"));
    EXPECT_EQ(QStringList(bag.keys()),
              (QStringList{"Aligning", "BCOL", "Caption", "CaptionAligning", "FCOL", "Horizontal", "OptionCount",
                           "OptionSelected", "Positioning"}));

    control.setBorder(true);
    EXPECT_EQ(control.writeProperties().value("Border"), QVariant::fromValue<qint16>(1));
    EXPECT_FALSE(control.writeProperties().contains("Appearance3D"));
    control.setApperarance3D(true);
    EXPECT_EQ(control.writeProperties().value("Appearance3D"), QVariant::fromValue<qint16>(1));
}

TEST(MultiOptionControlPersistence, RoundTripKeepsEveryValueAndType)
{
    MultiOptionControl original;
    original.initProperties();
    original.setBorder(true);
    original.setApperarance3D(true);
    original.setBackColor(0x80000005);
    original.setForeColor(0x00123456);
    original.setPositioning(4);
    original.setAligning(2);
    original.setCaptionAligning(2);
    original.setCaption("Mode");
    original.setOptionCount(5);
    original.setOptionSelected(4);
    const QVariantMap bag = original.writeProperties();

    EXPECT_EQ(bag.value("OptionCount").typeId(), QMetaType::Short);
    EXPECT_EQ(bag.value("Border").typeId(), QMetaType::Short);
    EXPECT_EQ(bag.value("Positioning").typeId(), QMetaType::Int);
    EXPECT_EQ(bag.value("BCOL").typeId(), QMetaType::Int);
    EXPECT_EQ(bag.value("BCOL").toInt(), static_cast<qint32>(0x80000005u));
    EXPECT_EQ(bag.value("Horizontal").typeId(), QMetaType::Bool);

    MultiOptionControl restored;
    QSignalSpy changes(&restored, &MultiOptionControl::propertyChanged);
    restored.readProperties(bag);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(restored.writeProperties(), bag);
    EXPECT_TRUE(restored.border());
    EXPECT_TRUE(restored.apperarance3D());
    EXPECT_EQ(restored.backColor(), 0x80000005u);
    EXPECT_EQ(restored.foreColor(), 0x00123456u);
    EXPECT_EQ(restored.positioning(), 4);
    EXPECT_EQ(restored.aligning(), 2);
    EXPECT_EQ(restored.captionAligning(), 2);
    EXPECT_EQ(restored.caption(), "Mode");
    EXPECT_EQ(restored.optionCount(), 5);
    EXPECT_EQ(restored.optionSelected(), 4);
    EXPECT_TRUE(restored.horizontal());
    EXPECT_EQ(restored.optionButtonCount(), 5);
    EXPECT_EQ(checkedButtons(restored), std::vector<int>{4});
}

TEST(MultiOptionControlPersistence, MissingKeysTakeTheirDefaults)
{
    MultiOptionControl control;
    const QString placeholder = control.caption();
    control.readProperties({});
    const QPalette system = QGuiApplication::palette();
    EXPECT_FALSE(control.border());
    EXPECT_FALSE(control.apperarance3D());
    EXPECT_EQ(control.captionAligning(), 1);
    EXPECT_EQ(control.aligning(), 1);
    EXPECT_EQ(control.positioning(), 1);
    EXPECT_EQ(control.caption(), placeholder);
    EXPECT_FALSE(placeholder.isEmpty());
    // a fresh control holds 0 and false until restored
    EXPECT_EQ(control.optionCount(), 0);
    EXPECT_EQ(control.optionSelected(), 0);
    EXPECT_FALSE(control.horizontal());
    EXPECT_EQ(control.optionButtonCount(), 1);
    EXPECT_EQ(control.backColor(), MultiOptionControl::toOleColour(system.color(QPalette::Button).rgb()));
    EXPECT_EQ(control.foreColor(), MultiOptionControl::toOleColour(system.color(QPalette::ButtonText).rgb()));
}

TEST(MultiOptionControlPersistence, UnusableStoredValuesKeepTheirDefaults)
{
    MultiOptionControl control;
    control.initProperties();
    control.readProperties({{"OptionCount", "many"},
                            {"OptionSelected", 40000},
                            {"Aligning", "2"},
                            {"Positioning", QVariant::fromValue<qlonglong>(1LL << 40)},
                            {"BCOL", QVariant::fromValue<quint32>(0x8000000Fu)},
                            {"FCOL", QVariant::fromValue<qlonglong>(-1LL << 40)}});
    EXPECT_EQ(control.optionCount(), 3);    // present value
    EXPECT_EQ(control.optionSelected(), 1); // present value
    EXPECT_EQ(control.aligning(), 2);       // a number in text is still a number
    EXPECT_EQ(control.positioning(), 1);    // default
    EXPECT_EQ(control.backColor(), 0x8000000Fu);
    EXPECT_EQ(control.foreColor(),
              MultiOptionControl::toOleColour(QGuiApplication::palette().color(QPalette::ButtonText).rgb()));
}

TEST(MultiOptionControlPersistence, MainWindowSelectorRestored)
{
    MultiOptionControl control(mainWindowBag());
    control.setTwipSize(QSize(900, 1200));

    EXPECT_TRUE(control.apperarance3D());
    EXPECT_FALSE(control.border());
    EXPECT_EQ(control.frameStyle(), int(QFrame::NoFrame));
    EXPECT_EQ(control.captionAligning(), 1);
    EXPECT_EQ(control.aligning(), 2);
    EXPECT_EQ(control.positioning(), 1);
    EXPECT_EQ(control.caption(), QString());
    EXPECT_EQ(control.optionCount(), 3);
    EXPECT_EQ(control.optionSelected(), 2);
    EXPECT_TRUE(control.horizontal());
    EXPECT_EQ(control.backColor(), 0xC8D0D4u);
    EXPECT_EQ(control.foreColor(), 0u);
    EXPECT_EQ(control.writeProperties(), mainWindowBag());

    EXPECT_EQ(checkedButtons(control), std::vector<int>{2});
    EXPECT_EQ(control.optionTwips(1), QRect(0, 0, 220, 255));
    EXPECT_EQ(control.optionTwips(2), QRect(0, 265, 220, 255));
    EXPECT_EQ(control.optionTwips(3), QRect(0, 530, 220, 255));
    EXPECT_EQ(control.captionTwips(), QRect(0, 785, 900, 415));
    EXPECT_EQ(control.optionButton(2)->geometry(), QRect(0, 18, 15, 17));

    const QColor face = QColor(212, 208, 200);
    EXPECT_EQ(control.palette().color(QPalette::Window), face);
    EXPECT_TRUE(control.autoFillBackground());
    EXPECT_EQ(control.captionLabel()->palette().color(QPalette::Window), face);
    for (int i = 1; i <= 3; ++i) {
        QRadioButton* button = control.optionButton(i);
        EXPECT_EQ(button->palette().color(button->backgroundRole()), face);
        EXPECT_EQ(button->palette().color(button->foregroundRole()), QColor(Qt::black));
    }
}

TEST(MultiOptionControlColours, translateColour)
{
    QPalette system;
    system.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    system.setColor(QPalette::Active, QPalette::ButtonText, QColor(4, 5, 6));
    system.setColor(QPalette::Active, QPalette::Highlight, QColor(7, 8, 9));
    struct Case {
        quint32 ole;
        QRgb expected;
    };
    const Case cases[] = {
        {0x00C8D0D4, qRgb(212, 208, 200)}, // red in the low byte
        {0x000000FF, qRgb(255, 0, 0)},
        {0x00FF0000, qRgb(0, 0, 255)},
        {0x00000000, qRgb(0, 0, 0)},
        {0x8000000F, qRgb(1, 2, 3)}, // button face
        {0x80000012, qRgb(4, 5, 6)}, // button text
        {0x8000000D, qRgb(7, 8, 9)}, // highlight
        {0x80000000, qRgb(1, 2, 3)}, // scroll bar
        {0x80000019, qRgb(0, 0, 0)}, // no system colour 25
        {0x80000040, qRgb(0, 0, 0)},
        {0x80FF000F, qRgb(0, 0, 0)},
        {0x01000005, qRgb(0, 0, 0)},
        {0x40000000, qRgb(0, 0, 0)},
        {0xFFFFFFFF, qRgb(0, 0, 0)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MultiOptionControl::translateColour(c.ole, system), c.expected) << std::hex << c.ole;

    EXPECT_EQ(MultiOptionControl::toOleColour(qRgb(212, 208, 200)), 0xC8D0D4u);
}

TEST(MultiOptionControlColours, InvalidColourIsShownBlack)
{
    MultiOptionControl control;
    control.initProperties();
    control.setBackColor(0x7F000000);
    control.setForeColor(0x000000FF);
    EXPECT_EQ(control.backColor(), 0x7F000000u); // stored unchanged
    EXPECT_EQ(control.palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(control.captionLabel()->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(control.optionButton(3)->palette().color(QPalette::Button), QColor(Qt::black));
    EXPECT_EQ(control.captionLabel()->palette().color(QPalette::WindowText), QColor(Qt::red));
}

// A window with a text box before the selector, shown and active so that focus moves.
class MultiOptionControlFocus : public testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&m_window);
        m_text = new QLineEdit(&m_window);
        layout->addWidget(m_text);
        m_control = new MultiOptionControl(&m_window);
        m_control->setTwipSize(QSize(900, 1200));
        m_control->setMinimumSize(m_control->size());
        layout->addWidget(m_control);
        m_control->readProperties(mainWindowBag());
        m_window.show();
        m_window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
        m_text->setFocus();
        ASSERT_TRUE(m_text->hasFocus());
    }

    void click(int index)
    {
        QRadioButton* button = m_control->optionButton(index);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    QWidget m_window;
    QLineEdit* m_text = nullptr;
    MultiOptionControl* m_control = nullptr;
};

TEST_F(MultiOptionControlFocus, ClickingTheSelectedButtonChangesNothing)
{
    QSignalSpy changes(m_control, &MultiOptionControl::propertyChanged);
    QSignalSpy focus(m_control, &MultiOptionControl::focusEntered);
    click(2);
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(m_control->optionSelected(), 2);
    EXPECT_EQ(checkedButtons(*m_control), std::vector<int>{2});
    EXPECT_EQ(focus.count(), 1);
    EXPECT_TRUE(m_control->optionButton(2)->hasFocus());
}

TEST_F(MultiOptionControlFocus, ClickingAnotherButtonSelectsItAndKeepsTheFocus)
{
    QSignalSpy changes(m_control, &MultiOptionControl::propertyChanged);
    QSignalSpy focus(m_control, &MultiOptionControl::focusEntered);
    click(3);
    EXPECT_EQ(announced(changes), QStringList{"OptionSelected"});
    EXPECT_EQ(m_control->optionSelected(), 3);
    EXPECT_EQ(checkedButtons(*m_control), std::vector<int>{3});
    EXPECT_TRUE(m_control->optionButton(3)->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), m_control->optionButton(3));
    EXPECT_GE(focus.count(), 1);

    click(1);
    EXPECT_EQ(m_control->optionSelected(), 1);
    EXPECT_EQ(checkedButtons(*m_control), std::vector<int>{1});
    EXPECT_TRUE(m_control->optionButton(1)->hasFocus());
}

TEST_F(MultiOptionControlFocus, ClickingWithTheSelectionOutsideTheButtonsSelectsTheButton)
{
    m_control->readProperties({{"OptionCount", 3}, {"OptionSelected", 5}});
    click(1);
    EXPECT_EQ(m_control->optionSelected(), 1);
    EXPECT_EQ(checkedButtons(*m_control), std::vector<int>{1});
}

TEST_F(MultiOptionControlFocus, FocusOnTheControlGoesToTheSelectedButton)
{
    QSignalSpy focus(m_control, &MultiOptionControl::focusEntered);
    m_control->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(focus.count(), 1);
    EXPECT_TRUE(m_control->optionButton(2)->hasFocus());

    m_text->setFocus();
    EXPECT_EQ(focus.count(), 1);
    m_control->optionButton(1)->setFocus();
    EXPECT_EQ(focus.count(), 2);
}

TEST_F(MultiOptionControlFocus, ReturningToTheWindowIsNoEntry)
{
    QSignalSpy focus(m_control, &MultiOptionControl::focusEntered);
    struct Case {
        Qt::FocusReason reason;
        int emitted;
    };
    const Case cases[] = {{Qt::ActiveWindowFocusReason, 0}, {Qt::PopupFocusReason, 0}, {Qt::MouseFocusReason, 1},
                          {Qt::TabFocusReason, 1},          {Qt::OtherFocusReason, 1}};
    for (const Case& c : cases) {
        focus.clear();
        QFocusEvent event(QEvent::FocusIn, c.reason);
        QApplication::sendEvent(m_control->optionButton(1), &event);
        EXPECT_EQ(focus.count(), c.emitted) << c.reason;
    }
}

TEST_F(MultiOptionControlFocus, ArrowKeySelectsTheNextButton)
{
    m_control->optionButton(2)->setFocus();
    QTest::keyClick(m_control->optionButton(2), Qt::Key_Down);
    EXPECT_EQ(m_control->optionSelected(), 3);
    EXPECT_EQ(checkedButtons(*m_control), std::vector<int>{3});
    EXPECT_TRUE(m_control->optionButton(3)->hasFocus());
}

} // namespace
