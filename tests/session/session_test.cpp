// The session as the front ends drive it: the simulated chip following the model, the lines
// switched off when the program ends, and the busy state around a run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/application_folder.h"
#include "base/file_io.h"
#include "base/file_lock.h"
#include "port/port_fakes.h"
#include "session/session.h"
#include "session/session_internals.h"
#include "settings/memory_settings_backend.h"
#include "settings/setting_names.h"
#include "sim/sim_chip.h"
#include "support/fake_window.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using testing::DefaultLines;
using testing::TempFolder;

// The end-to-end catalogue (16F84A, 16F877A) with a third model the simulator does not know.
DeviceCatalogue testcatalogue(const TempFolder& temp) {
    std::ifstream in(VORNALT_E2E_CATALOGUE);
    std::stringstream text;
    text << in.rdbuf();
    std::string records = text.str();
    const std::size_t second = records.find("model:16F877A");
    records += "\n" + records.substr(records.find("model:16F84A"), second - records.find("model:16F84A"));
    records.replace(records.rfind("model:16F84A"), 12, "model:NoSuchPart");
    const std::string path = temp.folder() + "devices.cfg";
    std::ofstream(path) << records;
    Result<DeviceCatalogue> loaded = loadcatalogue(path);
    EXPECT_TRUE(loaded.ok());
    return loaded.ok() ? std::move(loaded).value() : DeviceCatalogue{};
}

struct SimSession {
    TempFolder temp;
    FakeWindow window;
    MemorySettingsBackend backend;
    SettingsStore settings{backend};
    std::unique_ptr<Session> session;

    explicit SimSession(std::string model = "1", std::string simpart = "") {
        backend.set(k_setting_model, model);
        SessionOptions options;
        options.backend = BackendKind::simulator;
        options.simpart = std::move(simpart);
        // Where the simulated chips live: under XDG_DATA_HOME on Linux, LOCALAPPDATA on Windows.
        options.datafolders = {temp.folder() + "data", "", temp.folder() + "data"};
        options.virtualclock = true;
        session = std::make_unique<Session>(window, settings, AppState{}, testcatalogue(temp), options);
    }
    std::string chipfile(const std::string& model) const {
        return temp.folder() + (k_windows_rules ? "data\\Vornalt\\sim\\" : "data/vornalt/sim/") + model + ".hex";
    }
    void choose(std::int32_t number) {
        const SessionInternals inside = internals(*session);
        ASSERT_TRUE(applymodel(inside.catalogue(), number, inside.model(), inside.image()).ok());
        ASSERT_TRUE(session->model_changed().ok());
    }
};

TEST(SessionSimulator, ChipFollowsTheModelAndKeepsItsMemoryInItsFile) {
    SimSession s;
    s.session->formload();
    EXPECT_EQ(s.window.status, "Simulated port ready");
    ASSERT_NE(s.session->board()->chip(), nullptr);
    EXPECT_EQ(s.session->board()->chip()->model().name, "16F84A");
    s.session->board()->chip()->memory().program[0] = 0x1234;

    s.choose(2);
    EXPECT_TRUE(std::filesystem::exists(s.chipfile("16F84A"))) << "the old chip is saved before it leaves";
    ASSERT_NE(s.session->board()->chip(), nullptr);
    EXPECT_EQ(s.session->board()->chip()->model().name, "16F877A");
    s.session->board()->chip()->memory().program[1] = 0x0ABC;

    s.choose(3);
    EXPECT_TRUE(s.session->socketempty());
    EXPECT_TRUE(std::filesystem::exists(s.chipfile("16F877A")));

    s.choose(1);
    ASSERT_NE(s.session->board()->chip(), nullptr);
    EXPECT_EQ(s.session->board()->chip()->memory().program[0], 0x1234) << "the chip came back from its file";

    // The chip in the socket reaches its file when the program finishes.
    s.session->board()->chip()->memory().program[0] = 0x0777;
    EXPECT_TRUE(s.session->finish().ok());
    s.choose(2);
    s.choose(1);
    EXPECT_EQ(s.session->board()->chip()->memory().program[0], 0x0777);
}

TEST(SessionSimulator, UnreadableChipFileLeavesTheSocketEmptyAndTheFileAlone) {
    SimSession s;
    std::filesystem::create_directories(s.temp.folder() + "data/vornalt/sim");
    std::ofstream(s.chipfile("16F84A")) << "not a hex file\n";
    s.session->formload();
    EXPECT_EQ(s.window.messages.size(), 1u);
    EXPECT_TRUE(s.session->socketempty());
    EXPECT_TRUE(s.session->finish().ok());
    std::ifstream in(s.chipfile("16F84A"));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "not a hex file");
}

TEST(SessionSimulator, AnEmptySocketFailsTheRunBeforeItStarts) {
    SimSession s("3");  // a model the simulator does not know
    s.session->formload();
    ASSERT_TRUE(s.session->socketempty());
    for (ChipOperation operation : {ChipOperation::readall, ChipOperation::programall, ChipOperation::blankcheck}) {
        s.window.messages.clear();
        EXPECT_EQ(s.session->run(operation), RunOutcome::failed);
        EXPECT_EQ(s.window.status, operationtexts(operation).stopped);
        ASSERT_EQ(s.window.messages.size(), 1u);
        EXPECT_EQ(s.window.messages[0], emptysockettext("NOSUCHPART"));
    }
}

// A model that checks its device ID runs into an empty socket (the user may pass over what the
// check says); the blank answers read as a blank chip, and no run may report success from them.
TEST(SessionSimulator, AnEmptySocketFailsEvenPastTheDeviceIdCheck) {
    SimSession s("1", k_empty_socket);
    s.session->formload();
    ASSERT_TRUE(s.session->socketempty());
    internals(*s.session).model().deviceid = 0x0560;
    s.session->set_ignore_device_id(true);
    for (ChipOperation operation : {ChipOperation::blankcheck, ChipOperation::eraseall, ChipOperation::readall}) {
        SCOPED_TRACE(operationtexts(operation).start);
        EXPECT_EQ(s.session->run(operation), RunOutcome::failed);
        EXPECT_EQ(s.window.status, operationtexts(operation).stopped);
    }
}

// A setting that places the board or a line where nothing can be reached is named with its value
// at loading, instead of "Simulated port ready" and then "No chip answered".
TEST(SessionSimulator, AnUnusablePortSettingIsNamedAtLoading) {
    for (const auto& [setting, value] : {std::pair{k_setting_portaddress, "-888"}, {k_setting_portaddress, "65535"},
                                         {k_setting_vddpin, "garbage"}, {k_setting_datainpin, "2"}}) {
        SimSession s;
        s.backend.set(setting, value);
        s.session->formload();
        ASSERT_EQ(s.window.messages.size(), 1u) << value;
        EXPECT_NE(s.window.messages[0].find(std::string(setting) + "\" is \"" + value), std::string::npos) << value;
        EXPECT_NE(s.window.status, k_simulated_port_ready) << value;
    }
}

TEST(SessionSimulator, ARunWhoseChipCannotBeSavedFails) {
    SimSession s;
    s.session->formload();
    ASSERT_FALSE(s.session->socketempty());
    EXPECT_EQ(s.session->run(ChipOperation::eraseall), RunOutcome::succeeded);
    EXPECT_FALSE(s.session->last_run().chip_save_failed);
    EXPECT_TRUE(std::filesystem::exists(s.chipfile("16F84A"))) << "saved after the run, not only at the end";

    // Something that cannot be replaced stands where the chip file goes (a full disk alike).
    std::filesystem::remove(s.chipfile("16F84A"));
    std::filesystem::create_directory(s.chipfile("16F84A"));
    // A chip that differs from its file (only a changed chip is written back).
    s.session->board()->chip()->memory().program[0] = 0x0123;
    EXPECT_EQ(s.session->run(ChipOperation::readall), RunOutcome::failed);
    EXPECT_TRUE(s.session->last_run().chip_save_failed);
    EXPECT_EQ(s.window.status, k_chip_not_saved) << "the read itself worked";
    ASSERT_FALSE(s.window.messages.empty());
    EXPECT_NE(s.window.messages.back().find(s.chipfile("16F84A")), std::string::npos) << s.window.messages.back();
}

TEST(SessionSimulator, ChangingThePortNumberKeepsTheSimulator) {
    SimSession s;
    s.session->formload();
    s.window.inputanswers.push_back("2");
    s.session->change_port();
    EXPECT_EQ(internals(*s.session).driverstate().portaddress, 632);
    EXPECT_EQ(s.window.status, "Simulated port ready");
    internals(*s.session).image().flashbuffer[0] = 0x2805;
    EXPECT_EQ(s.session->run(ChipOperation::programall), RunOutcome::succeeded);
    EXPECT_EQ(s.session->board()->chip()->memory().program[0], 0x2805);
}

// Reports the four output lines after every write of the data register (default wiring).
struct LineLog {
    static std::vector<DefaultLines> of(const std::vector<testing::Access>& log) {
        std::vector<DefaultLines> out;
        for (const testing::Access& a : log) {
            if (a.write && a.address == 888) out.push_back(testing::decode_default(a.value));
        }
        return out;
    }
};

struct RecordedSession {
    FakeWindow window;
    MemorySettingsBackend backend;
    SettingsStore settings{backend};
    VirtualClock clock;
    testing::RecordingPort port{clock};
    std::unique_ptr<Session> session;

    RecordedSession() {
        SessionOptions options;
        options.clock = &clock;
        session = std::make_unique<Session>(window, settings, AppState{}, DeviceCatalogue{}, options);
        session->useport(port);
    }
};

// Another name for the same chip file (through "..", or a link) meets the same lock, which a
// program holds only during a run: one that merely has the chip in its socket keeps nobody out,
// and its next run starts from what the other program's run left in the file.
TEST(SessionSimulator, TwoNamesOfOneChipFileShareItsLock) {
    SimSession first;
    first.session->formload();
    ASSERT_FALSE(first.session->socketempty());
    const std::filesystem::path file = first.chipfile("16F84A");
    std::filesystem::create_directories(file.parent_path());
    std::optional<Result<FileLock>> run;  // another program's run
    run.emplace(FileLock::take(lockfilefor(std::filesystem::weakly_canonical(file).string()), "-", "vornalt-cli"));
    ASSERT_TRUE(run->ok()) << run->error().message;
    std::vector<std::string> names{file.string(), (file.parent_path() / ".." / "sim" / file.filename()).string()};
    if (!k_windows_rules) {
        const std::filesystem::path link = file.parent_path().parent_path() / "link.hex";
        std::filesystem::create_symlink(file, link);
        names.push_back(link.string());
    }
    for (const std::string& name : names) {
        SimSession second;
        SessionOptions options;
        options.backend = BackendKind::simulator;
        options.simchipfile = name;
        options.virtualclock = true;
        Session other(second.window, second.settings, AppState{}, testcatalogue(second.temp), options);
        other.formload();
        EXPECT_EQ(other.run(ChipOperation::eraseall), RunOutcome::notstarted) << name;
        ASSERT_EQ(second.window.messages.size(), 1u) << name;
        EXPECT_NE(second.window.messages[0].find("in use"), std::string::npos) << second.window.messages[0];
    }
    std::ofstream(file) << ":020000000628D0\n:00000001FF\n";  // what that run wrote
    run.reset();
    EXPECT_EQ(first.session->run(ChipOperation::readall), RunOutcome::succeeded);
    EXPECT_EQ(internals(*first.session).image().flashbuffer[0], 0x2806);
}

// A chip that no run changed is not written back: a copy changed elsewhere meanwhile survives.
TEST(SessionSimulator, UnchangedChipIsNotWrittenBack) {
    SimSession s;
    std::filesystem::create_directories(s.temp.folder() + "data/vornalt/sim");
    std::ofstream(s.chipfile("16F84A")) << ":020000000528D1\n:00000001FF\n";
    s.session->formload();
    ASSERT_FALSE(s.session->socketempty());
    std::ofstream(s.chipfile("16F84A")) << ":020000000628D0\n:00000001FF\n";  // changed elsewhere
    ASSERT_TRUE(s.session->finish().ok());
    std::ifstream in(s.chipfile("16F84A"));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, ":020000000628D0");
}

TEST(SessionShutdown, SwitchesVddThenVppThenClockThenDataOut) {
    for (bool bydestructor : {false, true}) {
        SCOPED_TRACE(bydestructor ? "destructor" : "shutdown()");
        RecordedSession r;
        r.session->openport();
        PortDriver& d = internals(*r.session).driver();
        d.vddon();
        d.vppon();
        d.clockon();
        d.dataouton();
        r.port.log.clear();
        if (bydestructor) {
            r.session.reset();
        } else {
            r.session->shutdown();
        }
        const std::vector<DefaultLines> lines = LineLog::of(r.port.log);
        ASSERT_GE(lines.size(), 4u);
        EXPECT_FALSE(lines[0].vdd);
        EXPECT_TRUE(lines[0].vpp) << "VDD goes first";
        EXPECT_FALSE(lines[1].vpp);
        EXPECT_TRUE(lines[1].clock);
        EXPECT_FALSE(lines[2].clock);
        EXPECT_TRUE(lines[2].dataout);
        EXPECT_FALSE(lines.back().dataout);
    }
}

TEST(SessionShutdown, TouchesNoPortThatWasNeverOpened) {
    RecordedSession r;
    r.session->shutdown();
    r.session.reset();
    EXPECT_TRUE(r.port.log.empty());
}

TEST(SessionBusy, TrueOnlyWhileARunGoesOnAndAStopAsksOnlyThen) {
    RecordedSession r;
    Session& s = *r.session;
    const SessionInternals inside = internals(s);
    s.openport();
    inside.image().flashsize = 8;
    inside.image().eepromsize = 0;
    clearbuffer(inside.image(), 0x3FFF, 0x3FFF);
    inside.model().powerorder = PowerOrder::vddfirst;
    inside.model().programscript = {"begin", "setflashloop", "s02-flash", "s06", "loop", "end"};
    std::vector<bool> seen;
    bool stopnow = false;
    r.window.onevents = [&] {
        seen.push_back(s.busy());
        if (stopnow) s.request_stop();
    };
    EXPECT_FALSE(s.busy());
    EXPECT_EQ(s.run(ChipOperation::programall), RunOutcome::succeeded);
    EXPECT_FALSE(s.busy());
    ASSERT_FALSE(seen.empty());
    EXPECT_TRUE(seen.front());

    // A stop asked for while nothing runs is not kept for the next run.
    s.request_stop();
    EXPECT_EQ(s.run(ChipOperation::programall), RunOutcome::succeeded);

    stopnow = true;
    EXPECT_EQ(s.run(ChipOperation::programall), RunOutcome::failed);
    EXPECT_TRUE(inside.engine().runstopped);
    EXPECT_FALSE(inside.driver().lineon(Line::vdd));
    EXPECT_FALSE(inside.driver().lineon(Line::vpp));
}

}  // namespace
}  // namespace vornalt
