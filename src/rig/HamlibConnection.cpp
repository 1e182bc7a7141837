#include "HamlibConnection.h"

#include <hamlib/rig.h>

#include <memory>

namespace mivra::rig {

namespace {

// Short waits and no retries: a radio that has gone is noticed within a poll or two, and the
// program never waits long for its worker at the end.
void setConf(RIG* rig, const char* name, const QByteArray& value)
{
    const token_t token = rig_token_lookup(rig, name);
    if (token != RIG_CONF_END)
        rig_set_conf(rig, token, value.constData());
}

} // namespace

HamlibConnection::HamlibConnection(s_rig* rig)
    : m_rig(rig)
{
}

HamlibConnection::~HamlibConnection()
{
    rig_close(m_rig);
    rig_cleanup(m_rig);
}

std::unique_ptr<HamlibConnection> HamlibConnection::open(const RigSettings& settings)
{
    rig_set_debug(RIG_DEBUG_NONE);
    RIG* rig = rig_init(rig_model_t(settings.model));
    if (!rig)
        return nullptr;
    setConf(rig, "rig_pathname", settings.port.toLocal8Bit());
    if (settings.speed > 0)
        setConf(rig, "serial_speed", QByteArray::number(settings.speed));
    setConf(rig, "timeout", "800");
    setConf(rig, "retry", "0");
    if (rig_open(rig) != RIG_OK) {
        rig_cleanup(rig);
        return nullptr;
    }
    return std::unique_ptr<HamlibConnection>(new HamlibConnection(rig));
}

std::optional<RigReading> HamlibConnection::read()
{
    freq_t frequency = 0;
    if (rig_get_freq(m_rig, RIG_VFO_CURR, &frequency) != RIG_OK)
        return std::nullopt;
    rmode_t mode = RIG_MODE_NONE;
    pbwidth_t width = 0;
    if (rig_get_mode(m_rig, RIG_VFO_CURR, &mode, &width) != RIG_OK)
        return std::nullopt;
    RigReading reading;
    reading.answering = true;
    reading.frequencyHz = double(frequency);
    reading.mode = mode == RIG_MODE_NONE ? QString() : QString::fromLatin1(rig_strrmode(mode));
    return reading;
}

} // namespace mivra::rig
