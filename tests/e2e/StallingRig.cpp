// A radio that stops in the middle of a reply, for the driven scripts:
//   mivra_stalling_rig UPSTREAM_PORT FLAG_FILE
// listens on a free port of 127.0.0.1 (printed on standard output) and passes each connection on to
// the rigctld on UPSTREAM_PORT. Once FLAG_FILE exists, the next request that holds the text of its
// first line (any request when it is empty; "dump_state" stops inside the long reply of an opening)
// gets only the first half of rigctld's reply; then that connection stays open, taking what it is
// sent, until the client closes it: silent, or with a second line "trickle", sending a space every
// half second as a line stuck busy. Ends on SIGTERM.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace {

int connectTo(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const char* bytes, ssize_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(fd, bytes, std::size_t(size), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= sent;
    }
    return true;
}

enum class Stop { No, Silent, Trickle };

// How the reply to this request stops: the flag file exists and the request holds its text.
Stop stopAt(const std::string& flag, const char* request, ssize_t size)
{
    std::ifstream file(flag);
    if (!file)
        return Stop::No;
    std::string text;
    std::string how;
    std::getline(file, text);
    std::getline(file, how);
    if (std::string(request, std::size_t(size)).find(text) == std::string::npos)
        return Stop::No;
    return how == "trickle" ? Stop::Trickle : Stop::Silent;
}

// Takes what the client sends until it closes the connection, sending a space every half second
// when it trickles.
void hold(int client, Stop how)
{
    char bytes[4096];
    pollfd in{client, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&in, 1, 500);
        if (ready < 0 || (ready > 0 && ::recv(client, bytes, sizeof bytes, 0) <= 0))
            return;
        if (ready == 0 && how == Stop::Trickle && !sendAll(client, " ", 1))
            return;
    }
}

void relay(int client, int upstreamPort, std::string flag)
{
    const int upstream = connectTo(upstreamPort);
    if (upstream < 0) {
        ::close(client);
        return;
    }
    pollfd both[2] = {{client, POLLIN, 0}, {upstream, POLLIN, 0}};
    char bytes[65536];
    Stop stalled = Stop::No;
    while (stalled == Stop::No && ::poll(both, 2, -1) > 0) {
        if (both[0].revents) {
            const ssize_t got = ::recv(client, bytes, sizeof bytes, 0);
            if (got <= 0 || !sendAll(upstream, bytes, got))
                break;
            stalled = stopAt(flag, bytes, got);
            if (stalled != Stop::No) {
                // The whole reply, then only its first half to the client.
                ::usleep(200 * 1000);
                const ssize_t reply = ::recv(upstream, bytes, sizeof bytes, MSG_DONTWAIT);
                if (reply > 0)
                    sendAll(client, bytes, std::max<ssize_t>(1, reply / 2));
            }
        }
        if (stalled == Stop::No && both[1].revents) {
            const ssize_t got = ::recv(upstream, bytes, sizeof bytes, 0);
            if (got <= 0 || !sendAll(client, bytes, got))
                break;
        }
    }
    ::close(upstream);
    if (stalled != Stop::No)
        hold(client, stalled);
    ::close(client);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s UPSTREAM_PORT FLAG_FILE\n", argv[0]);
        return 2;
    }
    const int upstreamPort = std::atoi(argv[1]);
    const std::string flag = argv[2];
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener, 8) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("mivra_stalling_rig");
        return 1;
    }
    std::printf("%d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    for (;;) {
        const int client = ::accept(listener, nullptr, nullptr);
        if (client >= 0)
            std::thread(relay, client, upstreamPort, flag).detach();
    }
}
