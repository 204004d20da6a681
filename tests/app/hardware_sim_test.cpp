// The hardware dialogs' logic against the simulated programmer board: what the user switches by
// hand reaches the board, and a wrong pin or inversion set in Hardware Settings makes a real
// operation fail the way it would on the bench.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/check_hardware.h"
#include "app/chip_operations.h"
#include "app/hardware_settings.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"
#include "support/session_rig.h"

namespace vornalt {
namespace {

using HardwareSimRig = testing::SessionRig;

const DeviceCatalogue& e2ecatalogue() { return testing::cataloguefile(VORNALT_E2E_CATALOGUE); }

TEST(HardwareOnSimulatedBoard, DataInFollowsDataOutThroughTheBoardWithPowerOff) {
    HardwareSimRig rig(e2ecatalogue(), "16F84A");
    CheckHardware check(rig.driver);
    check.open();
    for (const bool on : {true, false, true}) {
        check.setline(Line::dataout, on);
        check.readdatain();
        EXPECT_EQ(check.ticked(Line::datain), on);
        EXPECT_EQ(rig.board().lines().data, on);
    }
    EXPECT_FALSE(rig.board().lines().vdd);
    EXPECT_FALSE(rig.board().lines().vpp);

    // The other outputs reach the board's lines too.
    check.setline(Line::clock, true);
    EXPECT_TRUE(rig.board().lines().clock);
    check.setline(Line::vdd, true);
    EXPECT_TRUE(rig.board().lines().vdd);
    check.close();
    EXPECT_FALSE(rig.board().lines().vdd);
    EXPECT_FALSE(rig.board().lines().clock);
}

// A programmed chip verifies with the settings that fit the board; each wrong setting made in the
// Hardware Settings logic makes Verify fail with one message, and undoing it makes it pass again.
TEST(HardwareOnSimulatedBoard, WrongPinOrInversionFailsVerifyAsOnTheBench) {
    struct Change {
        const char* name;
        std::function<void(HardwareSettings&, FakeWindow&)> wrong, right;
    };
    const auto pin = [](Line line, const char* answer) {
        return [line, answer](HardwareSettings& s, FakeWindow& w) {
            w.inputanswers = {answer};
            EXPECT_TRUE(s.changepin(line));
        };
    };
    const auto invert = [](Line line, bool ticked) {
        return [line, ticked](HardwareSettings& s, FakeWindow&) { s.setinverted(line, ticked); };
    };
    const std::vector<Change> changes{
        {"CLOCK on pin 6", pin(Line::clock, "6"), pin(Line::clock, "3")},
        {"DATA OUT on pin 7", pin(Line::dataout, "7"), pin(Line::dataout, "2")},
        {"DATA IN on pin 12", pin(Line::datain, "12"), pin(Line::datain, "10")},
        {"VPP on pin 16", pin(Line::vpp, "16"), pin(Line::vpp, "5")},
        {"DATA IN not inverted", invert(Line::datain, false), invert(Line::datain, true)},
        {"CLOCK not inverted", invert(Line::clock, false), invert(Line::clock, true)},
        {"VDD inverted", invert(Line::vdd, true), invert(Line::vdd, false)},
    };

    HardwareSimRig rig(e2ecatalogue(), "16F84A");
    ASSERT_NE(rig.board().chip(), nullptr);
    ASSERT_EQ(rig.run(ChipOperation::eraseall), RunOutcome::succeeded);
    rig.image.flashbuffer[0] = 0x2805;
    rig.image.flashbuffer[1] = 0x1234;
    rig.image.eeprombuffer[0] = 0x5A;
    ASSERT_EQ(rig.run(ChipOperation::programall), RunOutcome::succeeded);
    ASSERT_EQ(rig.run(ChipOperation::verify), RunOutcome::succeeded);

    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        HardwareSettings settings(rig.driver, rig.settings, rig.window);
        settings.open();
        change.wrong(settings, rig.window);
        settings.close();
        EXPECT_EQ(rig.run(ChipOperation::verify), RunOutcome::failed);
        EXPECT_EQ(rig.window.status, "Chip verify failed");
        EXPECT_EQ(rig.window.messages.size(), 1u);

        HardwareSettings again(rig.driver, rig.settings, rig.window);
        again.open();
        change.right(again, rig.window);
        again.close();
        EXPECT_EQ(rig.run(ChipOperation::verify), RunOutcome::succeeded);
    }
    // The chip itself was never changed by the failed runs.
    EXPECT_EQ(rig.board().chip()->memory().program[0], 0x2805);
    EXPECT_EQ(rig.board().chip()->memory().eeprom[0], 0x5A);
}

}  // namespace
}  // namespace vornalt
