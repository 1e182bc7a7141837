#pragma once

#include "ContactHistory.h"

#include <QObject>
#include <QString>
#include <functional>

class QLabel;
class QLineEdit;
class QWidget;

namespace mivra {

class EntryRow;
class LogDatabase;

// The aids in the free part of the top strip while a contact is entered: distance and heading as
// soon as the locator is checked, how often the station was worked before, and whether its square
// and its entity are new on the selected band. Each is emptied when its field changes, by New and
// by Save.
class OperatingAids : public QObject {
    Q_OBJECT
public:
    struct Services {
        const LogDatabase& log;
        std::function<QString()> bandPattern;
    };

    OperatingAids(QWidget* window, EntryRow& entry, QLineEdit* ownLocator, Services services);

    QLabel* distanceHeading() const { return m_distanceHeading; }
    QLabel* workedBefore() const { return m_workedBefore; }
    QLabel* newSquare() const { return m_newSquare; }
    QLabel* newDxcc() const { return m_newDxcc; }

    // Looks the shown callsign and square up again on the band now selected.
    void bandChanged();

private:
    void showCallsign(const QString& callsign, const QString& entity);
    void showLocator(const QString& locator, bool hasDistance, double distanceKm, double headingDeg);
    void lookUpCallsign();
    void lookUpSquare();
    void clearCallsign();
    void clearLocator();

    ContactHistory m_history;
    Services m_services;
    QLabel* m_distanceHeading;
    QLabel* m_workedBefore;
    QLabel* m_newSquare;
    QLabel* m_newDxcc;
    // What the shown aids belong to; empty when nothing is shown.
    QString m_callsign;
    QString m_entity;
    QString m_locator;
};

} // namespace mivra
