#pragma once

#include <QObject>

class QSocketNotifier;

namespace mivra {

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered on the event loop, so that the program can
// close its windows in order instead of dying mid-way.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // For work that does not return to the event loop for a while: a signal that came meanwhile
    // is delivered now. True once termination was requested.
    bool deliverPending();
    bool isRequested() const { return m_requested; }

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
    bool m_requested = false;
};

} // namespace mivra
