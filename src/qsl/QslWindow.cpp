#include "QslWindow.h"

#include "CardPrinter.h"
#include "LogDatabase.h"
#include "Messages.h"
#include "QslRun.h"
#include "QslWindowLayout.h"
#include "StationSettings.h"
#include "StationSettingsFile.h"
#include "Twips.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace mivra::qsl {

namespace {

QFont screenFont(const CardElement& element)
{
    QFont font(CardTemplate::platformFace(element.fontFace));
    font.setPointSizeF(element.pointSize);
    font.setBold(element.bold);
    return font;
}

// A push button whose caption wraps onto more lines when the button is narrow.
class WrappingButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        painter.drawText(rect().adjusted(2, 1, -2, -1), Qt::AlignCenter | Qt::TextWordWrap, text());
    }
};

} // namespace

QslWindow::QslWindow(QslWindowServices services, QWidget* parent)
    : QWidget(parent)
    , m_services(std::move(services))
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Form6"));
    setFixedSize(twipsToPixels(CardTemplate::kClientWidth), twipsToPixels(CardTemplate::kClientHeight));
    buildCard();
    buildButtons();
}

QslWindow::~QslWindow() = default;

void QslWindow::buildCard()
{
    for (const CardPicture& picture : CardTemplate::pictures()) {
        auto* box = new QLabel(this);
        box->setObjectName(picture.name);
        box->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        box->setLineWidth(2);
        box->setGeometry(twipRect(picture.left, picture.top, picture.width, picture.height));
        m_pictures.push_back(box);
    }
    for (const CardElement& element : CardTemplate::elements()) {
        QWidget* widget = nullptr;
        if (element.kind == CardElement::TextBox) {
            auto* box = new QLineEdit(element.text, this);
            box->setTextMargins(0, 0, 0, 0);
            widget = box;
        } else {
            auto* label = new QLabel(element.text, this);
            label->setTextFormat(Qt::PlainText); // settings texts are shown as typed, never as markup
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = label;
        }
        widget->setObjectName(element.name);
        if (element.index >= 0)
            widget->setProperty("index", element.index);
        widget->setFont(screenFont(element));
        widget->setGeometry(twipRect(element.left, element.top, element.width, element.height));
        m_elements.push_back(widget);
    }
}

void QslWindow::buildButtons()
{
    for (const ControlPlace& place : QslWindowLayout::controls())
        placeControl(new WrappingButton(place.captionText(), this), place);
    connect(button(QStringLiteral("Command1")), &QPushButton::clicked, this, [this] { startRun(QStringLiteral("Y")); });
    connect(button(QStringLiteral("Command3")), &QPushButton::clicked, this, [this] { startRun(QStringLiteral("S")); });
    connect(button(QStringLiteral("Command4")), &QPushButton::clicked, this, [this] { startRun(QStringLiteral("T")); });
    connect(button(QStringLiteral("StopPrint")), &QPushButton::clicked, this, [this] { startRun(QString()); });
    connect(button(QStringLiteral("BeaconPrint")), &QPushButton::clicked, this,
            [this] { startRun(QStringLiteral("B")); });
    connect(button(QStringLiteral("Empty")), &QPushButton::clicked, this, &QslWindow::emptyCard);
    connect(button(QStringLiteral("Exit")), &QPushButton::clicked, this, [this] {
        emit exitRequested();
        close();
    });
}

QPushButton* QslWindow::button(const QString& name) const
{
    return findChild<QPushButton*>(name, Qt::FindDirectChildrenOnly);
}

QWidget* QslWindow::element(const QString& name, int index) const
{
    const int position = CardTemplate::find(name, index);
    return position < 0 ? nullptr : m_elements.at(std::size_t(position));
}

void QslWindow::load()
{
    StationSettings& settings = m_services.settings;
    QString error;
    if (!loadStationSettings(settings, m_services.settingsFile, &error))
        m_services.messages.inform(this, error);

    CardFields card = cardFields();
    const std::pair<const char*, int> ownTexts[] = {
        {"CallL", StationSettings::OwnCallsign},     {"GridL", StationSettings::OwnLocator},
        {"Label6", StationSettings::QslInfoLine},    {"Label11", StationSettings::QslLine2},
        {"Label14", StationSettings::QslLine3},      {"Label15", StationSettings::QslLine4},
        {"Label7", StationSettings::QslAddressLine}, {"Label8", StationSettings::QslFooterLine},
    };
    for (const auto& [name, slot] : ownTexts)
        card.setText(QString::fromLatin1(name), settings.text(slot));

    const QString locator = card.text(QStringLiteral("GridL"));
    if (locator.size() == 8)
        card.setText(QStringLiteral("GridL1"), locator.right(2));
    else if (locator.size() == 10)
        card.setText(QStringLiteral("GridL1"), locator.right(4));
    card.setText(QStringLiteral("GridL"), locator.left(6));
    setCardFields(card);
    m_filter.clear();
    showSignature();
    showClubEmblem();
    show();
}

CardFields QslWindow::cardFields() const
{
    CardFields fields;
    const auto& elements = CardTemplate::elements();
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (auto* box = qobject_cast<QLineEdit*>(m_elements[i]))
            fields.setText(int(i), box->text());
        else
            fields.setText(int(i), static_cast<QLabel*>(m_elements[i])->text());
    }
    return fields;
}

void QslWindow::setCardFields(const CardFields& fields)
{
    const auto& elements = CardTemplate::elements();
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (auto* box = qobject_cast<QLineEdit*>(m_elements[i])) {
            box->setText(fields.text(int(i)));
            box->setCursorPosition(0);
        } else {
            static_cast<QLabel*>(m_elements[i])->setText(fields.text(int(i)));
        }
    }
}

void QslWindow::startRun(const QString& letter)
{
    m_filter = letter;
    printCardsInState();
}

void QslWindow::printCardsInState()
{
    const std::unique_ptr<CardOutput> output = m_services.makeOutput();
    CardPrinter printer(*output, m_services.bitmapFolders);
    qsl::QslRun run(m_services.log.database(), printer, QLocale(), m_services.stopRequested);
    CardFields card = cardFields();
    const RunResult result = run.printCardsInState(m_filter, card);
    setCardFields(card);
    showSignature();
    showClubEmblem();
    if (!result.messages.isEmpty())
        m_services.messages.inform(this, result.message());
}

void QslWindow::printShownCard()
{
    const std::unique_ptr<CardOutput> output = m_services.makeOutput();
    CardPrinter printer(*output, m_services.bitmapFolders);
    CardFields card = cardFields();
    QString error;
    const bool printed = printer.printCard(card, &error);
    setCardFields(card);
    showSignature();
    showClubEmblem();
    QStringList messages;
    if (printed && !output->doneMessage(1).isEmpty())
        messages << output->doneMessage(1);
    if (!printed)
        messages << QStringLiteral("The card was not printed: %1").arg(error);
    if (!printer.missingBitmaps().isEmpty())
        messages << missingBitmapsMessage(printer.missingBitmaps());
    if (!messages.isEmpty())
        m_services.messages.inform(this, messages.join(QStringLiteral("\n\n")));
}

void QslWindow::emptyCard()
{
    printShownCard();
}

void QslWindow::showBitmap(int index)
{
    QLabel* box = m_pictures.at(std::size_t(index));
    const QImage image = readBitmap(m_services.bitmapFolders, CardTemplate::pictures().at(std::size_t(index)).fileName);
    if (image.isNull()) {
        box->clear();
        return;
    }
    // The whole bitmap stretched over the box's inner area.
    box->setPixmap(
        QPixmap::fromImage(image.scaled(box->contentsRect().size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void QslWindow::showSignature()
{
    showBitmap(0);
}

void QslWindow::showClubEmblem()
{
    showBitmap(1);
}

} // namespace mivra::qsl
