#include "port/line_trace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/unavailable_port.h"
#include "port_fakes.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using testing::Rig;

struct Change {
    std::int64_t time;
    std::string line;
    char level;
};

// A small VCD reader: checks what viewers rely on (declared identifiers, one definitions
// section, strictly increasing stamps) and returns the changes in order.
struct Vcd {
    std::vector<Change> changes;
    std::vector<std::string> errors;
    std::int64_t end_time = -1;

    explicit Vcd(const std::string& text) {
        std::istringstream in(text);
        std::map<char, std::string> names;
        std::string word;
        bool definitions = true;
        std::int64_t time = -1;
        while (in >> word) {
            if (definitions) {
                if (word == "$var") {
                    std::string type, width, id, name, end;
                    in >> type >> width >> id >> name >> end;
                    if (type != "wire" || width != "1" || id.size() != 1 || end != "$end") errors.push_back("bad $var");
                    names[id[0]] = name;
                } else if (word == "$enddefinitions") {
                    definitions = false;
                    in >> word;
                }
                continue;
            }
            // Initial values: every line must start unknown.
            if (word == "$dumpvars") {
                while (in >> word && word != "$end") {
                    if (word[0] != 'x') errors.push_back("initial " + word);
                }
                continue;
            }
            if (word[0] == '#') {
                const std::int64_t t = std::stoll(word.substr(1));
                if (t <= time) errors.push_back("stamp " + word + " does not increase");
                time = t;
                end_time = t;
                continue;
            }
            if (word.size() != 2 || std::string("01xz").find(word[0]) == std::string::npos || !names.count(word[1])) {
                errors.push_back("bad change " + word);
                continue;
            }
            changes.push_back({time, names[word[1]], word[0]});
        }
        if (definitions) errors.push_back("no $enddefinitions");
        if (names.size() != 5) errors.push_back("expected five lines");
    }

    // Level of every line after each stamp's changes; `at` collects DATA_OUT at CLOCK's falls.
    std::vector<int> dataout_at_falling_clock() const {
        std::vector<int> bits;
        char clock = 'x', dataout = 'x';
        for (const Change& c : changes) {
            if (c.line == "DATA_OUT") dataout = c.level;
            if (c.line != "CLOCK") continue;
            if (clock == '1' && c.level == '0') bits.push_back(dataout == '1' ? 1 : dataout == '0' ? 0 : -1);
            clock = c.level;
        }
        return bits;
    }

    std::vector<Change> of(const std::string& line) const {
        std::vector<Change> out;
        for (const Change& c : changes) {
            if (c.line == line) out.push_back(c);
        }
        return out;
    }
};

// A port that charges a fixed time per register access, like a real one.
class CostlyPort final : public PortIo {
public:
    CostlyPort(PortIo& inner, VirtualClock& clock, std::int64_t cost_ns) : inner_(inner), clock_(clock), cost_(cost_ns) {}
    void write(std::uint16_t a, std::uint8_t v) override {
        clock_.advance_ns(cost_);
        inner_.write(a, v);
    }
    std::uint8_t read(std::uint16_t a) override {
        clock_.advance_ns(cost_);
        return inner_.read(a);
    }

private:
    PortIo& inner_;
    VirtualClock& clock_;
    std::int64_t cost_;
};

std::vector<int> lsb_first(std::int32_t value, int count) {
    std::vector<int> bits;
    for (int i = 0; i < count; ++i) bits.push_back((value >> i) & 1);
    return bits;
}

TEST(LineTrace, CommandWithDataShowsDataOutBitsAtFallingClockEdges) {
    for (std::int64_t cost_ns : {0, 1000}) {  // a clock that stands still, and a real-port pace
        Rig rig;
        rig.driver.setidle();
        rig.port.log.clear();
        CostlyPort costly(rig.port, rig.clock, cost_ns);
        std::ostringstream out;
        LineTrace trace(costly, rig.state, rig.clock, out);
        rig.driver.setio(trace);
        rig.transfers.sendcommanddata(0x02, 0x1A5);
        trace.finish();

        const Vcd vcd(out.str());
        EXPECT_THAT(vcd.errors, ::testing::IsEmpty()) << out.str();
        std::vector<int> expected = lsb_first(0x02, 6);
        expected.push_back(0);  // start clock
        for (int b : lsb_first(0x1A5, 14)) expected.push_back(b);
        expected.push_back(0);  // stop clock
        EXPECT_EQ(vcd.dataout_at_falling_clock(), expected) << "cost " << cost_ns;
        EXPECT_EQ(rig.port.log.size(), 66U * 3U) << "every access passes through";
        if (cost_ns > 0) {
            // Stamps come from the clock: the k-th access lands at k microseconds.
            for (const Change& c : vcd.changes) EXPECT_EQ(c.time % cost_ns, 0) << c.line << " at " << c.time;
            EXPECT_EQ(vcd.end_time, rig.clock.now_ns());
        }
    }
}

// Past a virtual clock's saturated reading the stamps neither wrap negative nor stop increasing.
TEST(LineTrace, StampsAtTheEndOfVirtualTimeStayValid) {
    Rig rig;
    std::ostringstream out;
    LineTrace trace(rig.port, rig.state, rig.clock, out);
    rig.driver.setio(trace);
    rig.clock.advance_ns(VirtualClock::k_end_of_time);
    for (int i = 0; i < 3; ++i) {
        rig.driver.clockon();
        rig.driver.clockoff();
    }
    trace.finish();
    const Vcd vcd(out.str());
    EXPECT_THAT(vcd.errors, ::testing::IsEmpty()) << out.str();
    EXPECT_EQ(vcd.end_time, VirtualClock::k_end_of_time);
}

TEST(LineTrace, LinesStayUnknownUntilTheirRegisterIsWritten) {
    Rig rig;
    rig.state.pin(Line::vpp) = 17;  // a control pin
    rig.state.inversion(Line::vpp) = 0;
    rig.state.pin(Line::clock) = 12;  // an input pin: CLOCK can never be driven there
    rig.port.status = 0x40;   // DATA IN (pin 10, inverted) reads 0
    std::ostringstream out;
    LineTrace trace(rig.port, rig.state, rig.clock, out);

    trace.write(888, 0x04);  // VDD on
    {
        const Vcd vcd(out.str());
        EXPECT_THAT(vcd.errors, ::testing::IsEmpty());
        ASSERT_EQ(vcd.of("VDD").size(), 1U);
        EXPECT_EQ(vcd.of("VDD")[0].level, '1');
        EXPECT_TRUE(vcd.of("VPP").empty()) << "the control register is still unknown";
        EXPECT_TRUE(vcd.of("DATA_IN").empty());
    }
    trace.write(890, 0x00);  // pin 17 high: VPP on
    trace.read(889);
    trace.write(890, 0x08);  // VPP off
    trace.finish();
    const Vcd vcd(out.str());
    EXPECT_THAT(vcd.errors, ::testing::IsEmpty());
    const auto vpp = vcd.of("VPP");
    ASSERT_EQ(vpp.size(), 2U);
    EXPECT_EQ(vpp[0].level, '1');
    EXPECT_EQ(vpp[1].level, '0');
    EXPECT_GT(vpp[0].time, vcd.of("VDD")[0].time);
    EXPECT_TRUE(vcd.of("CLOCK").empty()) << "CLOCK on an input pin stays unknown";
    ASSERT_EQ(vcd.of("DATA_IN").size(), 1U);
    EXPECT_EQ(vcd.of("DATA_IN")[0].level, '0');
}

TEST(LineTrace, DataInIsTheReadingTheDriverMakes) {
    struct Case {
        std::int32_t pin, invert;
        std::uint8_t status;
        char reading;
    };
    for (const Case c : {Case{11, 0, 0x80, '0'}, Case{11, 0, 0x00, '1'}, Case{10, 1, 0x40, '0'}, Case{10, 1, 0x00, '1'},
                         Case{2, 1, 0xFF, '1'}}) {
        Rig rig;
        rig.state.pin(Line::datain) = c.pin;
        rig.state.inversion(Line::datain) = c.invert;
        rig.port.status = c.status;
        std::ostringstream out;
        LineTrace trace(rig.port, rig.state, rig.clock, out);
        rig.driver.setio(trace);
        const std::int32_t reading = rig.driver.readdatain();
        const auto datain = Vcd(out.str()).of("DATA_IN");
        ASSERT_EQ(datain.size(), 1U);
        EXPECT_EQ(datain[0].level, c.reading) << "pin " << c.pin;
        EXPECT_EQ(datain[0].level, reading == 1 ? '1' : '0');
    }
}

TEST(LineTrace, PassesAvailabilityThrough) {
    Rig rig;
    UnavailablePort absent("no port here");
    std::ostringstream out;
    LineTrace trace(absent, rig.state, rig.clock, out);
    EXPECT_FALSE(trace.available());
    EXPECT_EQ(trace.reason(), "no port here");
}

TEST(LineTraceFile, TakesItsNameOnlyWhenClosed) {
    testing::TempFolder folder;
    const auto path = folder.path() / "run.vcd";
    Rig rig;
    rig.driver.setidle();
    auto file = LineTraceFile::open(path, rig.port, rig.state, rig.clock);
    ASSERT_TRUE(file.ok()) << file.error().message;
    rig.driver.setio(file.value()->port());
    rig.transfers.sendcommand(6);
    EXPECT_FALSE(std::filesystem::exists(path));
    const auto names = [&folder] {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            found.push_back(entry.path().filename().string());
        }
        return found;
    };
    ASSERT_EQ(names().size(), 1u);
    EXPECT_EQ(names()[0].rfind(".vornalt-", 0), 0u) << names()[0];
    ASSERT_TRUE(file.value()->close().ok());
    EXPECT_EQ(names(), std::vector<std::string>{"run.vcd"});
    std::ifstream in(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Vcd vcd(text);
    EXPECT_THAT(vcd.errors, ::testing::IsEmpty());
    EXPECT_EQ(vcd.dataout_at_falling_clock(), lsb_first(6, 6));
}

TEST(LineTraceFile, UnwritableFolderIsAnError) {
    testing::TempFolder folder;
    Rig rig;
    const auto path = folder.path() / "missing" / "run.vcd";
    auto file = LineTraceFile::open(path, rig.port, rig.state, rig.clock);
    ASSERT_FALSE(file.ok());
    EXPECT_THAT(file.error().message, ::testing::HasSubstr(path.string()));
    EXPECT_THAT(file.error().message, ::testing::HasSubstr("No such file or directory"));
}

}  // namespace
}  // namespace vornalt

namespace vornalt {
namespace {

// A link whose DATA IN reads back the DATA OUT line last put, so a reading can be told apart.
class LoopbackLink final : public LineLink {
public:
    void put(const OutputLines& lines) override { last_ = lines; }
    std::int64_t sample() override {
        readings_.push_back(last_[lineindex(Line::dataout)]);
        return static_cast<std::int64_t>(readings_.size()) - 1;
    }
    Status flush() override { return status_; }
    const Status& status() const override { return status_; }
    bool value(std::int64_t sample) const override { return readings_.at(static_cast<std::size_t>(sample)); }
    bool hold_us(std::int64_t) override { return true; }
    void drop() override {}

private:
    OutputLines last_{};
    std::vector<bool> readings_;
    Status status_;
};

// Behind a batched link the trace records what each flush sent, in order, with DATA IN as read;
// what a stop dropped never reached the wire and is not in the trace.
TEST(LineTraceFile, RecordsTheLinesBehindABatchedLink) {
    testing::TempFolder folder;
    const auto path = folder.path() / "usb.vcd";
    Rig rig;
    LoopbackLink loopback;
    auto file = LineTraceFile::open(path, rig.port, rig.state, rig.clock);
    ASSERT_TRUE(file.ok()) << file.error().message;
    rig.driver.setlink(file.value()->link(&loopback));
    rig.driver.setidle();
    rig.transfers.sendcommand(6);
    rig.driver.dataouton();
    EXPECT_EQ(rig.driver.readdatain(), 1);  // flushes
    rig.driver.vddon();
    rig.driver.link()->drop();
    rig.driver.setlink(nullptr);
    ASSERT_TRUE(file.value()->close().ok());

    std::ifstream in(path);
    const Vcd vcd(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    EXPECT_THAT(vcd.errors, ::testing::IsEmpty());
    EXPECT_EQ(vcd.dataout_at_falling_clock(), lsb_first(6, 6));
    ASSERT_EQ(vcd.of("DATA_IN").size(), 1u);
    EXPECT_EQ(vcd.of("DATA_IN")[0].level, '1');
    for (const Change& c : vcd.of("VDD")) EXPECT_EQ(c.level, '0') << "the dropped VDD on is in the trace";
}

}  // namespace
}  // namespace vornalt
