#pragma once

#include "RigReading.h"
#include "RigSettings.h"

#include <QObject>

#include <functional>
#include <optional>

class QLabel;
class QWidget;

namespace mivra {

class EntryRow;
class Messages;
struct Band;
namespace rig {
class RigControl;
}

// The radio in the main window: "rig: 144.300.000 USB" beside the band caption, its band
// selected as a click on the band button would, its band and mode put into the contact being
// typed, and its frequency stored with the contact.
class RigLink : public QObject {
    Q_OBJECT
public:
    struct Services {
        Messages& messages;
        QString iniPath;                            // mivra.ini in the data folder
        std::function<void(int button)> selectBand; // as a click on that band button
    };

    RigLink(QWidget* window, EntryRow& entry, Services services);
    ~RigLink() override;

    // Settings for this run only (--rig), used instead of mivra.ini's.
    void useForThisRun(const rig::RigSettings& settings);
    // The "Rig…" dialog; what it sets is kept in mivra.ini and used at once.
    void editSettings(QWidget* parent);

    QLabel* status() const { return m_status; }
    // The radio's frequency in MHz when it answers on this band.
    std::optional<double> frequencyOnBand(const QString& band) const;

private:
    void start();
    void onPolled(const rig::RigReading& reading);
    void onContactStarted();

    EntryRow& m_entry;
    Services m_services;
    rig::RigControl* m_control;
    QLabel* m_status;
    std::optional<rig::RigSettings> m_forThisRun;
    rig::RigReading m_reading;
    const Band* m_band = nullptr; // the band of the last answer
    QString m_mode;               // the log's mode of the last answer
};

} // namespace mivra
