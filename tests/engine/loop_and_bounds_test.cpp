// Scripts that end under the rules of the language must run to their end: a bound lowered in
// the middle of a loop pass, the one EEPROM element of a model without EEPROM, an empty script.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_rig.h"

namespace vornalt {
namespace {

TEST(EngineLoopGuard, StopsOnlyLoopsThatCouldNeverEnd) {
    struct Case {
        const char* name;
        Script script;
        bool stopped;
    };
    const Case cases[] = {
        // calcflash on a blank image lowers the bound to -1: the header ends the loop next time.
        {"bound lowered in the pass", {"begin", "setflashloop", "calcflash", "loop", "end"}, false},
        {"eeprom bound lowered", {"begin", "seteepromloop", "calceeprom", "loop", "end"}, false},
        // Nothing moves and the bound still admits the address: for ever.
        {"empty pass", {"begin", "setflashloop", "loop", "end"}, true},
        {"pass of a command only", {"begin", "seteepromloop", "s06", "loop", "end"}, true},
        // calceeprom cannot lower the FLASH loop's bound.
        {"other region's bound", {"begin", "setflashloop", "calceeprom", "loop", "end"}, true},
    };
    for (const Case& c : cases) {
        EngineRig rig;
        rig.run(c.script);
        EXPECT_EQ(rig.state.runstopped, c.stopped) << c.name;
        EXPECT_EQ(rig.state.failureflag, c.stopped) << c.name;
        EXPECT_EQ(rig.window.messages.size(), c.stopped ? 1u : 0u) << c.name;
        EXPECT_TRUE(rig.alllinesoff()) << c.name;
    }
}

TEST(EngineEepromBounds, AModelWithoutEepromKeepsItsOneAddressableElement) {
    EngineRig rig(16, 0);
    rig.wire.answer = [](std::int32_t) { return 0x3FFF; };
    rig.run({"begin", "temp=s05", "checkblankeeprom", "end"});
    EXPECT_FALSE(rig.state.runstopped);
    EXPECT_FALSE(rig.state.failureflag);
    EXPECT_EQ(rig.image.eeprombuffer.size(), 1u);
    EXPECT_TRUE(eeprombytes(rig.image).empty()) << "nothing shows the spare element";
    // The address after it is outside the buffer, as for any model.
    rig.run({"begin", "temp=s05", "checkblankeeprom", "checkblankeeprom", "end"});
    EXPECT_TRUE(rig.state.runstopped);
}

// Two words in a block of three, then six bytes: no report passes its loop's end, and the share
// of the whole run grows with every location of either loop (a recovery section is no part of it).
TEST(EngineProgress, ReportsNeverPassTheirLoopAndTheRunsShareOnlyGrows) {
    EngineRig rig;
    flashwords(rig.image)[1] = 0x2805;
    eeprombytes(rig.image)[5] = 0x55;
    rig.run({"calcflash", "setflashloop", "s02-flash", "s06", "s02-flash", "s06", "s02-flash", "s06", "loop",
             "calceeprom", "seteepromloop", "s03-eeprom", "s06", "loop", "onfail", "setflashloop", "s02-flash",
             "s06", "loop"});
    EXPECT_EQ(rig.statuses()[2], "F:2/2");
    EXPECT_EQ(rig.window.shares, (std::vector<double>{0.125, 0.25, 0.25, 0.375, 0.5, 0.625, 0.75, 0.875, 1.0}));
}

TEST(EngineEmptyScript, RunsAsOneEmptyLineThatIsRefused) {
    EngineRig rig;
    rig.run({});
    EXPECT_EQ(rig.state.lastline, 1);
    EXPECT_TRUE(rig.state.runstopped);
    ASSERT_EQ(rig.window.messages.size(), 1u);
    EXPECT_NE(rig.window.messages[0].find("''"), std::string::npos) << rig.window.messages[0];
    EXPECT_TRUE(rig.wire.transfers().empty());
}

}  // namespace
}  // namespace vornalt
