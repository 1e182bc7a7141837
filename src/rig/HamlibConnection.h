#pragma once

#include "RigReading.h"
#include "RigSettings.h"

#include <memory>
#include <optional>

struct s_rig;

namespace mivra::rig {

// One open Hamlib rig. Not thread-safe: the poller's thread alone uses it.
class HamlibConnection {
public:
    ~HamlibConnection();
    HamlibConnection(const HamlibConnection&) = delete;
    HamlibConnection& operator=(const HamlibConnection&) = delete;

    // Opens the radio; nullptr when Hamlib does not know the model or the radio does not answer.
    static std::unique_ptr<HamlibConnection> open(const RigSettings& settings);

    // Frequency and mode of the current VFO; nullopt when the radio does not answer.
    std::optional<RigReading> read();

private:
    explicit HamlibConnection(s_rig* rig);
    s_rig* m_rig;
};

} // namespace mivra::rig
