#include "SettingsWindow.h"

#include "Utf16View.h"

#include "Locator.h"
#include "Messages.h"
#include "StationSettingsFile.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <string_view>

namespace mivra {

namespace {

QFont windowFont(const QStringList& families, double pointSize, bool bold = false)
{
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont arial(double pointSize, bool bold = false)
{
    return windowFont({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}, pointSize, bold);
}

QLabel* makeLabel(const QString& objectName, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    return label;
}

QLineEdit* makeBox(const QString& objectName, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(objectName);
    return box;
}

bool isEnter(const QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

SettingsWindow::SettingsWindow(StationSettings& settings, LiveMapOptions& live, QString settingsFilePath,
                               Messages& messages, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_settings(settings)
    , m_live(live)
    , m_settingsFilePath(std::move(settingsFilePath))
    , m_messages(messages)
{
    setObjectName(QStringLiteral("form2"));
    setWindowTitle(QStringLiteral("Initial"));
    buildControls();
}

void SettingsWindow::buildControls()
{
    auto* label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("MyCallsign:"), this);
    auto* label2 = makeLabel(QStringLiteral("Label2"), QStringLiteral("MyGrid:"), this);
    auto* label9 = makeLabel(QStringLiteral("Label9"), QStringLiteral("6,8 or 10 Digit Locator"), this);
    m_callsign = makeBox(QStringLiteral("text3"), this);
    m_locator = makeBox(QStringLiteral("text4"), this);
    label1->setBuddy(m_callsign);
    label2->setBuddy(m_locator);
    m_done = new QPushButton(QStringLiteral("Done"), this);
    m_done->setObjectName(QStringLiteral("Command1"));
    // A plain window has no default button: let Enter press the focused "Done".
    m_done->setAutoDefault(true);

    auto* station = new QGridLayout;
    station->addWidget(label1, 0, 0);
    station->addWidget(m_callsign, 0, 1);
    station->addWidget(m_done, 0, 2, 2, 1);
    station->addWidget(label2, 1, 0);
    station->addWidget(m_locator, 1, 1);
    station->addWidget(label9, 2, 1);
    auto* rig = new QPushButton(QStringLiteral("&Rig…"), this);
    rig->setObjectName(QStringLiteral("rig"));
    rig->setToolTip(QStringLiteral("The radio whose frequency and mode the log takes (Hamlib)"));
    connect(rig, &QPushButton::clicked, this, &SettingsWindow::rigSettingsRequested);
    station->addWidget(rig, 2, 2);
    auto* profiles = new QPushButton(QStringLiteral("S&tation…"), this);
    profiles->setObjectName(QStringLiteral("stationProfiles"));
    profiles->setToolTip(QStringLiteral("Station profiles (home, hilltop) and what counts as confirmed"));
    connect(profiles, &QPushButton::clicked, this, &SettingsWindow::stationSettingsRequested);
    station->addWidget(profiles, 3, 2);
    auto* shared = new QPushButton(QStringLiteral("S&hared log…"), this);
    shared->setObjectName(QStringLiteral("sharedLog"));
    shared->setToolTip(QStringLiteral("One log for the station's positions, through a PostgreSQL server"));
    connect(shared, &QPushButton::clicked, this, &SettingsWindow::sharedLogRequested);
    station->addWidget(shared, 4, 2);
    station->setColumnStretch(3, 1);
    m_callsign->setFixedWidth(200);
    m_locator->setFixedWidth(200);

    auto* transparency = makeLabel(QStringLiteral("Label3"), QStringLiteral("Opacity of square on GE"), this);
    m_opacity = new QSlider(Qt::Horizontal, this);
    m_opacity->setObjectName(QStringLiteral("GEcolor"));
    m_opacity->setRange(0, 255);
    m_opacity->setPageStep(16);
    transparency->setBuddy(m_opacity);
    m_lines = new QCheckBox(QStringLiteral("Line on GE"), this);
    m_lines->setObjectName(QStringLiteral("Checkline"));
    auto* lineText = makeLabel(QStringLiteral("Linetext"), QStringLiteral("Line from you to wkd stn on GE"), this);
    auto* lineColour
        = makeLabel(QStringLiteral("Label4"), QStringLiteral("Color of line depends on propagation"), this);
    auto* lineColours
        = makeLabel(QStringLiteral("Label5"), QStringLiteral(" RS=blue Tr=red Es=green Ms=grey Au=pink"), this);

    auto* lineRow = new QHBoxLayout;
    lineRow->addWidget(m_lines);
    lineRow->addWidget(lineText);
    lineRow->addStretch(1);

    auto* qslHeading = makeLabel(
        QStringLiteral("lblQSL"),
        QStringLiteral("QSL Text fields 1 line= info data 2-5 line free data line6 address 7 foot data"), this);
    qslHeading->setWordWrap(true);
    m_info = makeBox(QStringLiteral("TXTinfo"), this);
    m_info->setFont(arial(9.75, true));
    m_line2 = makeBox(QStringLiteral("TXTline2"), this);
    m_line2->setFont(arial(8.25));
    m_line3 = makeBox(QStringLiteral("TXTline3"), this);
    m_line3->setFont(arial(8.25));
    m_line4 = makeBox(QStringLiteral("TXTline4"), this);
    m_line4->setFont(arial(8.25));
    m_address = makeBox(QStringLiteral("TXTadd"), this);
    m_address->setFont(arial(9.75));
    m_footer = makeBox(QStringLiteral("TXTfoot"), this);
    // "Small Fonts" is a Windows face; a small sans stands in where it is missing.
    m_footer->setFont(windowFont({QStringLiteral("Small Fonts"), QStringLiteral("DejaVu Sans")}, 6));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(station);
    layout->addSpacing(8);
    layout->addWidget(transparency);
    layout->addWidget(m_opacity);
    layout->addLayout(lineRow);
    layout->addWidget(lineColour);
    layout->addWidget(lineColours);
    layout->addSpacing(8);
    layout->addWidget(qslHeading);
    for (QLineEdit* box : {m_info, m_line2, m_line3, m_line4, m_address, m_footer})
        layout->addWidget(box);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_info->setMinimumWidth(480);

    m_callsign->installEventFilter(this);
    m_locator->installEventFilter(this);
    connect(m_done, &QPushButton::clicked, this, &SettingsWindow::done);
    connect(m_opacity, &QSlider::valueChanged, this, [this](int value) { m_live.opacity = QString::number(value); });
    connect(m_lines, &QCheckBox::clicked, this, [this](bool checked) { m_live.lines = checked; });
}

void SettingsWindow::setMainWindowBoxes(QLineEdit* ownCallsign, QLineEdit* ownLocator)
{
    m_mainCallsign = ownCallsign;
    m_mainLocator = ownLocator;
}

void SettingsWindow::showActivated()
{
    show();
    raise();
    activateWindow();
    m_callsign->setFocus();
}

void SettingsWindow::showEvent(QShowEvent* event)
{
    if (!m_loaded) {
        loadForm();
        m_loaded = true;
    }
    // Shown by the program, not restored from the task bar: start at the callsign.
    if (!event->spontaneous())
        m_callsign->setFocus();
    QWidget::showEvent(event);
}

void SettingsWindow::loadForm()
{
    QString error;
    if (!loadStationSettings(m_settings, m_settingsFilePath, &error)) {
        // Shown once the window is up; the boxes still show what the table holds.
        QTimer::singleShot(0, this, [this, error] { m_messages.inform(this, error); });
    }
    m_callsign->setText(m_settings.text(StationSettings::OwnCallsign));
    m_locator->setText(m_settings.text(StationSettings::OwnLocator));
    m_info->setText(m_settings.text(StationSettings::QslInfoLine));
    m_line2->setText(m_settings.text(StationSettings::QslLine2));
    m_line3->setText(m_settings.text(StationSettings::QslLine3));
    m_line4->setText(m_settings.text(StationSettings::QslLine4));
    m_address->setText(m_settings.text(StationSettings::QslAddressLine));
    m_footer->setText(m_settings.text(StationSettings::QslFooterLine));
    // An empty setting (a fresh installation) starts at the map's default opacity, not at invisible.
    constexpr int kDefaultOpacity = 128;
    m_opacity->setValue(
        m_settings.value(StationSettings::MapOpacity).toString().trimmed().isEmpty()
            ? kDefaultOpacity
            : static_cast<int>(std::clamp<qint64>(m_settings.numericValue(StationSettings::MapOpacity), 0, 255)));
    m_lines->setChecked(m_settings.numericValue(StationSettings::MapLines) != 0);
    m_live.lines = m_lines->isChecked();
    copyToMainWindow();
}

void SettingsWindow::copyToMainWindow()
{
    if (m_mainCallsign)
        m_mainCallsign->setText(m_callsign->text());
    if (m_mainLocator)
        m_mainLocator->setText(m_locator->text());
}

void SettingsWindow::storeFields()
{
    m_settings.setText(StationSettings::OwnCallsign, m_callsign->text());
    m_settings.setText(StationSettings::OwnLocator, m_locator->text());
    m_settings.setText(StationSettings::QslInfoLine, m_info->text());
    m_settings.setText(StationSettings::QslLine2, m_line2->text());
    m_settings.setText(StationSettings::QslLine3, m_line3->text());
    m_settings.setText(StationSettings::QslLine4, m_line4->text());
    m_settings.setText(StationSettings::QslAddressLine, m_address->text());
    m_settings.setText(StationSettings::QslFooterLine, m_footer->text());
    m_settings.setNumber(StationSettings::MapOpacity, m_opacity->value());
    m_settings.setNumber(StationSettings::MapLines, m_lines->isChecked() ? 1 : 0);
}

bool SettingsWindow::save(QStringList& errors)
{
    QString error;
    if (saveStationSettings(m_settings, m_settingsFilePath, &error))
        return true;
    errors.append(error);
    return false;
}

void SettingsWindow::reportErrors(const QStringList& errors)
{
    QStringList distinct = errors;
    distinct.removeDuplicates();
    if (!distinct.isEmpty())
        m_messages.inform(this, distinct.join(QLatin1Char('\n')));
}

void SettingsWindow::done()
{
    // A failing step is reported at the end; the steps after it still run.
    QStringList errors;
    QString error;
    if (!loadStationSettings(m_settings, m_settingsFilePath, &error))
        errors.append(error);
    m_settings.setText(StationSettings::OwnCallsign, m_callsign->text());
    m_settings.setText(StationSettings::OwnLocator, m_locator->text());
    copyToMainWindow();

    const QString locator = (m_mainLocator ? m_mainLocator->text() : m_locator->text()).toUpper();
    if (geo::isLocatorRefused(utf16View(locator))) {
        m_messages.inform(this, QStringLiteral("Invalid Gridlocator:"));
        reportErrors(errors);
        m_locator->setFocus();
        return;
    }

    storeFields();
    m_live.lines = m_lines->isChecked();
    save(errors);
    reportErrors(errors);
    emit mainWindowRequested();
    hide();
}

void SettingsWindow::closeEvent(QCloseEvent* event)
{
    if (!m_loaded) {
        // Never shown: nothing was loaded into the boxes, so there is nothing to store.
        QWidget::closeEvent(event);
        return;
    }
    storeFields();
    m_live.lines = m_lines->isChecked();
    QStringList errors;
    save(errors);
    reportErrors(errors);
    m_loaded = false;
    QWidget::closeEvent(event);
    emit closedByUser();
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (isEnter(event)) {
        if (watched == m_callsign) {
            m_locator->setFocus();
            return true;
        }
        if (watched == m_locator) {
            m_done->setFocus();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace mivra
