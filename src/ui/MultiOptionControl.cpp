#include "MultiOptionControl.h"

#include "OptionLayout.h"
#include "Twips.h"

#include <QButtonGroup>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QResizeEvent>
#include <QtDebug>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

namespace mivra {

namespace {

const QString kDesignCaption = QStringLiteral("Options");
constexpr QSize kDesignTwipSize(1200, 900);

// System colours by OLE index, as palette group and role.
struct SystemColour {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

std::optional<SystemColour> systemColour(quint32 index)
{
    using P = QPalette;
    switch (index) {
    case 0:
        return SystemColour{P::Active, P::Button}; // scroll bar
    case 1:
        return SystemColour{P::Active, P::Dark}; // desktop
    case 2:
        return SystemColour{P::Active, P::Highlight}; // active caption
    case 3:
        return SystemColour{P::Inactive, P::Highlight}; // inactive caption
    case 4:
        return SystemColour{P::Active, P::Window}; // menu
    case 5:
        return SystemColour{P::Active, P::Base}; // window
    case 6:
        return SystemColour{P::Active, P::Shadow}; // window frame
    case 7:
        return SystemColour{P::Active, P::WindowText}; // menu text
    case 8:
        return SystemColour{P::Active, P::Text}; // window text
    case 9:
        return SystemColour{P::Active, P::HighlightedText}; // caption text
    case 10:
        return SystemColour{P::Active, P::Window}; // active border
    case 11:
        return SystemColour{P::Inactive, P::Window}; // inactive border
    case 12:
        return SystemColour{P::Active, P::Dark}; // application workspace
    case 13:
        return SystemColour{P::Active, P::Highlight}; // highlight
    case 14:
        return SystemColour{P::Active, P::HighlightedText}; // highlight text
    case 15:
        return SystemColour{P::Active, P::Button}; // button face
    case 16:
        return SystemColour{P::Active, P::Dark}; // button shadow
    case 17:
        return SystemColour{P::Disabled, P::Text}; // grey text
    case 18:
        return SystemColour{P::Active, P::ButtonText}; // button text
    case 19:
        return SystemColour{P::Inactive, P::HighlightedText}; // inactive caption text
    case 20:
        return SystemColour{P::Active, P::Light}; // button highlight
    case 21:
        return SystemColour{P::Active, P::Shadow}; // 3D dark shadow
    case 22:
        return SystemColour{P::Active, P::Midlight}; // 3D light
    case 23:
        return SystemColour{P::Active, P::ToolTipText}; // info text
    case 24:
        return SystemColour{P::Active, P::ToolTipBase}; // info background
    case 26:
        return SystemColour{P::Active, P::Link}; // hot-track
    case 27:
        return SystemColour{P::Active, P::Highlight}; // gradient active caption
    case 28:
        return SystemColour{P::Inactive, P::Highlight}; // gradient inactive caption
    case 29:
        return SystemColour{P::Active, P::Highlight}; // menu highlight
    case 30:
        return SystemColour{P::Active, P::Window}; // menu bar
    default:
        return std::nullopt;
    }
}

// A stored integer, or nothing when the key is missing or its value does not fit.
std::optional<qlonglong> storedInteger(const QVariantMap& bag, const QString& key, qlonglong low, qlonglong high)
{
    const auto it = bag.constFind(key);
    if (it == bag.constEnd())
        return std::nullopt;
    bool ok = false;
    const qlonglong value = it->toLongLong(&ok);
    if (!ok || value < low || value > high) {
        qWarning("MultiOptionControl: stored value of \"%s\" is not usable, default kept", qPrintable(key));
        return std::nullopt;
    }
    return value;
}

template <typename T> T readInteger(const QVariantMap& bag, const QString& key, T fallback)
{
    const auto value = storedInteger(bag, key, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
    return value ? static_cast<T>(*value) : fallback;
}

// Colours are stored as signed 32-bit values; an unsigned form is accepted as well.
quint32 readColour(const QVariantMap& bag, const QString& key, quint32 fallback)
{
    const auto value = storedInteger(bag, key, std::numeric_limits<qint32>::min(), std::numeric_limits<quint32>::max());
    return value ? static_cast<quint32>(*value) : fallback;
}

// Focus coming back from another window, a message box or a popup is no entry.
bool entersFromThisWindow(const QFocusEvent* event)
{
    return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}

quint32 systemColourAsRgb(quint32 oleColour)
{
    return MultiOptionControl::toOleColour(MultiOptionControl::translateColour(oleColour));
}

} // namespace

MultiOptionControl::MultiOptionControl(QWidget* parent)
    : QFrame(parent)
    , m_group(new QButtonGroup(this))
    , m_caption(new QLabel(kDesignCaption, this))
{
    m_group->setExclusive(true);
    connect(m_group, &QButtonGroup::idClicked, this, [this](int id) { optOption_Click(id); });

    m_caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_options.append(Option{createOption(1), QRect(0, 0, kOptionWidth, kOptionHeight)});
    m_options.first().button->show();
    setFocusProxy(m_options.first().button);

    m_captionTwips = QRect(0, kOptionHeight, kDesignTwipSize.width(), kDesignTwipSize.height() - kOptionHeight);
    setTwipSize(kDesignTwipSize);
    updateFrame();
}

MultiOptionControl::MultiOptionControl(const QVariantMap& bag, QWidget* parent)
    : MultiOptionControl(parent)
{
    readProperties(bag);
}

MultiOptionControl::~MultiOptionControl() = default;

bool MultiOptionControl::border() const
{
    return m_borderStyle != 0;
}

void MultiOptionControl::setBorder(bool on)
{
    m_borderStyle = on ? 1 : 0;
    updateFrame();
    emit propertyChanged(QStringLiteral("Border"));
    refreshControl();
}

bool MultiOptionControl::apperarance3D() const
{
    return m_appearance != 0;
}

void MultiOptionControl::setApperarance3D(bool on)
{
    m_appearance = on ? 1 : 0;
    updateFrame();
    emit propertyChanged(QStringLiteral("Apperarance3D"));
    refreshControl();
}

void MultiOptionControl::setBackColor(quint32 oleColour)
{
    m_backColor = oleColour;
    emit propertyChanged(QStringLiteral("BCOL"));
    refreshControl();
}

void MultiOptionControl::setForeColor(quint32 oleColour)
{
    m_foreColor = oleColour;
    emit propertyChanged(QStringLiteral("FCOL"));
    refreshControl();
}

void MultiOptionControl::setPositioning(qint32 corner)
{
    m_positioning = corner;
    emit propertyChanged(QStringLiteral("Positioning"));
    refreshControl();
}

void MultiOptionControl::setAligning(qint32 direction)
{
    m_aligning = direction;
    emit propertyChanged(QStringLiteral("Aligning"));
    refreshControl();
}

void MultiOptionControl::setCaptionAligning(qint32 band)
{
    m_captionAligning = band;
    emit propertyChanged(QStringLiteral("CaptionAligning"));
    refreshControl();
}

void MultiOptionControl::setOptionSelected(qint16 index)
{
    if (index < 1)
        index = 1;
    if (index > m_optionCount)
        index = m_optionCount;
    m_optionSelected = index;
    emit propertyChanged(QStringLiteral("OptionSelected"));
    refreshControl();
}

void MultiOptionControl::setOptionCount(qint16 count)
{
    if (count < 1)
        count = 1;
    if (count < m_optionSelected)
        setOptionSelected(count);
    m_optionCount = count;
    emit propertyChanged(QStringLiteral("OptionCount"));
    refreshControl();
}

QString MultiOptionControl::caption() const
{
    return m_caption->text();
}

void MultiOptionControl::setCaption(const QString& text)
{
    m_caption->setText(text);
    emit propertyChanged(QStringLiteral("Caption"));
    refreshControl();
}

void MultiOptionControl::initProperties()
{
    m_captionAligning = 1;
    m_aligning = 1;
    m_positioning = 1;
    m_horizontal = true;
    m_optionCount = 3;
    m_optionSelected = 1;
    m_backColor = systemColourAsRgb(kOleButtonFace);
    m_foreColor = systemColourAsRgb(kOleButtonText);
    refreshControl();
}

void MultiOptionControl::readProperties(const QVariantMap& bag)
{
    m_appearance = readInteger<qint16>(bag, QStringLiteral("Appearance3D"), 0) != 0 ? 1 : 0;
    m_borderStyle = readInteger<qint16>(bag, QStringLiteral("Border"), 0) != 0 ? 1 : 0;
    updateFrame();
    m_captionAligning = readInteger<qint32>(bag, QStringLiteral("CaptionAligning"), 1);
    m_aligning = readInteger<qint32>(bag, QStringLiteral("Aligning"), 1);
    m_positioning = readInteger<qint32>(bag, QStringLiteral("Positioning"), 1);
    m_caption->setText(bag.value(QStringLiteral("Caption"), m_caption->text()).toString());
    m_optionCount = readInteger<qint16>(bag, QStringLiteral("OptionCount"), m_optionCount);
    m_optionSelected = readInteger<qint16>(bag, QStringLiteral("OptionSelected"), m_optionSelected);
    m_horizontal = bag.value(QStringLiteral("Horizontal"), m_horizontal).toBool();
    m_backColor = readColour(bag, QStringLiteral("BCOL"), systemColourAsRgb(kOleButtonFace));
    m_foreColor = readColour(bag, QStringLiteral("FCOL"), systemColourAsRgb(kOleButtonText));
    refreshControl();
}

QVariantMap MultiOptionControl::writeProperties() const
{
    QVariantMap bag;
    if (m_appearance != 0)
        bag.insert(QStringLiteral("Appearance3D"), QVariant::fromValue<qint16>(static_cast<qint16>(m_appearance)));
    if (m_borderStyle != 0)
        bag.insert(QStringLiteral("Border"), QVariant::fromValue<qint16>(static_cast<qint16>(m_borderStyle)));
    bag.insert(QStringLiteral("CaptionAligning"), QVariant::fromValue<qint32>(m_captionAligning));
    bag.insert(QStringLiteral("Aligning"), QVariant::fromValue<qint32>(m_aligning));
    bag.insert(QStringLiteral("Positioning"), QVariant::fromValue<qint32>(m_positioning));
    bag.insert(QStringLiteral("Caption"), m_caption->text());
    bag.insert(QStringLiteral("OptionCount"), QVariant::fromValue<qint16>(m_optionCount));
    bag.insert(QStringLiteral("OptionSelected"), QVariant::fromValue<qint16>(m_optionSelected));
    bag.insert(QStringLiteral("Horizontal"), m_horizontal);
    bag.insert(QStringLiteral("BCOL"), QVariant::fromValue<qint32>(static_cast<qint32>(m_backColor)));
    bag.insert(QStringLiteral("FCOL"), QVariant::fromValue<qint32>(static_cast<qint32>(m_foreColor)));
    return bag;
}

void MultiOptionControl::refreshControl()
{
    rebuildOptions();
    showSelection();
    arrangeButtons();
    applyColours();
}

// Buttons 2 to n start as fresh copies of button 1: its place, switched off, hidden until
// arrangeButtons. Buttons that survive are reused (and kept visible, so a focused one
// keeps the focus); the rest go, the highest first.
void MultiOptionControl::rebuildOptions()
{
    const int wanted = std::max<int>(1, m_optionCount);
    while (m_options.size() > wanted) {
        QRadioButton* button = m_options.takeLast().button;
        if (button->hasFocus())
            m_options.first().button->setFocus(Qt::OtherFocusReason);
        m_group->removeButton(button);
        delete button;
    }
    const QRect firstTwips = m_options.first().twips;
    for (int i = 2; i <= wanted; ++i) {
        if (i > m_options.size()) {
            QRadioButton* button = createOption(i);
            button->hide();
            m_options.append(Option{button, firstTwips});
        }
        moveOption(i, firstTwips);
    }
}

// Exactly the selected button is on; none when the selection lies outside the buttons.
void MultiOptionControl::showSelection()
{
    m_group->setExclusive(false);
    for (int i = 1; i <= m_options.size(); ++i)
        m_options[i - 1].button->setChecked(i == m_optionSelected);
    m_group->setExclusive(true);
    if (QRadioButton* selected = optionButton(m_optionSelected))
        setFocusProxy(selected);
    else
        setFocusProxy(m_options.first().button);
}

// Buttons and caption where optionLayout() puts them; the arranged buttons are shown.
void MultiOptionControl::arrangeButtons()
{
    OptionLayoutInput input;
    input.control = twipSize();
    for (const Option& option : std::as_const(m_options))
        input.options.append(option.twips);
    input.shown = std::min<int>(m_optionCount, static_cast<int>(m_options.size()));
    input.positioning = m_positioning;
    input.aligning = m_aligning;
    input.captionAligning = m_captionAligning;
    input.caption = m_captionTwips;
    const OptionLayout layout = optionLayout(input);

    for (int i = 1; i <= m_options.size(); ++i)
        moveOption(i, layout.options[i - 1]);
    for (int i = 1; i <= input.shown; ++i)
        m_options[i - 1].button->show();
    moveCaption(layout.caption);
}

void MultiOptionControl::applyColours()
{
    const QColor back = QColor::fromRgb(translateColour(m_backColor));
    const QColor fore = QColor::fromRgb(translateColour(m_foreColor));

    const auto colour = [&](QWidget* widget) {
        QPalette palette = widget->palette();
        // Buttons use the Button role for their background, the surface and caption Window.
        palette.setColor(QPalette::Window, back);
        palette.setColor(QPalette::Button, back);
        palette.setColor(QPalette::WindowText, fore);
        palette.setColor(QPalette::ButtonText, fore);
        widget->setPalette(palette);
    };
    // Only the surface fills its background: the parts have the same colour, and the
    // border stays visible where they overlap it.
    colour(this);
    setAutoFillBackground(true);
    colour(m_caption);
    for (const Option& option : std::as_const(m_options))
        colour(option.button);
}

void MultiOptionControl::optOption_Click(int index)
{
    QRadioButton* clicked = optionButton(index);
    if (!clicked || index == m_optionSelected || !clicked->isChecked())
        return;
    setOptionSelected(static_cast<qint16>(index));
    if (QRadioButton* selected = optionButton(index))
        selected->setFocus(Qt::MouseFocusReason);
}

QSize MultiOptionControl::twipSize() const
{
    const QSize asPixels(twipsToPixels(m_twipSize.width()), twipsToPixels(m_twipSize.height()));
    if (m_twipSize.isValid() && asPixels == size())
        return m_twipSize;
    return size() * kTwipsPerPixel;
}

void MultiOptionControl::setTwipSize(const QSize& twips)
{
    m_twipSize = twips;
    resize(twipsToPixels(twips.width()), twipsToPixels(twips.height()));
    // A hidden widget gets its resize event only when shown; lay out now.
    arrangeButtons();
}

QRect MultiOptionControl::optionTwips(int index) const
{
    if (index < 1 || index > m_options.size())
        return {};
    return m_options[index - 1].twips;
}

QRect MultiOptionControl::captionTwips() const
{
    return m_captionTwips;
}

QRadioButton* MultiOptionControl::optionButton(int index) const
{
    if (index < 1 || index > m_options.size())
        return nullptr;
    return m_options[index - 1].button;
}

QRgb MultiOptionControl::translateColour(quint32 oleColour)
{
    return translateColour(oleColour, QGuiApplication::palette());
}

QRgb MultiOptionControl::translateColour(quint32 oleColour, const QPalette& systemColours)
{
    const quint32 kind = oleColour & 0xFF000000u;
    if (kind == 0)
        return qRgb(oleColour & 0xFF, (oleColour >> 8) & 0xFF, (oleColour >> 16) & 0xFF);
    if (kind == kOleSystemColour) {
        if (const auto system = systemColour(oleColour & 0x00FFFFFFu))
            return systemColours.color(system->group, system->role).rgb();
    }
    return qRgb(0, 0, 0);
}

quint32 MultiOptionControl::toOleColour(QRgb rgb)
{
    return static_cast<quint32>(qRed(rgb)) | static_cast<quint32>(qGreen(rgb)) << 8
           | static_cast<quint32>(qBlue(rgb)) << 16;
}

void MultiOptionControl::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    arrangeButtons();
}

void MultiOptionControl::focusInEvent(QFocusEvent* event)
{
    QFrame::focusInEvent(event);
    if (entersFromThisWindow(event))
        emit focusEntered();
}

bool MultiOptionControl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && qobject_cast<QRadioButton*>(watched)
        && entersFromThisWindow(static_cast<QFocusEvent*>(event)))
        emit focusEntered();
    return QFrame::eventFilter(watched, event);
}

QRadioButton* MultiOptionControl::createOption(int index)
{
    auto* button = new QRadioButton(this);
    button->setObjectName(QStringLiteral("optOption%1").arg(index));
    button->installEventFilter(this);
    m_group->addButton(button, index);
    return button;
}

void MultiOptionControl::moveOption(int index, const QRect& twips)
{
    Option& option = m_options[index - 1];
    option.twips = twips;
    option.button->setGeometry(twipRect(twips.left(), twips.top(), twips.width(), twips.height()));
}

void MultiOptionControl::moveCaption(const QRect& twips)
{
    m_captionTwips = twips;
    m_caption->setGeometry(twipRect(twips.left(), twips.top(), twips.width(), twips.height()));
}

// Single-line border: sunken 3D edge or a plain line, after the appearance.
void MultiOptionControl::updateFrame()
{
    if (m_borderStyle == 0)
        setFrameStyle(QFrame::NoFrame);
    else if (m_appearance != 0)
        setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    else
        setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

} // namespace mivra
