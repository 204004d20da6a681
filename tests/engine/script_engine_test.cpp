#include "engine/script_engine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <functional>
#include <string>
#include <vector>

#include "engine_rig.h"

namespace vornalt {
namespace {

using Events = std::vector<WireEvent>;

// ---- One line at a time: what each form sends and how it moves the counters ----------------

struct RowCase {
    std::string name;
    Script script;
    Events transfers;             // what crossed the wire, in order
    std::int32_t addresscounter;  // after the run
    std::function<void(EngineRig&)> setup = [](EngineRig&) {};
    std::function<void(const EngineRig&)> verify = [](const EngineRig&) {};
};

class EngineRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(EngineRows, SendsAndMovesAsTheFormSays) {
    const RowCase& c = GetParam();
    EngineRig rig;
    rig.wire.answer = [](std::int32_t code) { return code == 0x04 ? 0x2805 : 0x3F41; };
    c.setup(rig);
    rig.run(c.script);

    EXPECT_EQ(rig.wire.transfers(), c.transfers);
    EXPECT_EQ(rig.state.addresscounter, c.addresscounter);
    EXPECT_EQ(rig.state.linecounter, rig.state.lastline + 1);
    EXPECT_FALSE(rig.state.runstopped);
    EXPECT_TRUE(rig.window.messages.empty());
    c.verify(rig);
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, EngineRows,
    ::testing::Values(
        RowCase{"CommandAlone", {"s06"}, {command(0x06)}, 0},
        RowCase{"CommandCaseDoesNotMatter", {"s1f", "s1F"}, {command(0x1F), command(0x1F)}, 0},
        RowCase{"CommandAbove63SendsNothing", {"s40"}, {}, 0},
        RowCase{"InvalidCommandSendsNothing", {"s0g"}, {}, 0},
        RowCase{"LiteralWord", {"s02-3fff"}, {load(0x02, 0x3FFF)}, 0},
        RowCase{"InvalidLiteralSendsNeitherPart", {"s02-3ffg"}, {}, 0},
        RowCase{"FlashWordsAtTheAddressCounter",
                {"s02-flash", "s06", "s02-flash"},
                {load(0x02, 0x1234), command(0x06), load(0x02, 0x0ABC)},
                2,
                [](EngineRig& r) {
                    r.image.flashbuffer[0] = 0x1234;
                    r.image.flashbuffer[1] = 0x0ABC;
                }},
        RowCase{"EepromByteAsAWordWithZeroHighBits", {"s03-eeprom"}, {load(0x03, 0x007F)}, 1,
                [](EngineRig& r) { r.image.eeprombuffer[0] = 0x7F; }},
        RowCase{"InvalidCodeStillStepsTheAddress", {"sxx-flash"}, {}, 1},
        RowCase{"FlashWordOutsideFourteenBitsIsNotSent", {"s02-flash"}, {}, 1,
                [](EngineRig& r) { r.image.flashbuffer[0] = 0x4000; }},
        RowCase{"ConfigWords",
                {"s00-config1", "s00-config2"},
                {load(0x00, 0x3F72), load(0x00, 0x0123)},
                0,
                [](EngineRig& r) {
                    r.image.config1word = 0x3F72;
                    r.image.config2word = 0x0123;
                }}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Reads, EngineRows,
    ::testing::Values(
        RowCase{"FlashWord", {"flash=s04"}, {readword(0x04, 0x2805)}, 1, [](EngineRig&) {},
                [](const EngineRig& r) { EXPECT_EQ(r.image.flashbuffer[0], 0x2805); }},
        RowCase{"EepromKeepsTheLowByte", {"eeprom=s05"}, {readword(0x05, 0x3F41)}, 1, [](EngineRig&) {},
                [](const EngineRig& r) { EXPECT_EQ(r.image.eeprombuffer[0], 0x41); }},
        RowCase{"ConfigWordsKeepAllBits", {"config1=s05", "config2=s04"},
                {readword(0x05, 0x3F41), readword(0x04, 0x2805)}, 0, [](EngineRig&) {},
                [](const EngineRig& r) {
                    EXPECT_EQ(r.image.config1word, 0x3F41);
                    EXPECT_EQ(r.image.config2word, 0x2805);
                }},
        RowCase{"TempShowsNoProgressAndKeepsTheAddress", {"temp=s04"}, {readword(0x04, 0x2805)}, 0,
                [](EngineRig&) {},
                [](const EngineRig& r) {
                    EXPECT_EQ(r.state.tempvalue, 0x2805);
                    EXPECT_EQ(r.window.statuscount, 0);
                }},
        RowCase{"InvalidReadCodeStoresZero", {"flash=s4x"}, {}, 1, [](EngineRig&) {},
                [](const EngineRig& r) { EXPECT_EQ(r.image.flashbuffer[0], 0); }}),
    [](const auto& info) { return info.param.name; });

// ---- Power ------------------------------------------------------------------------------------

struct PowerCase {
    std::int32_t powerorder;
    Events events;
    std::vector<std::int64_t> times_ms;
};

class EnginePower : public ::testing::TestWithParam<PowerCase> {};

TEST_P(EnginePower, BeginFollowsTheModelsOrderAndEndAlwaysDropsVddFirst) {
    EngineRig rig;
    rig.model.powerorder = PowerOrder{GetParam().powerorder};
    rig.run({"begin", "end"});
    EXPECT_EQ(rig.wire.events, GetParam().events);
    std::vector<std::int64_t> times;
    for (const WireEvent& e : rig.wire.events) times.push_back(e.at_ms);
    EXPECT_EQ(times, GetParam().times_ms);
    EXPECT_TRUE(rig.alllinesoff());
}

INSTANTIATE_TEST_SUITE_P(Orders, EnginePower,
                         ::testing::Values(PowerCase{1, {vddon(), vppon(), vddoff(), vppoff()}, {0, 50, 100, 150}},
                                           PowerCase{2, {vppon(), vddon(), vddoff(), vppoff()}, {0, 50, 100, 150}},
                                           PowerCase{0, {}, {}}));

TEST(EnginePower, BeginAndEndLeaveClockAndDataOutAlone) {
    EngineRig rig;
    rig.driver.clockon();
    rig.driver.dataouton();
    rig.run({"begin", "end"});
    EXPECT_TRUE(rig.wire.clockline());
    EXPECT_TRUE(rig.wire.dataout());
}

// ---- Address bounds ------------------------------------------------------------------------------

struct BoundCase {
    std::string name;
    std::vector<std::pair<std::int32_t, std::int32_t>> flashwords, eepromwords;
    std::int32_t lastflash, lasteeprom;
};

class EngineBounds : public ::testing::TestWithParam<BoundCase> {};

TEST_P(EngineBounds, CalcFindsTheLastAddressHoldingData) {
    const BoundCase& c = GetParam();
    EngineRig rig(16, 8);
    for (auto [a, v] : c.flashwords) rig.image.flashbuffer[static_cast<std::size_t>(a)] = v;
    for (auto [a, v] : c.eepromwords) rig.image.eeprombuffer[static_cast<std::size_t>(a)] = v;
    rig.run({"calcflash", "calceeprom"});
    EXPECT_EQ(rig.state.lastflashaddress, c.lastflash);
    EXPECT_EQ(rig.state.lasteepromaddress, c.lasteeprom);
}

INSTANTIATE_TEST_SUITE_P(
    Images, EngineBounds,
    ::testing::Values(BoundCase{"Blank", {}, {}, -1, -1},
                      BoundCase{"OnlyAddressZero", {{0, 0}}, {{0, 0x3F}}, 0, 0},
                      BoundCase{"LastAddress", {{15, 0x2805}}, {{7, 0}}, 15, 7},
                      BoundCase{"HighestOfSeveral", {{2, 1}, {9, 0x3FFE}, {4, 5}}, {{3, 1}, {5, 0xFE}}, 9, 5}),
    [](const auto& info) { return info.param.name; });

TEST(EngineBounds, RunStartsWithTheWholeMemory) {
    EngineRig rig(1024, 64);
    preparerun(rig.state, {"end"}, rig.image);
    EXPECT_EQ(rig.state.lastflashaddress, 1023);
    EXPECT_EQ(rig.state.lasteepromaddress, 63);
    EXPECT_EQ(rig.state.addresscounter, 0);
    EXPECT_EQ(rig.state.worklist, (std::vector<std::string>{"", "end"}));
    EXPECT_EQ(rig.state.lastline, 1);
}

// ---- Loops ------------------------------------------------------------------------------------

TEST(EngineLoops, BodyRunsForEveryAddressUpToTheBoundWithProgress) {
    EngineRig rig;
    for (int a = 0; a < 4; ++a) rig.image.flashbuffer[static_cast<std::size_t>(a)] = 0x100 + a;
    rig.run({"calcflash", "setflashloop", "s02-flash", "s06", "loop", "s08"});
    EXPECT_EQ(rig.wire.transfers(), (Events{load(2, 0x100), command(6), load(2, 0x101), command(6), load(2, 0x102),
                                            command(6), load(2, 0x103), command(6), command(8)}));
    EXPECT_EQ(rig.statuses(), (std::vector<std::string>{"F:1/4", "F:2/4", "F:3/4", "F:4/4"}));
    EXPECT_EQ(rig.state.addresscounter, 0);
    EXPECT_EQ(rig.state.loopstartline, 2);
    EXPECT_EQ(rig.state.loopendaddress, 3);
}

TEST(EngineLoops, BlankImageSkipsTheLoopAndSendsNothingFromIt) {
    EngineRig rig;
    rig.run({"calcflash", "setflashloop", "s02-flash", "s06", "loop", "s08"});
    EXPECT_EQ(rig.state.lastflashaddress, -1);
    EXPECT_EQ(rig.wire.transfers(), (Events{command(8)}));
    EXPECT_EQ(rig.state.addresscounter, 0);
    EXPECT_FALSE(rig.state.runstopped);
}

TEST(EngineLoops, FlashThenEepromBothStartAtAddressZero) {
    EngineRig rig(16, 8);
    rig.image.flashbuffer[1] = 0x0AAA;
    rig.image.eeprombuffer[2] = 0x55;
    rig.run({"calcflash", "calceeprom", "setflashloop", "s02-flash", "s06", "loop", "seteepromloop", "s03-eeprom",
             "s06", "loop"});
    EXPECT_EQ(rig.wire.transfers(), (Events{load(2, 0x3FFF), command(6), load(2, 0x0AAA), command(6), load(3, 0xFF),
                                            command(6), load(3, 0xFF), command(6), load(3, 0x55), command(6)}));
    EXPECT_EQ(rig.statuses(), (std::vector<std::string>{"F:1/2", "F:2/2", "E:1/3", "E:2/3", "E:3/3"}));
}

TEST(EngineLoops, ReadLoopWalksTheWholeMemory) {
    EngineRig rig(16, 8);
    ScriptedChip chip;
    for (int a = 0; a < 16; ++a) chip.flash.push_back(a * 3);
    chip.attach(rig.wire);
    rig.run({"begin", "setflashloop", "flash=s04", "s06", "loop", "end"});
    for (int a = 0; a < 16; ++a) EXPECT_EQ(rig.image.flashbuffer[static_cast<std::size_t>(a)], a * 3) << a;
    EXPECT_EQ(rig.statuses().back(), "F:16/16");
}

TEST(EngineLoops, ProgressCountsTheRunningLoopEvenForTheOtherRegion) {
    // The address counter indexes the region the instruction names, whatever loop runs.
    EngineRig rig(16, 8);
    preparerun(rig.state, {"seteepromloop", "s02-flash", "loop"}, rig.image);
    rig.state.lasteepromaddress = 1;
    rig.engine.runtoend();
    EXPECT_EQ(rig.statuses(), (std::vector<std::string>{"F:1/2", "F:2/2"}));
}

// ---- Checks -----------------------------------------------------------------------------------

struct CheckCase {
    std::string name;
    Script script;
    std::function<void(EngineRig&, ScriptedChip&)> setup;
    std::vector<std::string> messages;
    bool failed;
};

class EngineChecks : public ::testing::TestWithParam<CheckCase> {};

TEST_P(EngineChecks, PassOrFailWithTheirMessage) {
    const CheckCase& c = GetParam();
    EngineRig rig(64, 16);
    ScriptedChip chip;
    chip.flash.assign(64, 0x3FFF);
    chip.eeprom.assign(16, 0x3FFF);
    chip.attach(rig.wire);
    c.setup(rig, chip);
    rig.run(c.script);
    EXPECT_EQ(rig.window.messages, c.messages);
    EXPECT_EQ(rig.state.failureflag, c.failed);
    EXPECT_FALSE(rig.state.runstopped);
    EXPECT_TRUE(rig.alllinesoff());
}

const Script k_verify_flash{"begin", "calcflash", "setflashloop", "temp=s04", "checkflash", "s06", "loop", "end"};
const Script k_write_check_flash{"begin", "calcflash", "setflashloop", "s02-flash", "s08", "temp=s04",
                                 "checkwrittenflash", "s06", "loop", "end"};
const Script k_blank_eeprom{"begin", "seteepromloop", "temp=s05", "checkblankeeprom", "s06", "loop", "end"};

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineChecks,
    ::testing::Values(
        CheckCase{"VerifyFlashPasses", k_verify_flash,
                  [](EngineRig& r, ScriptedChip& c) {
                      r.image.flashbuffer[3] = c.flash[3] = 0x2805;
                  },
                  {}, false},
        CheckCase{"VerifyFlashFailsWithThreeLines", k_verify_flash,
                  [](EngineRig& r, ScriptedChip&) { r.image.flashbuffer[0x1A] = 0x2805; },
                  {"Verify failed at address 001Ah!\r\nThe value read from that address is 3FFFh.\r\n"
                   "The value expected is 2805h."},
                  true},
        CheckCase{"BlankEepromReadsItsLowByte", k_blank_eeprom,
                  [](EngineRig&, ScriptedChip& c) { c.eeprom[5] = 0x3F12; },
                  {"Chip is not blank at address 2105h!\r\nThe value read from that address is 12h."}, true},
        CheckCase{"BlankEepromPassesOnAnFFLowByte", k_blank_eeprom,
                  [](EngineRig&, ScriptedChip& c) { c.eeprom[5] = 0x00FF; }, {}, false},
        CheckCase{"BlankFlash", {"begin", "setflashloop", "temp=s04", "checkblankflash", "s06", "loop", "end"},
                  [](EngineRig&, ScriptedChip& c) { c.flash[0x3E] = 0x0000; },
                  {"Chip is not blank at address 003Eh!\r\nThe value read from that address is 0000h."}, true},
        CheckCase{"BlankConfig1", {"begin", "s00-3fff", "temp=s04", "checkblankconfig1", "end"},
                  [](EngineRig&, ScriptedChip& c) { c.config = 0x3FF2; },
                  {"Chip is not blank at address 2007h!\r\nThe value read from that address is 3FF2h."}, true},
        CheckCase{"BlankConfig2WithAnInvalidErasedValueAlwaysFails",
                  {"begin", "s00-3fff", "temp=s04", "checkblankconfig2", "end"},
                  [](EngineRig& r, ScriptedChip&) { r.model.config2erased = -1; },
                  {"Chip is not blank at address 2008h!\r\nThe value read from that address is 3FFFh."}, true},
        CheckCase{"VerifyEepromComparesBytes",
                  {"begin", "seteepromloop", "temp=s05", "checkeeprom", "s06", "loop", "end"},
                  [](EngineRig& r, ScriptedChip& c) {
                      c.eeprom[2] = 0x3F41;  // the high bits a chip returns do not matter
                      r.image.eeprombuffer[2] = 0x41;
                      r.image.eeprombuffer[3] = 0x10;
                  },
                  {"Verify failed at address 2103h!\r\nThe value read from that address is FFh.\r\n"
                   "The value expected is 10h."},
                  true},
        CheckCase{"VerifyConfig1", {"begin", "s00-3fff", "temp=s04", "checkconfig1", "end"},
                  [](EngineRig& r, ScriptedChip& c) {
                      c.config = 0x3F71;
                      r.image.config1word = 0x3F72;
                  },
                  {"Verify failed at address 2007h!\r\nThe value read from that address is 3F71h.\r\n"
                   "The value expected is 3F72h."},
                  true},
        // Inside a write loop: the location the send before it wrote, the counter left alone.
        CheckCase{"WrittenFlashPassesOnEveryWord", k_write_check_flash,
                  [](EngineRig& r, ScriptedChip& c) {
                      for (std::size_t a = 0; a < 4; ++a) r.image.flashbuffer[a] = c.flash[a] = 0x2800 + static_cast<std::int32_t>(a);
                  },
                  {}, false},
        CheckCase{"WrittenFlashNamesTheWordJustSent", k_write_check_flash,
                  [](EngineRig& r, ScriptedChip& c) {
                      for (std::size_t a = 0; a < 4; ++a) r.image.flashbuffer[a] = c.flash[a] = 0x2800 + static_cast<std::int32_t>(a);
                      c.flash[2] = 0x0802;
                  },
                  {"Verify failed at address 0002h!\r\nThe value read from that address is 0802h.\r\n"
                   "The value expected is 2802h."},
                  true},
        CheckCase{"WrittenEepromNamesTheByteJustSent",
                  {"begin", "calceeprom", "seteepromloop", "s03-eeprom", "s08", "temp=s05", "checkwritteneeprom", "s06",
                   "loop", "end"},
                  [](EngineRig& r, ScriptedChip& c) {
                      r.image.eeprombuffer[0] = c.eeprom[0] = 0x11;
                      r.image.eeprombuffer[1] = 0x22;
                      c.eeprom[1] = 0x3FFF;
                  },
                  {"Verify failed at address 2101h!\r\nThe value read from that address is FFh.\r\n"
                   "The value expected is 22h."},
                  true},
        CheckCase{"VerifyConfig2OutsideFourteenBitsNeverMatches",
                  {"begin", "s00-3fff", "temp=s04", "checkconfig2", "end"},
                  [](EngineRig& r, ScriptedChip& c) {
                      c.config = 0x3FFF;
                      r.image.config2word = 0x7FFF;
                  },
                  {"Verify failed at address 2008h!\r\nThe value read from that address is 3FFFh.\r\n"
                   "The value expected is 7FFFh."},
                  true}),
    [](const auto& info) { return info.param.name; });

TEST(EngineChecks, FailureMidLoopShowsOneMessageAndRunsOnlyTheLastLine) {
    EngineRig rig(64, 16);
    ScriptedChip chip;
    chip.flash.assign(64, 0x3FFF);
    chip.flash[2] = 0x1111;
    chip.attach(rig.wire);
    rig.run({"begin", "setflashloop", "temp=s04", "checkblankflash", "s06", "loop", "s08", "end"});

    EXPECT_EQ(rig.window.messages.size(), 1u);
    EXPECT_TRUE(rig.state.failureflag);
    EXPECT_EQ(rig.state.addresscounter, 2) << "the failing address stays in the counter";
    EXPECT_EQ(rig.state.linecounter, 9);
    const Events transfers = rig.wire.transfers();
    EXPECT_EQ(transfers.back(), readword(4, 0x1111)) << "nothing is sent after the failing check";
    EXPECT_EQ(rig.wire.events.back(), vppoff()) << "the last line still powered the chip down";
}

// The section after "onfail" runs only after a failed check, from address 0, and only once: a
// check failing inside it ends the run at the last line.
TEST(EngineChecks, RecoverySectionRunsOnceAfterAFailureOnly) {
    for (const bool stained : {false, true}) {
        SCOPED_TRACE(stained ? "failed check" : "clean run");
        EngineRig rig(8, 1);
        ScriptedChip chip;
        chip.flash.assign(8, 0x3FFF);
        if (stained) chip.flash[0] = 0x1111;
        chip.attach(rig.wire);
        rig.run({"begin", "setflashloop", "temp=s04", "checkblankflash", "s06", "loop", "end", "onfail", "begin",
                 "s09", "temp=s04", "checkblankflash", "end"});
        const Events sent = rig.wire.transfers();
        EXPECT_EQ(std::count(sent.begin(), sent.end(), command(0x09)), stained ? 1 : 0);
        EXPECT_EQ(rig.window.messages.size(), stained ? 2u : 0u);
        EXPECT_EQ(rig.state.failureflag, stained);
        EXPECT_TRUE(rig.alllinesoff());
    }
}

TEST(EngineChecks, TheFailureFlagIsNeverClearedByTheEngine) {
    EngineRig rig;
    rig.state.failureflag = true;
    rig.state.worklist = {"", "temp=s04", "checkblankflash"};
    rig.state.lastline = 2;
    rig.state.linecounter = 1;
    while (rig.state.linecounter <= rig.state.lastline) rig.engine.enginestep();
    EXPECT_TRUE(rig.state.failureflag);
    EXPECT_TRUE(rig.window.messages.empty());
}

// ---- Waits ------------------------------------------------------------------------------------

struct WaitCase {
    std::string line;
    std::int64_t ms;
};

class EngineWaits : public ::testing::TestWithParam<WaitCase> {};

TEST_P(EngineWaits, SleepOnTheClockForTheParsedTime) {
    EngineRig rig;
    rig.model.progtime = 7;
    const std::int64_t before = rig.clock.now_ns();
    rig.run({GetParam().line});
    EXPECT_EQ(rig.clock.now_ns() - before, GetParam().ms * 1'000'000);
    EXPECT_FALSE(rig.state.runstopped);
    EXPECT_TRUE(rig.wire.events.empty());
}

INSTANTIATE_TEST_SUITE_P(Lines, EngineWaits,
                         ::testing::Values(WaitCase{"w10", 10}, WaitCase{"w", 0}, WaitCase{"w2.5", 2},
                                           WaitCase{"w3.5", 4}, WaitCase{"wabc", 0}, WaitCase{"w-5", 0},
                                           WaitCase{"w 12", 12}, WaitCase{"wprog", 7}, WaitCase{"wprog ", 0}));

TEST(EngineWaits, NegativeProgrammingTimeWaitsNothing) {
    EngineRig rig;
    rig.model.progtime = -3;
    rig.run({"wprog"});
    EXPECT_EQ(rig.clock.now_ns(), 0);
}

// ---- Runs that must stop --------------------------------------------------------------------

struct StopCase {
    std::string name;
    Script script;
    std::vector<std::string> messages;
    Events transfers;  // what was sent before the stop
    std::function<void(EngineRig&)> setup = [](EngineRig&) {};
};

class EngineStops : public ::testing::TestWithParam<StopCase> {};

TEST_P(EngineStops, PowerDownLinesOffMessageAndKeepTheImage) {
    const StopCase& c = GetParam();
    EngineRig rig(4, 2);
    rig.image.flashbuffer = {1, 2, 3, 4};
    c.setup(rig);
    const MemoryImage before = rig.image;
    rig.run(c.script);

    EXPECT_EQ(rig.window.messages, c.messages);
    EXPECT_TRUE(rig.state.runstopped);
    EXPECT_TRUE(rig.state.failureflag);
    EXPECT_GT(rig.state.linecounter, rig.state.lastline);
    EXPECT_TRUE(rig.alllinesoff());
    EXPECT_EQ(rig.wire.transfers(), c.transfers);
    EXPECT_EQ(rig.image.flashbuffer, before.flashbuffer);
    EXPECT_EQ(rig.image.eeprombuffer, before.eeprombuffer);
    // The chip was powered down before the message box was shown, VDD first.
    const Events& events = rig.wire.events;
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 2], vddoff());
    EXPECT_EQ(events.back(), vppoff());
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, EngineStops,
    ::testing::Values(
        StopCase{"BlankBeforeKeyword", {"begin", "s06", " end", "s06", "end"},
                 {"Unrecognized symbolic instruction ' end'.\r\nThe operation has been stopped."}, {command(6)}},
        StopCase{"EmptyLine", {"begin", ""},
                 {"Unrecognized symbolic instruction ''.\r\nThe operation has been stopped."}, {}},
        StopCase{"UnknownWord", {"begin", "program"},
                 {"Unrecognized symbolic instruction 'program'.\r\nThe operation has been stopped."}, {}},
        StopCase{"LoopHeaderWithoutLoop", {"begin", "calcflash", "setflashloop", "s02-flash", "end"},
                 {"Script line 3 ('setflashloop') starts a loop that no 'loop' line closes.\r\n"
                  "The operation has been stopped."},
                 {},
                 [](EngineRig& r) { r.image.flashbuffer = {0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF}; }},
        StopCase{"LoopWithoutHeader", {"begin", "s06", "loop", "end"},
                 {"Script line 3 ('loop') has no loop header before it in this operation.\r\n"
                  "The operation has been stopped."},
                 {command(6)}},
        StopCase{"BodyThatMovesNoAddress", {"begin", "setflashloop", "s06", "loop", "end"},
                 {"Script line 4 ('loop') closes a loop pass that moved no address, so the loop would never end.\r\n"
                  "The operation has been stopped."},
                 {command(6)}},
        StopCase{"LoopBackToAnEndedLoop", {"begin", "setflashloop", "s02-flash", "loop", "s06", "loop", "end"},
                 {"Script line 6 ('loop') goes back to a loop that has already ended.\r\n"
                  "The operation has been stopped."},
                 {load(2, 1), load(2, 2), load(2, 3), load(2, 4), command(6)}},
        StopCase{"FailingCheckOnTheLastLine", {"begin", "temp=s04", "checkflash"},
                 {"Verify failed at address 0000h!\r\nThe value read from that address is 3FFFh.\r\n"
                  "The value expected is 0001h.",
                  "Script line 3 ('checkflash') failed as the last line of the script, so the script cannot finish.\r\n"
                  "The operation has been stopped."},
                 {readword(4, 0x3FFF)}},
        StopCase{"FlashAddressPastTheImage", {"begin", "s02-flash", "s02-flash", "s02-flash", "s02-flash", "s02-flash",
                                              "end"},
                 {"Script line 6 ('s02-flash') would use address 0004h, outside the FLASH memory of the image "
                  "(4 words).\r\nThe operation has been stopped."},
                 {load(2, 1), load(2, 2), load(2, 3), load(2, 4)}},
        StopCase{"BoundLargerThanTheImage", {"begin", "setflashloop", "s02-flash", "loop", "end"},
                 {"Script line 3 ('s02-flash') would use address 0004h, outside the FLASH memory of the image "
                  "(4 words).\r\nThe operation has been stopped."},
                 {load(2, 1), load(2, 2), load(2, 3), load(2, 4)},
                 [](EngineRig& r) {
                     // A model bigger than the image it was given: the run must not write past it.
                     r.image.flashsize = 8;
                 }},
        // Such a model keeps one addressable element (2100h); the address after it is outside.
        StopCase{"EepromOnAModelWithoutEeprom", {"begin", "s03-eeprom", "s03-eeprom", "end"},
                 {"Script line 3 ('s03-eeprom') would use address 2101h, outside the EEPROM memory of the image "
                  "(0 bytes).\r\nThe operation has been stopped."},
                 {load(3, 0xFF)},
                 [](EngineRig& r) { r.image.eepromsize = 0; }},
        StopCase{"WrittenCheckWithNothingSentBeforeIt", {"begin", "temp=s04", "checkwrittenflash", "end"},
                 {"Script line 3 ('checkwrittenflash') would use address FFFFh, outside the FLASH memory of the "
                  "image (4 words).\r\nThe operation has been stopped."},
                 {readword(4, 0x3FFF)}},
        StopCase{"CheckPastTheImage", {"begin", "s02-flash", "s02-flash", "s02-flash", "s02-flash", "temp=s04",
                                       "checkblankflash", "end"},
                 {"Script line 7 ('checkblankflash') would use address 0004h, outside the FLASH memory of the "
                  "image (4 words).\r\nThe operation has been stopped."},
                 {load(2, 1), load(2, 2), load(2, 3), load(2, 4), readword(4, 0x3FFF)}}),
    [](const auto& info) { return info.param.name; });

TEST(EngineStops, LoopHeaderOfAnEarlierRunDoesNotCount) {
    EngineRig rig;
    rig.run({"setflashloop", "s02-flash", "loop"});
    EXPECT_FALSE(rig.state.runstopped);
    EXPECT_EQ(rig.state.loopstartline, 1);
    rig.run({"s06", "loop"});
    EXPECT_TRUE(rig.state.runstopped);
    ASSERT_EQ(rig.window.messages.size(), 1u);
    EXPECT_EQ(rig.window.messages[0].rfind("Script line 2 ('loop') has no loop header", 0), 0u);
}

TEST(EngineStops, NoStepRunsAfterTheStop) {
    EngineRig rig;
    rig.run({"bogus", "s06"});
    ASSERT_TRUE(rig.state.runstopped);
    rig.engine.enginestep();  // a caller that steps once more finds nothing to do
    EXPECT_TRUE(rig.wire.transfers().empty());
    EXPECT_EQ(rig.window.messages.size(), 1u);
}

// ---- Stop requests from outside ---------------------------------------------------------------

TEST(EngineStopRequest, HonouredBetweenTwoStepsWithoutAMessage) {
    EngineRig rig;
    // The request arrives in the middle of a read; that read still completes.
    rig.wire.answer = [&rig](std::int32_t) {
        rig.stop.request();
        return 0x0123;
    };
    rig.run({"begin", "temp=s04", "s06", "end"});
    EXPECT_EQ(rig.wire.events, (Events{vddon(), vppon(), readword(4, 0x0123), vddoff(), vppoff()}));
    EXPECT_EQ(rig.state.tempvalue, 0x0123);
    EXPECT_TRUE(rig.state.runstopped);
    EXPECT_TRUE(rig.state.failureflag);
    EXPECT_TRUE(rig.window.messages.empty());
    EXPECT_TRUE(rig.alllinesoff());
}

TEST(EngineStopRequest, FromTheWindowStopsALongRunEarly) {
    EngineRig rig(1024, 0);
    rig.window.record_status = false;
    rig.window.onevents = [&rig] { rig.stop.request(); };
    rig.run({"begin", "setflashloop", "s02-flash", "w1", "s06", "loop", "end"});
    EXPECT_TRUE(rig.state.runstopped);
    EXPECT_LT(rig.wire.transfers().size(), 100u);
    EXPECT_TRUE(rig.alllinesoff());
}

TEST(EngineStopRequest, PendingBeforeTheRunStopsItAtOnce) {
    EngineRig rig;
    rig.stop.request();
    rig.run({"begin", "s06", "end"});
    EXPECT_TRUE(rig.wire.transfers().empty());
    EXPECT_TRUE(rig.state.runstopped);
    EXPECT_FALSE(rig.wire.vdd());
}

}  // namespace
}  // namespace vornalt
