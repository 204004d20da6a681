#include "app/chip_operations.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/session_rig.h"
#include "platform/unavailable_port.h"

namespace vornalt {
namespace {

using OperationRig = testing::SessionRig;

// The window calls without the progress texts, and with each run of event passes counted once
// (the engine's coalesced passes depend on timing, not on the runner).
std::vector<std::string> framecalls(const FakeWindow& window) {
    std::vector<std::string> out;
    for (const std::string& call : window.calls) {
        if (call.rfind("status:F:", 0) == 0 || call.rfind("status:E:", 0) == 0) continue;
        if (call.rfind("status:CONF", 0) == 0) continue;
        if (call == "events" && !out.empty() && out.back() == "events") continue;
        out.push_back(call);
    }
    return out;
}

constexpr ChipOperation k_all[] = {ChipOperation::programall, ChipOperation::readall, ChipOperation::eraseall,
                                   ChipOperation::blankcheck, ChipOperation::verify};

std::string nameof(ChipOperation operation) {
    switch (operation) {
    case ChipOperation::programall: return "programall";
    case ChipOperation::readall: return "readall";
    case ChipOperation::eraseall: return "eraseall";
    case ChipOperation::blankcheck: return "blankcheck";
    case ChipOperation::verify: return "verify";
    }
    return "?";
}

// Each script sends its own command code, so the wire tells which script ran.
void givescripts(AppliedModel& model, const Script& tail = {"end"}) {
    auto with = [&tail](const char* marker) {
        Script script{"begin", marker};
        script.insert(script.end(), tail.begin(), tail.end());
        return script;
    };
    model.programscript = with("s11");
    model.readscript = with("s12");
    model.erasescript = with("s13");
    model.blankcheckscript = with("s14");
    model.verifyscript = with("s15");
}

std::int32_t markerof(ChipOperation operation) {
    switch (operation) {
    case ChipOperation::programall: return 0x11;
    case ChipOperation::readall: return 0x12;
    case ChipOperation::eraseall: return 0x13;
    case ChipOperation::blankcheck: return 0x14;
    case ChipOperation::verify: return 0x15;
    }
    return -1;
}

struct TextCase {
    ChipOperation operation;
    std::string start, succeeded, failed;
    std::string stopped = failed;  // a stopped run blames no chip
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << nameof(c.operation); }

class OperationFrame : public ::testing::TestWithParam<TextCase> {};

TEST_P(OperationFrame, SuccessFramesTheRunWithStartAndEndText) {
    const TextCase& c = GetParam();
    OperationRig rig;
    givescripts(rig.model);
    EXPECT_EQ(rig.run(c.operation), RunOutcome::succeeded);

    const bool reading = c.operation == ChipOperation::readall;
    std::vector<std::string> expected{"disable", "events", "status:" + c.start, "events"};
    if (reading) expected.insert(expected.end(), {"updatedisplay", "events"});
    expected.insert(expected.end(), {"enable", "events", "status:" + c.succeeded, "events"});
    if (reading) expected.insert(expected.end(), {"updatedisplay", "events"});
    EXPECT_EQ(framecalls(rig.window), expected);

    EXPECT_EQ(rig.wire.transfers(), std::vector<WireEvent>{command(markerof(c.operation))});
    EXPECT_FALSE(rig.wire.vdd());
    EXPECT_TRUE(rig.window.messages.empty());
}

TEST_P(OperationFrame, FailedCheckGivesTheFailureText) {
    const TextCase& c = GetParam();
    OperationRig rig;
    rig.wire.answer = [](std::int32_t) { return 0x0000; };  // nothing reads blank
    givescripts(rig.model, {"temp=s04", "checkblankflash", "s16", "end"});
    EXPECT_EQ(rig.run(c.operation), RunOutcome::failed);
    EXPECT_EQ(rig.window.status, c.failed);
    EXPECT_EQ(rig.window.messages.size(), 1u);
    EXPECT_FALSE(rig.window.disabled);
    const auto transfers = rig.wire.transfers();
    EXPECT_EQ(transfers.back(), readword(4, 0)) << "the line after the failing check never ran";
    EXPECT_FALSE(rig.wire.vdd());
}

TEST_P(OperationFrame, StoppedRunGivesTheStoppedTextAndUnlocksTheWindow) {
    const TextCase& c = GetParam();
    OperationRig rig;
    givescripts(rig.model, {"bogus", "end"});
    EXPECT_EQ(rig.run(c.operation), RunOutcome::failed);
    EXPECT_EQ(rig.window.status, c.stopped);
    EXPECT_EQ(rig.window.messages,
              std::vector<std::string>{"Unrecognized symbolic instruction 'bogus'.\r\nThe operation has been stopped."});
    EXPECT_EQ(rig.window.enablecount, 1);
    EXPECT_FALSE(rig.window.disabled);
    EXPECT_FALSE(rig.wire.vdd());
    EXPECT_FALSE(rig.wire.vpp());
}

TEST_P(OperationFrame, FailureOfAnEarlierRunDoesNotCarryOver) {
    const TextCase& c = GetParam();
    OperationRig rig;
    givescripts(rig.model);
    rig.engine.failureflag = true;
    rig.engine.runstopped = true;
    EXPECT_EQ(rig.run(c.operation), RunOutcome::succeeded);
    EXPECT_EQ(rig.window.status, c.succeeded);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, OperationFrame,
    ::testing::Values(
        TextCase{ChipOperation::programall, "Begin program all", "Chip programmed", "Chip programming failed"},
        TextCase{ChipOperation::readall, "Begin read all", "Chip read", "Chip read failed"},
        TextCase{ChipOperation::eraseall, "Begin erase all", "Chip erased", "Chip erase failed"},
        TextCase{ChipOperation::blankcheck, "Begin blank check", "Chip is blank", "Chip is not blank",
                 "Blank check stopped"},
        TextCase{ChipOperation::verify, "Begin verify", "Chip verified", "Chip verify failed"}),
    [](const auto& info) { return nameof(info.param.operation); });

TEST(Operations, AModelWithNoScriptsRunsNothingAndSaysSo) {
    // No model could be applied (every record refused): the scripts have no lines at all.
    for (ChipOperation operation : k_all) {
        OperationRig rig;
        EXPECT_EQ(rig.run(operation), RunOutcome::failed) << nameof(operation);
        EXPECT_EQ(rig.window.status, operationtexts(operation).stopped);
        EXPECT_EQ(rig.window.messages.size(), 1u);
        EXPECT_TRUE(rig.wire.transfers().empty());
    }
}

TEST(Operations, CommandsStayLockedWhileTheScriptRuns) {
    for (ChipOperation operation : k_all) {
        OperationRig rig;
        givescripts(rig.model, {"temp=s04", "end"});
        bool lockedduringread = false;
        rig.wire.answer = [&rig, &lockedduringread](std::int32_t) {
            lockedduringread = rig.window.disabled;
            return 0x3FFF;
        };
        rig.run(operation);
        EXPECT_TRUE(lockedduringread) << nameof(operation);
        EXPECT_FALSE(rig.window.disabled) << nameof(operation);
    }
}

TEST(Operations, UnreachablePortRefusesToStart) {
    for (ChipOperation operation : k_all) {
        OperationRig rig;
        givescripts(rig.model);
        UnavailablePort unavailable("No parallel port at 0x378. Choose another port.");
        rig.driver.setio(unavailable);
        rig.app.label_hex = "firmware.hex";
        EXPECT_EQ(rig.run(operation), RunOutcome::notstarted) << nameof(operation);
        ASSERT_EQ(rig.window.messages.size(), 1u);
        EXPECT_NE(rig.window.messages[0].find("No parallel port at 0x378"), std::string::npos);
        EXPECT_EQ(rig.window.disablecount, 0);
        EXPECT_EQ(rig.app.label_hex, "firmware.hex") << "nothing changes when nothing runs";
        EXPECT_TRUE(rig.wire.events.empty());
    }
}

TEST(Operations, StopRequestedFromTheWindowEndsTheRunSafely) {
    for (ChipOperation operation : k_all) {
        OperationRig rig;
        rig.image.flashsize = 1024;
        clearbuffer(rig.image, 0x3FFF, 0x3FFF);
        givescripts(rig.model, {"setflashloop", "flash=s04", "w1", "s06", "loop", "end"});
        // The user closes the window once the run is under way.
        rig.window.onevents = [&rig] {
            if (rig.window.disabled && !rig.wire.events.empty()) rig.stop.request();
        };
        EXPECT_EQ(rig.run(operation), RunOutcome::failed) << nameof(operation);
        EXPECT_TRUE(rig.engine.runstopped);
        EXPECT_EQ(rig.window.status, operationtexts(operation).stopped);
        EXPECT_FALSE(rig.stop.requested()) << "the request ends with the run it stopped";
        EXPECT_LT(rig.wire.transfers().size(), 200u);
        EXPECT_FALSE(rig.wire.vdd());
        EXPECT_FALSE(rig.wire.vpp());
        EXPECT_FALSE(rig.wire.clockline());
        EXPECT_FALSE(rig.wire.dataout());
    }
}

TEST(Operations, ScriptThatEndsPoweredLeavesEveryLineOff) {
    // Scripts come from an editable catalogue; one whose last line is not "end" (or that ends
    // with DATA OUT driven) must still leave the programmer switched off.
    const Script scripts[] = {{"s06"}, {"s02-3fff"}, {"s06", "end", "begin"}};
    for (const Script& script : scripts) {
        OperationRig rig;
        givescripts(rig.model, script);
        EXPECT_EQ(rig.run(ChipOperation::eraseall), RunOutcome::succeeded);
        EXPECT_FALSE(rig.wire.vdd());
        EXPECT_FALSE(rig.wire.vpp());
        EXPECT_FALSE(rig.wire.clockline());
        EXPECT_FALSE(rig.wire.dataout());
    }
}

TEST(ReadAll, StartsFromABlankImageAndForgetsTheLoadedFile) {
    OperationRig rig;
    rig.app.label_hex = "old.hex";
    for (auto& word : rig.image.flashbuffer) word = 0x0123;
    rig.image.eeprombuffer[3] = 0x44;
    rig.image.config1word = 0x0001;
    rig.model.config1erased = 0x3FF0;
    rig.model.config2erased = 0x3FF1;
    rig.model.readscript = {"begin", "flash=s04", "s06", "flash=s04", "end"};
    rig.wire.answer = [](std::int32_t) { return 0x2805; };
    EXPECT_EQ(rig.run(ChipOperation::readall), RunOutcome::succeeded);

    EXPECT_EQ(rig.app.label_hex, "");
    EXPECT_EQ(rig.image.flashbuffer[0], 0x2805);
    EXPECT_EQ(rig.image.flashbuffer[1], 0x2805);
    for (std::size_t a = 2; a < rig.image.flashbuffer.size(); ++a) EXPECT_EQ(rig.image.flashbuffer[a], 0x3FFF);
    EXPECT_EQ(rig.image.eeprombuffer[3], 0xFF);
    EXPECT_EQ(rig.image.config1word, 0x3FF0);
    EXPECT_EQ(rig.image.config2word, 0x3FF1);
}

TEST(Operations, OtherOperationsKeepTheImageAndTheLoadedFile) {
    for (ChipOperation operation : {ChipOperation::programall, ChipOperation::eraseall, ChipOperation::blankcheck,
                                    ChipOperation::verify}) {
        OperationRig rig;
        givescripts(rig.model);
        rig.app.label_hex = "firmware.hex";
        rig.image.flashbuffer[5] = 0x0AAA;
        rig.run(operation);
        EXPECT_EQ(rig.app.label_hex, "firmware.hex") << nameof(operation);
        EXPECT_EQ(rig.image.flashbuffer[5], 0x0AAA) << nameof(operation);
        EXPECT_EQ(rig.window.updatecount, 0) << nameof(operation);
    }
}

TEST(Operations, BoundsComeFromTheImageSizes) {
    OperationRig rig;
    rig.image.flashsize = 4;
    rig.image.eepromsize = 2;
    clearbuffer(rig.image, 0x3FFF, 0x3FFF);
    rig.model.readscript = {"begin", "setflashloop", "flash=s04", "s06", "loop", "seteepromloop", "eeprom=s05",
                            "s06", "loop", "end"};
    rig.run(ChipOperation::readall);
    std::int32_t reads = 0;
    for (const WireEvent& e : rig.wire.transfers()) reads += e.kind == WireEvent::Kind::read ? 1 : 0;
    EXPECT_EQ(reads, 6);
    EXPECT_EQ(rig.engine.lastflashaddress, 3);
    EXPECT_EQ(rig.engine.lasteepromaddress, 1);
}

}  // namespace
}  // namespace vornalt
