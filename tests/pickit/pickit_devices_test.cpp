// How `--port` values name a PICkit, and which attached one they reach.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pickit/pickit_devices.h"

namespace vornalt::pickit {
namespace {

TEST(PickitDevices, PortValuesNameTheFirstPickitOrOneBySerial) {
    struct Case {
        std::string_view value;
        std::optional<std::string> serial;
    };
    const Case cases[] = {
        {"pickit2", ""},          {"pickit2:OT1234567", "OT1234567"},
        {"pickit2:", std::nullopt}, {"pickit2x", std::nullopt},
        {"PICKIT2", std::nullopt}, {"1", std::nullopt},
        {"ftdi:A1", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(pickitserial(c.value), c.serial) << c.value;
}

TEST(PickitDevices, TheChosenOneIsTheFirstOrTheSerialAskedFor) {
    const std::vector<HidDeviceInfo> found{{"/dev/a", "", 0x0033, "PICkit 2"},
                                           {"/dev/b", "OT42", 0x900A, "PICkit 3"}};
    EXPECT_EQ(choosepickit(found, "").value().path, "/dev/a");
    EXPECT_EQ(choosepickit(found, "OT42").value().path, "/dev/b");
    const Result<HidDeviceInfo> missing = choosepickit(found, "OT7");
    ASSERT_FALSE(missing.ok());
    // The message lists what is attached, as the user would type it.
    EXPECT_NE(missing.error().message.find("pickit2 pickit2:OT42"), std::string::npos);
    EXPECT_FALSE(choosepickit({}, "").ok());
    EXPECT_EQ(pickitportvalue(found[1]), "pickit2:OT42");
}

}  // namespace
}  // namespace vornalt::pickit
