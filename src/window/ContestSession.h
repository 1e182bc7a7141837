#pragma once

#include "ContestSettings.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTimer;
class QWidget;

namespace mivra {

class Clock;
class EntryRow;
class LogDatabase;
class Messages;
struct LogRow;

// The running contest in the main window: "Contest…" beside the band buttons, the serial number
// New puts into Rss, "DUPE" when Ca is left with a station already in the contest, and the score
// beside the band caption. With no contest running it shows nothing and changes nothing.
class ContestSession : public QObject {
    Q_OBJECT
public:
    struct Services {
        const LogDatabase& log;
        const Clock& clock;
        Messages& messages;
        QString iniPath; // mivra.ini in the data folder
        std::function<QString()> ownLocator;
        std::function<QString()> bandValue; // the band selected in the window
        std::function<bool()> logBusy;      // an import holds the log: the score waits for its end
    };

    ContestSession(QWidget* window, EntryRow& entry, Services services);

    QPushButton* button() const { return m_button; }
    QLabel* dupe() const { return m_dupe; }
    QLabel* score() const { return m_score; }
    // On a shared log: other positions logging the contest's band, serials sent twice.
    QLabel* sharedBand() const { return m_sharedBand; }

    // Reads the contest anew and shows its score; call it after the log changed.
    void refresh();
    // The "Contest…" dialog.
    void edit();

private:
    void onContactStarted();
    void onCallsignChecked(const QString& callsign);
    // The contest when it runs and the contact in the entry row belongs to it.
    bool contactInContest(ContestSettings* contest) const;
    bool readRows(const ContestSettings& contest, std::vector<LogRow>* rows) const;

    EntryRow& m_entry;
    Services m_services;
    QPushButton* m_button;
    QLabel* m_dupe;
    QLabel* m_score;
    QLabel* m_sharedBand;
    QTimer* m_clockTimer;
};

} // namespace mivra
