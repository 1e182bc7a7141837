#pragma once

#include "RigSettings.h"

#include <QString>

#include <optional>
#include <vector>

namespace mivra::rig {

// How a radio model is reached.
enum class RigPort { None, Serial, Network, Other };

// One radio Hamlib can drive.
struct RigModel {
    int number = 0;
    QString maker;
    QString name;
    RigPort port = RigPort::Other;

    // "Icom IC-9700 (3081)"
    QString label() const;
};

// Every radio this Hamlib knows, by maker and model.
std::vector<RigModel> hamlibModels();
// The radio with this model number; none when Hamlib does not know it.
std::optional<RigModel> hamlibModel(int number);

// Why a port cannot serve this radio, as a person would say it; empty when it can. A model
// without a port (the dummy) refuses any port, a network model refuses a serial device and a
// serial model refuses a host:port.
QString portMismatch(const RigModel& model, const QString& port);
// The same for settings; also tells a model number Hamlib does not know.
QString rigSettingsFault(const RigSettings& settings);

} // namespace mivra::rig
