#include "app/load_sequence.h"

#include <gtest/gtest.h>

#include "app/load_rig.h"
#include "app/port_selection.h"

namespace vornalt {
namespace {

using vornalt::testing::LoadRig;

TEST(LoadSequence, FirstStartCreatesEverySettingAndReachesReady) {
    LoadRig rig;
    rig.load();

    const std::map<std::string, std::string, std::less<>> expected{
        {"Last Path", "/opt/vornalt/"},  {"Microcontroller Model", "1"}, {"Parallel Port Address", "888"},
        {"Invert VDD", "0"},             {"Invert VPP", "0"},            {"Invert CLOCK", "1"},
        {"Invert DATAOUT", "1"},         {"Invert DATAIN", "1"},         {"VDD Pin Num", "4"},
        {"VPP Pin Num", "5"},            {"CLOCK Pin Num", "3"},         {"DATAOUT Pin Num", "2"},
        {"DATAIN Pin Num", "10"},        {"Clock Delay", "0"},
    };
    EXPECT_EQ(rig.backend.values(), expected);

    EXPECT_EQ(rig.app.lastpath, "/opt/vornalt/");
    EXPECT_EQ(rig.app.selectedmodel, 1);
    EXPECT_EQ(rig.model.modelname, "16F84A");
    EXPECT_EQ(rig.image.flashbuffer, std::vector<std::int32_t>(1024, 0x3FFF));
    EXPECT_EQ(rig.window.status, "Parallel port 1 ready");
    const std::vector<std::string> calls{"disable",  "events", "updatedisplay", "status:",
                                        "enable",   "events", "status:Parallel port 1 ready"};
    EXPECT_EQ(rig.window.calls, calls);
    EXPECT_TRUE(rig.window.messages.empty());
}

TEST(LoadSequence, DefaultWiringLeavesEveryLineIdle) {
    LoadRig rig;
    rig.state.databyte = 0xFF;  // whatever was there before must not leak onto the port
    rig.state.controlbyte = 0x0F;
    rig.load();

    // VDD (pin 4) and VPP (pin 5) off: bits 2 and 3 clear; CLOCK (pin 3) and DATA OUT (pin 2),
    // both inverted, off: bits 1 and 0 set. No control bit is raised.
    EXPECT_EQ(rig.state.databyte, 0x03);
    EXPECT_EQ(rig.state.controlbyte, 0x00);
    EXPECT_EQ(rig.opened, std::vector<std::int32_t>{888});
    const auto& writes = rig.testport().writes;
    ASSERT_EQ(writes.size(), 12U) << "six line operations, each writing data and control";
    // After vddoff, vppoff, clockoff, dataoutoff, then vddoff and vppoff once more.
    const std::uint8_t data[] = {0x00, 0x00, 0x02, 0x03, 0x03, 0x03};
    for (std::size_t i = 0; i < std::size(data); ++i) {
        EXPECT_EQ(writes[2 * i].address, 888);
        EXPECT_EQ(writes[2 * i].value, data[i]) << i;
        EXPECT_EQ(writes[2 * i + 1].address, 890);
        EXPECT_EQ(writes[2 * i + 1].value, 0x00);
    }
}

TEST(LoadSequence, StoredModelNumber) {
    struct Case {
        const char* stored;
        std::int32_t selected;
        const char* afterwards;  // the setting once the sequence has run
    };
    const Case cases[] = {
        {"2", 2, "2"}, {"4", 4, "4"},     {"2.5", 2, "2.5"}, {"3.5", 4, "3.5"}, {"2x", 2, "2x"},
        {"0", 1, "1"}, {"abc", 1, "1"},   {"5", 1, "1"},     {"-1", 1, "1"},    {"", 1, "1"},
        {"4.5", 4, "4.5"}, {"99999999999", 1, "1"},
    };
    for (const Case& c : cases) {
        LoadRig rig;
        rig.catalogue = vornalt::testing::catalogueofmodels({{"m1", "8", "0", "3FFF,3FFF", "1"},
                                                             {"m2", "16", "0", "3FFF,3FFF", "2"},
                                                             {"m3", "24", "0", "3FFF,3FFF", "3"},
                                                             {"m4", "32", "0", "3FFF,3FFF", "4"}});
        rig.backend.set("Microcontroller Model", c.stored);
        rig.load();
        EXPECT_EQ(rig.app.selectedmodel, c.selected) << '"' << c.stored << '"';
        EXPECT_EQ(rig.model.modelname, "M" + std::to_string(c.selected)) << '"' << c.stored << '"';
        EXPECT_EQ(rig.image.flashsize, 8 * c.selected) << '"' << c.stored << '"';
        EXPECT_EQ(rig.stored("Microcontroller Model"), c.afterwards) << '"' << c.stored << '"';
    }
}

TEST(LoadSequence, StoredModelTheImageCannotHoldFallsBackToModelOne) {
    LoadRig rig;
    rig.catalogue = vornalt::testing::catalogueofmodels(
        {{"good", "64", "0", "3FFF,3FFF", "1"}, {"huge", "99999", "0", "3FFF,3FFF", "1"}});
    rig.backend.set("Microcontroller Model", "2");
    rig.load();
    ASSERT_EQ(rig.window.messages.size(), 1U);
    EXPECT_NE(rig.window.messages[0].find("devices.cfg"), std::string::npos) << rig.window.messages[0];
    EXPECT_EQ(rig.app.selectedmodel, 1);
    EXPECT_EQ(rig.model.modelname, "GOOD");
    EXPECT_EQ(rig.image.flashbuffer.size(), 64U);
    EXPECT_EQ(rig.stored("Microcontroller Model"), "1");
}

TEST(LoadSequence, PortAddressDecidesWhatIsOpenedAndShown) {
    struct Case {
        const char* stored;
        std::int32_t address;
        bool reachable;
        const char* status;
    };
    const Case cases[] = {
        {"888", 888, true, "Parallel port 1 ready"},
        {"632", 632, true, "Parallel port 2 ready"},
        {"956", 956, true, "Parallel port 3 ready"},
        {"632.5", 632, true, "Parallel port 2 ready"},
        {"1000", 1000, true, ""},
        {"632", 632, false, "Parallel port 2 not available"},
        {"1000", 1000, false, "Parallel port 0x3E8 not available"},
    };
    for (const Case& c : cases) {
        LoadRig rig;
        rig.backend.set("Parallel Port Address", c.stored);
        if (!c.reachable) rig.unavailable.push_back(c.address);
        rig.load();
        EXPECT_EQ(rig.state.portaddress, c.address) << c.stored;
        EXPECT_EQ(rig.opened, std::vector<std::int32_t>{c.address}) << c.stored;
        EXPECT_EQ(rig.window.status, c.status) << c.stored;
        EXPECT_EQ(rig.stored("Parallel Port Address"), c.stored);
        if (c.reachable) {
            ASSERT_FALSE(rig.testport().writes.empty());
            EXPECT_EQ(rig.testport().writes.front().address, c.address) << c.stored;
        }
    }
}

TEST(LoadSequence, UnavailablePortStopsTheFirstChipOperation) {
    LoadRig rig;
    rig.unavailable.push_back(888);
    rig.load();
    EXPECT_TRUE(rig.window.messages.empty()) << "start-up itself only reports on the status line";
    EXPECT_FALSE(portready(rig.window, rig.driver));
    ASSERT_EQ(rig.window.messages.size(), 1U);
    EXPECT_EQ(rig.window.messages[0],
              "Parallel port 1 not available.\r\n\r\nNo parallel port at this address. Check the port.");
}

TEST(LoadSequence, WiringSettingsAreReadAsNumbers) {
    LoadRig rig;
    const std::pair<const char*, const char*> stored[] = {
        {"Invert VDD", "2"},      {"Invert VPP", "abc"},    {"Invert CLOCK", "0"},      {"Invert DATAOUT", "0.5"},
        {"Invert DATAIN", "-1"},  {"VDD Pin Num", "17"},    {"VPP Pin Num", "14.5"},    {"CLOCK Pin Num", " 6"},
        {"DATAOUT Pin Num", "7x"}, {"DATAIN Pin Num", "11"}, {"Clock Delay", "5000"},    {"Last Path", ""},
    };
    for (const auto& [name, text] : stored) rig.backend.set(name, text);
    rig.load();
    const DriverState& d = rig.state;
    EXPECT_EQ(d.inversion(Line::vdd), 2);
    EXPECT_EQ(d.inversion(Line::vpp), 0);
    EXPECT_EQ(d.inversion(Line::clock), 0);
    EXPECT_EQ(d.inversion(Line::dataout), 0);
    EXPECT_EQ(d.inversion(Line::datain), -1);
    EXPECT_EQ(d.pin(Line::vdd), 17);
    EXPECT_EQ(d.pin(Line::vpp), 14);
    EXPECT_EQ(d.pin(Line::clock), 6);
    EXPECT_EQ(d.pin(Line::dataout), 7);
    EXPECT_EQ(d.pin(Line::datain), 11);
    EXPECT_EQ(d.clockdelay_us, 1000);
    EXPECT_EQ(rig.app.lastpath, "") << "an empty stored path is a value, not a missing one";
    for (const auto& [name, text] : stored) EXPECT_EQ(rig.stored(name), text) << "read, never rewritten: " << name;
    // VDD on pin 17 (inverted by the user and by the connector): off leaves control bit 3 clear.
    // VPP on pin 14 (connector-inverted): off drives it low, setting control bit 1.
    // CLOCK on pin 6, DATA OUT on pin 7, not inverted: off clears data bits 4 and 5.
    EXPECT_EQ(d.controlbyte, 0x02);
    EXPECT_EQ(d.databyte, 0x00);
}

}  // namespace
}  // namespace vornalt
