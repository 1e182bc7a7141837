#include "MainWindow.h"

#include "BandPlan.h"
#include "MainWindowLayout.h"
#include "MultiOptionControl.h"
#include "Twips.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// The window's own controls, each at its place in the layout.

namespace mivra {

namespace {

QLabel* makeLabel(QWidget* parent, const char* name)
{
    const ControlPlace& place = MainWindowLayout::control(name);
    auto* label = placeControl(new QLabel(place.captionText(), parent), place);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton* makeButton(QWidget* parent, const char* name)
{
    const ControlPlace& place = MainWindowLayout::control(name);
    return placeControl(new QPushButton(place.captionText(), parent), place);
}

} // namespace

void MainWindow::buildTopStrip()
{
    makeLabel(this, "Label16");
    m_squaresWorked = makeLabel(this, "Sqw");
    m_squaresConfirmed = makeLabel(this, "SQc");
    makeLabel(this, "Label17");
    m_elapsed = makeLabel(this, "Label1");
    m_entitiesWorked = makeLabel(this, "dxw");
    m_entitiesConfirmed = makeLabel(this, "DXc");
    makeLabel(this, "Label19");
    // The figures can be selected and copied.
    for (QLabel* figure : {m_squaresWorked, m_squaresConfirmed, m_entitiesWorked, m_entitiesConfirmed})
        figure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_ownCallsign = placeControl(new QLineEdit(this), MainWindowLayout::control("Callsign"));
    makeLabel(this, "Label18");
    m_ownLocator = placeControl(new QLineEdit(this), MainWindowLayout::control("MyGrid"));
}

void MainWindow::buildSearchArea()
{
    auto* searchButton = makeButton(this, "Search");
    connect(searchButton, &QPushButton::clicked, this, &MainWindow::search);
    makeLabel(this, "Label2");
    makeLabel(this, "Label3");

    m_multiOption = placeControl(new MultiOptionControl(this), MainWindowLayout::control("MultiOption1"));
    m_multiOption->readProperties(MainWindowLayout::searchSelectorState());

    m_searchText = placeControl(new QLineEdit(this), MainWindowLayout::control("txtStr"));
    connect(m_multiOption, &MultiOptionControl::focusEntered, m_searchText, &QLineEdit::clear);
    connect(m_searchText, &QLineEdit::returnPressed, this, &MainWindow::search);
}

void MainWindow::buildButtons()
{
    auto* gridDec = makeButton(this, "gridDEC");
    connect(gridDec, &QPushButton::clicked, this, &MainWindow::prepareMapData);
    m_googleEarth = makeButton(this, "GoogleEarth");
    connect(m_googleEarth, &QPushButton::clicked, this, &MainWindow::showOnGoogleEarth);
    auto* initials = makeButton(this, "Initials");
    connect(initials, &QPushButton::clicked, this, &MainWindow::showSettingsWindow);
}

void MainWindow::buildBandFrame()
{
    const ControlPlace& framePlace = MainWindowLayout::control("frmBand");
    auto* frame = placeControl(new QGroupBox(framePlace.captionText(), this), framePlace);
    m_bandButtons = new QButtonGroup(this);
    m_bandButtons->setExclusive(true);
    for (int i = 0; i < int(bandButtons().size()); ++i) {
        auto* button = new QPushButton(QString::fromLatin1(bandButtons()[i].caption), frame);
        button->setObjectName(QStringLiteral("OptBand"));
        button->setGeometry(twipRect(MainWindowLayout::bandButtonTwips(i)));
        button->setCheckable(true);
        button->setProperty("index", i);
        m_bandButtons->addButton(button, i);
    }
    connect(m_bandButtons, &QButtonGroup::idClicked, this, &MainWindow::selectBand);

    auto* exitButton = makeButton(this, "cmdExit");
    connect(exitButton, &QPushButton::clicked, this, &QWidget::close);
    auto* qsl = makeButton(this, "QSL");
    connect(qsl, &QPushButton::clicked, this, &MainWindow::openQslWindow);
}

} // namespace mivra
