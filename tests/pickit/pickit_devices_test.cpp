// Which attached PICkit a serial number reaches, and what the user is told when none or several.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pickit/pickit_devices.h"

namespace vornalt::pickit {
namespace {

TEST(PickitDevices, TheOnlyOneOrTheSerialAskedForAndNeverAGuess) {
    const std::vector<HidDeviceInfo> one{{"/dev/a", "OT1", 0x0033, "PICkit 2"}};
    const std::vector<HidDeviceInfo> two{{"/dev/a", "", 0x0033, "PICkit 2"}, {"/dev/b", "OT42", 0x900A, "PICkit 3"}};
    EXPECT_EQ(choosepickit(one, "").value().path, "/dev/a");
    EXPECT_EQ(choosepickit(two, "OT42").value().path, "/dev/b");
    const Result<HidDeviceInfo> several = choosepickit(two, "");
    ASSERT_FALSE(several.ok());
    EXPECT_NE(several.error().message.find("OT42"), std::string::npos);
    const Result<HidDeviceInfo> missing = choosepickit(two, "OT7");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().message.find("OT42"), std::string::npos);
    EXPECT_FALSE(choosepickit({}, "").ok());
}

}  // namespace
}  // namespace vornalt::pickit
