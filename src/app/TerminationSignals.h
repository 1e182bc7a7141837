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

signals:
    void terminationRequested(int signalNumber);

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace mivra
