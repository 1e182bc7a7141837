#include "HamlibModels.h"

#include <hamlib/rig.h>

#include <QRegularExpression>

#include <algorithm>
#include <mutex>

namespace mivra::rig {

namespace {

RigPort portOf(int type)
{
    switch (type) {
    case RIG_PORT_NONE:
        return RigPort::None;
    case RIG_PORT_SERIAL:
        return RigPort::Serial;
    case RIG_PORT_NETWORK:
    case RIG_PORT_UDP_NETWORK:
        return RigPort::Network;
    default:
        return RigPort::Other;
    }
}

int collect(const rig_caps* caps, rig_ptr_t data)
{
    auto* models = static_cast<std::vector<RigModel>*>(data);
    models->push_back({int(caps->rig_model), QString::fromLatin1(caps->mfg_name).trimmed(),
                       QString::fromLatin1(caps->model_name).trimmed(), portOf(caps->port_type)});
    return 1; // on to the next
}

bool isHostAndPort(const QString& port)
{
    static const QRegularExpression pattern(QStringLiteral("^[^/:]+:\\d+$"));
    return pattern.match(port).hasMatch();
}

} // namespace

QString RigModel::label() const
{
    return QStringLiteral("%1 %2 (%3)").arg(maker, name).arg(number);
}

std::vector<RigModel> hamlibModels()
{
    static std::once_flag loaded;
    static std::vector<RigModel> models;
    std::call_once(loaded, [] {
        rig_set_debug(RIG_DEBUG_NONE);
        rig_load_all_backends();
        rig_list_foreach(collect, &models);
        std::sort(models.begin(), models.end(), [](const RigModel& a, const RigModel& b) {
            const int maker = QString::compare(a.maker, b.maker, Qt::CaseInsensitive);
            if (maker != 0)
                return maker < 0;
            const int name = QString::compare(a.name, b.name, Qt::CaseInsensitive);
            return name != 0 ? name < 0 : a.number < b.number;
        });
    });
    return models;
}

std::optional<RigModel> hamlibModel(int number)
{
    for (const RigModel& model : hamlibModels()) {
        if (model.number == number)
            return model;
    }
    return std::nullopt;
}

QString portMismatch(const RigModel& model, const QString& port)
{
    const QString text = port.trimmed();
    if (text.isEmpty())
        return {};
    if (model.port == RigPort::None)
        return QStringLiteral("%1 uses no port, so \"%2\" would be ignored. A running rigctld is model 2 "
                              "(Hamlib NET rigctl).")
            .arg(model.label(), text);
    if (model.port == RigPort::Network && text.startsWith(u'/'))
        return QStringLiteral("%1 is reached over the network: give host:port (localhost:4532), not the "
                              "device \"%2\".")
            .arg(model.label(), text);
    if (model.port == RigPort::Serial && isHostAndPort(text))
        return QStringLiteral("%1 is a radio on a serial port (/dev/ttyUSB0): \"%2\" is a network address; for "
                              "a running rigctld choose model 2 (Hamlib NET rigctl).")
            .arg(model.label(), text);
    return {};
}

QString rigSettingsFault(const RigSettings& settings)
{
    const std::optional<RigModel> model = hamlibModel(settings.model);
    if (!model)
        return QStringLiteral("Hamlib knows no radio model %1.").arg(settings.model);
    return portMismatch(*model, settings.port);
}

} // namespace mivra::rig
