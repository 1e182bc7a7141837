#include "HamlibModels.h"

#include <gtest/gtest.h>

namespace mivra::rig {
namespace {

TEST(HamlibModels, ListedByMakerThenModelWithTheNetworkAndDummyRadios)
{
    const std::vector<RigModel> models = hamlibModels();
    ASSERT_GT(models.size(), 100u);
    for (std::size_t i = 1; i < models.size(); ++i)
        ASSERT_LE(QString::compare(models[i - 1].maker, models[i].maker, Qt::CaseInsensitive), 0)
            << models[i].label().toStdString();
    const std::optional<RigModel> dummy = hamlibModel(1);
    const std::optional<RigModel> network = hamlibModel(2);
    ASSERT_TRUE(dummy && network);
    EXPECT_EQ(dummy->port, RigPort::None);
    EXPECT_EQ(network->port, RigPort::Network);
    EXPECT_TRUE(network->label().endsWith(QLatin1String("(2)"))) << network->label().toStdString();
    EXPECT_FALSE(hamlibModel(987654));
}

TEST(HamlibModels, APortTheRadioCannotUseIsTold)
{
    const RigModel dummy{1, QStringLiteral("Hamlib"), QStringLiteral("Dummy"), RigPort::None};
    const RigModel network{2, QStringLiteral("Hamlib"), QStringLiteral("NET rigctl"), RigPort::Network};
    const RigModel serial{3081, QStringLiteral("Icom"), QStringLiteral("IC-9700"), RigPort::Serial};
    struct Case {
        const RigModel& model;
        const char* port;
        const char* told; // a part of the message; empty: the port is fine
    };
    const Case cases[] = {
        {dummy, "localhost:4533", "model 2"},
        {dummy, "/dev/ttyUSB0", "uses no port"},
        {dummy, "  ", ""},
        {network, "localhost:4533", ""},
        {network, "/dev/ttyUSB0", "host:port"},
        {serial, "/dev/ttyUSB0", ""},
        {serial, "localhost:4532", "model 2"},
        {serial, "COM3", ""},
    };
    for (const Case& c : cases) {
        const QString told = portMismatch(c.model, QLatin1String(c.port));
        if (*c.told == 0)
            EXPECT_TRUE(told.isEmpty()) << c.port << ": " << told.toStdString();
        else
            EXPECT_TRUE(told.contains(QLatin1String(c.told))) << c.port << ": " << told.toStdString();
    }
    RigSettings settings;
    settings.model = 1;
    settings.port = QStringLiteral("localhost:4533");
    EXPECT_TRUE(rigSettingsFault(settings).contains(QLatin1String("would be ignored")));
    settings.model = 2;
    EXPECT_TRUE(rigSettingsFault(settings).isEmpty());
    settings.model = 987654;
    EXPECT_TRUE(rigSettingsFault(settings).contains(QLatin1String("987654")));
}

} // namespace
} // namespace mivra::rig
