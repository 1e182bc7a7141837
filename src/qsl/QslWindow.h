#pragma once

#include "CardOutput.h"
#include "CardTemplate.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;

namespace mivra {

class LogDatabase;
class Messages;
class StationSettings;

namespace qsl {

// What the QSL window works with.
struct QslWindowServices {
    LogDatabase& log;
    StationSettings& settings;
    QString settingsFile;
    Messages& messages;
    QStringList bitmapFolders;                               // searched in this order
    std::function<std::unique_ptr<CardOutput>()> makeOutput; // the printer or the PDF folder
    std::function<bool()> stopRequested = {};                // ends a run after the current card
};

// The QSL window ("Form6"): the QSL card at its real size, filled with the own station's data, and the buttons that
// print cards.
class QslWindow : public QWidget {
    Q_OBJECT
public:
    explicit QslWindow(QslWindowServices services, QWidget* parent = nullptr);
    ~QslWindow() override;

    // The window load: settings read anew, own-station texts, locator split; then shown.
    void load();

    QString QSLFilter() const { return m_filter; }
    // The texts the card shows now, and setting them.
    CardFields cardFields() const;
    void setCardFields(const CardFields& fields);
    QWidget* element(const QString& name, int index = -1) const;
    QPushButton* button(const QString& name) const;
    QLabel* picture(int index) const { return m_pictures.at(std::size_t(index)); }

    void printCardsInState();
    void printShownCard();
    // Show the bitmaps of Picture1 and Picture2 fitted to their boxes.
    void showSignature();
    void showClubEmblem();

signals:
    // "Exit QSL": the main window is to start anew. Sent before this window closes.
    void exitRequested();

private:
    void buildCard();
    void buildButtons();
    void startRun(const QString& letter);
    void emptyCard();
    void showBitmap(int picture);

    QslWindowServices m_services;
    QString m_filter;
    std::vector<QWidget*> m_elements; // parallel to CardTemplate::elements()
    std::vector<QLabel*> m_pictures;
};

} // namespace qsl
} // namespace mivra
