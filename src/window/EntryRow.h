#pragma once

#include "StationProfiles.h"

#include "ContactGeometry.h"
#include "ContactHistory.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace mivra {

class Clock;
class LogDatabase;
class Messages;
struct ContactRefusal;

// The entry row of the main window: twelve fields, New and Save, the entity label `cou`, the Enter path
// and the checks made when the callsign, the locator and the own locator are left. It owns the
// distance and heading reckoned for the contact being typed. Other parts of the window read and
// fill the contact through the typed accessors and signals below, never through its controls.
class EntryRow : public QObject {
    Q_OBJECT
public:
    struct Services {
        LogDatabase& log;
        Messages& messages;
        const Clock& clock;
        std::function<QString()> bandPattern;
        // The active station profile, if any: its locator and callsign go with each saved contact.
        std::function<std::optional<StationProfile>()> station;
    };

    // Creates the fields, captions and buttons on the window at their twip positions.
    EntryRow(QWidget* window, QLineEdit* ownLocator, Services services);

    // The locator the contact is made from: the active station profile's, else the own locator box.
    QString stationLocator() const;

    // The contact being typed.
    QString callsign() const;
    QString band() const;
    QString mode() const;
    // New filled the row and it has not been saved or cleared since: its date is set.
    bool contactBeingTyped() const;
    void setBand(const QString& band);
    void setMode(const QString& mode);
    void setReportSent(const QString& report);

    QLabel* entityLabel() const { return m_entity; }
    QPushButton* newButton() const { return m_addnew; }
    QPushButton* saveButton() const { return m_save; }

    void addNew();
    // Checks the contact and stores it; a refused field gets its message and the focus.
    void save();
    // Esc: empties the contact being typed; the focus goes to New.
    void clearContact();
    // Tells whether the contact being typed belongs to a running contest: Enter in Rr then saves it.
    void setContestContact(std::function<bool()> inContest) { m_contestContact = std::move(inContest); }
    // Gives Save the exact frequency (MHz) of a contact on a band, when there is one.
    void setFrequencySource(std::function<std::optional<double>(const QString& band)> source)
    {
        m_frequencySource = std::move(source);
    }

signals:
    // A contact was stored; the log view should reload.
    void saved();
    // New filled the defaults of a new contact.
    void contactStarted();
    // The callsign passed its check and has this entity.
    void callsignChecked(const QString& callsign, const QString& entity);
    // The locator passed its check; with hasDistance, the distance and heading from the own locator.
    void locatorChecked(const QString& locator, bool hasDistance, double distanceKm, double headingDeg);
    // The callsign or the locator was changed by typing or by the program.
    void callsignEdited();
    void locatorEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onFocusChanged(QWidget* old, QWidget* now);
    // now: the control the focus went to.
    void leaveCallsign(QWidget* now);
    // Fills Gr with the station's latest locator, selected, and shows its aids; false when there is none.
    bool prefillLocator();
    // now: the control the focus went to.
    void leaveLocator(QWidget* now);
    void leaveOwnLocator();
    // Looks the callsign up and shows its entity; on a refusal empties Ca and sends the focus there.
    bool findDxcc();
    bool locatorAccepted();
    void refuseLocator();
    void computeGeometry();
    // Moves the focus after the current event, unless New has moved it meanwhile; select: the
    // field's text is selected, so that typing replaces it.
    void focusLater(QLineEdit* target, bool select = false);
    void moveFocus(QLineEdit* target, int generation, bool select);
    void refuseField(const ContactRefusal& refusal);
    // The twelve entry fields, left to right.
    std::array<QLineEdit*, 12> fields() const;

    QWidget* m_window;
    QLineEdit* m_ownLocator;
    Services m_services;
    ContactHistory m_history;

    QLineEdit *m_date, *m_time, *m_callsign, *m_locator, *m_reportSent, *m_reportReceived, *m_band, *m_mode, *m_name,
        *m_comment, *m_qslState, *m_propagation;
    QLabel* m_entity;
    QPushButton* m_addnew;
    QPushButton* m_save;
    // The callsign whose entity `cou` shows.
    QString m_checkedCallsign;
    geo::ContactGeometry m_geometry;
    // The two locators the last distance and heading belong to; a contact with others stores none.
    QString m_geometryLocator;
    QString m_geometryOwnLocator;
    // A check refused a field and its focus move has not run yet: the click that left the field stores nothing.
    bool m_refused = false;
    // Raised by New, which sets the focus itself; focus moves queued before it are dropped.
    int m_focusGeneration = 0;
    // The locator the row filled in from the log, while it stands untouched: a corrected callsign replaces it.
    QString m_prefilledLocator;
    std::function<std::optional<double>(const QString& band)> m_frequencySource;
    std::function<bool()> m_contestContact;
};

} // namespace mivra
