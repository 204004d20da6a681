// Exact script bytes of our transfers, written from the public descriptions of the PICkit 2
// firmware (opcode EE = WRITE_BITS_LITERAL count,byte; F2 = WRITE_BYTE_LITERAL; EC =
// READ_BITS_BUFFER count; E8/E7 = DELAY_LONG/DELAY_SHORT of 5.46 ms / 21.33 us), not from the
// encoder's own table.
#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "pickit/script_encoder.h"

namespace vornalt::pickit {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct FrameCase {
    std::string_view what;
    Bytes (*encode)();
    Bytes expected;
};

const FrameCase k_frames[] = {
    {"Increment Address (06)", [] { Bytes s; appendcommand(s, 0x06); return s; }, {0xEE, 0x06, 0x06}},
    {"command bits above 6 are not sent", [] { Bytes s; appendcommand(s, 0x48); return s; }, {0xEE, 0x06, 0x08}},
    {"Load Data 3FFF: start and stop bits 0",
     [] { Bytes s; appendcommanddata(s, 0x02, 0x3FFF); return s; },
     {0xEE, 0x06, 0x02, 0xF2, 0xFE, 0xF2, 0x7F}},
    {"Load Configuration 1234",
     [] { Bytes s; appendcommanddata(s, 0x00, 0x1234); return s; },
     {0xEE, 0x06, 0x00, 0xF2, 0x68, 0xF2, 0x24}},
    {"Read Data (04): sixteen clocks in two bytes",
     [] { Bytes s; appendread(s, 0x04); return s; },
     {0xEE, 0x06, 0x04, 0xEC, 0x08, 0xEC, 0x08}},
    {"CLOCK on, DATA OUT off", [] { Bytes s; appendpins(s, true, false, false); return s; }, {0xF3, 0x04}},
    {"DATA OUT on", [] { Bytes s; appendpins(s, false, true, false); return s; }, {0xF3, 0x08}},
    {"DATA released for DATA IN", [] { Bytes s; appendpins(s, false, true, true); return s; }, {0xF3, 0x02}},
};

TEST(ScriptEncoder, TransfersEncodeToTheFirmwaresOpcodes) {
    for (const FrameCase& c : k_frames) {
        SCOPED_TRACE(std::string(c.what));
        EXPECT_EQ(c.encode(), c.expected);
    }
}

struct DelayCase {
    std::string_view what;
    std::int64_t ns;
    Bytes expected;
};

const DelayCase k_delays[] = {
    {"a nanosecond is one short unit", 1, {0xE7, 0x01}},
    {"just under one short unit", 21'333, {0xE7, 0x01}},
    {"just over one short unit rounds up", 21'334, {0xE7, 0x02}},
    {"1 ms is 47 short units, not 46", 1'000'000, {0xE7, 0x2F}},
    {"just under a long unit is one long unit, not 256 short", 5'461'333, {0xE8, 0x01}},
    {"just over a long unit", 5'461'334, {0xE8, 0x01, 0xE7, 0x01}},
    {"10 ms: one long unit and the rest short", 10'000'000, {0xE8, 0x01, 0xE7, 0xD5}},
    {"50 ms power step", 50'000'000, {0xE8, 0x09, 0xE7, 0x28}},
    {"2 s splits at 255 long units", 2'000'000'000, {0xE8, 0xFF, 0xE8, 0x6F, 0xE7, 0x36}},
    {"nothing for no time", 0, {}},
};

TEST(ScriptEncoder, DelaysRoundUpToTheDeviceUnitsAndSplit) {
    for (const DelayCase& c : k_delays) {
        SCOPED_TRACE(std::string(c.what));
        Bytes script;
        appenddelay_ns(script, c.ns);
        EXPECT_EQ(script, c.expected);
    }
}

TEST(ScriptEncoder, EveryDelayLastsAtLeastItsTimeAndLessThanOneShortUnitMore) {
    for (std::int64_t ns = 1; ns < 4'000'000'000; ns = ns * 3 + 7) {
        Bytes script;
        appenddelay_ns(script, ns);
        const std::int64_t lasts = delayduration_ns(script);
        EXPECT_GE(lasts, ns) << ns;
        EXPECT_LT(lasts, ns + 21'334) << ns;
        for (std::size_t i = 1; i < script.size(); i += 2) EXPECT_NE(script[i], 0) << "a count of 0 means 256";
    }
}

}  // namespace
}  // namespace vornalt::pickit
