#pragma once

#include "StationProfiles.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace mivra {

class Messages;

// The station profiles and the confirmation count, kept in mivra.ini: a profile is chosen from
// the list, edited in the boxes below, and "Save" keeps them all with the chosen one active.
// "(none)" logs with the settings' callsign and locator.
class StationDialog : public QDialog {
    Q_OBJECT

public:
    StationDialog(QString iniPath, Messages& messages, QWidget* parent = nullptr);

private:
    void showProfile(int index);
    // The boxes into the profile shown; false after a message when they cannot be kept.
    bool keepShown();
    void addProfile();
    void removeProfile();
    void save();

    QString m_iniPath;
    Messages& m_messages;
    StationProfiles m_stations;
    int m_shown = -1; // the profile in the boxes, -1 for none
    QComboBox* m_choice = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_callsign = nullptr;
    QLineEdit* m_locator = nullptr;
    QLineEdit* m_operator = nullptr;
    QLineEdit* m_power = nullptr;
    QLineEdit* m_equipment = nullptr;
    QComboBox* m_counting = nullptr;
};

} // namespace mivra
