#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mivra {

namespace {

int g_signalSockets[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const auto written = ::write(g_signalSockets[0], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalSockets) != 0) {
        qWarning("cannot watch for termination signals");
        return;
    }
    m_notifier = new QSocketNotifier(g_signalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);

    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr); // the terminal it was started from was closed
}

TerminationSignals::~TerminationSignals()
{
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGHUP, SIG_DFL);
    ::close(g_signalSockets[0]);
    ::close(g_signalSockets[1]);
    g_signalSockets[0] = g_signalSockets[1] = -1;
}

void TerminationSignals::readSignal()
{
    char byte = 0;
    if (::read(g_signalSockets[1], &byte, 1) == 1) {
        m_requested = true;
        emit terminationRequested(byte);
    }
}

bool TerminationSignals::deliverPending()
{
    if (!m_requested && g_signalSockets[1] >= 0) {
        pollfd waiting{g_signalSockets[1], POLLIN, 0};
        if (::poll(&waiting, 1, 0) == 1 && (waiting.revents & POLLIN))
            readSignal();
    }
    return m_requested;
}

} // namespace mivra
