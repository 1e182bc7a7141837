#include "ShareListener.h"

#include <thread>

namespace mivra::share {

ShareListener::Heard ShareListener::wait(int ms)
{
    if (!m_server.isOpen()) {
        if (!m_server.open(m_url, nullptr) || !m_server.run(u"LISTEN mivra_share"_qs, {}, nullptr)) {
            m_server.close();
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            return Heard::Away;
        }
        return Heard::Reconnected;
    }
    const std::optional<int> heard = m_server.waitForNotifications(ms);
    if (!heard) {
        m_server.close();
        return Heard::Away;
    }
    return *heard > 0 ? Heard::Change : Heard::Nothing;
}

} // namespace mivra::share
