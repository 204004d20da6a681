// The shipped scripts against the simulated chips' rules from the programming guides:
// every wait at least the family's worst case, Erase All leaving every model blank, Program All
// checking what it writes before the configuration words. The records as they were before these
// rules (kept below as text) fail here, which is what the rules are for.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii_case.h"
#include "shipped_catalogue.h"
#include "engine/engine_messages.h"
#include "image/hex_text.h"
#include "sim/chip_model.h"

namespace vornalt {
namespace {

using testing::SessionRig;
using testing::shippedcatalogue;
using testing::Outcome;

// Today's shipped records took these shortcuts: the 16F84A erased with the 01/07 sequence alone,
// the 16F873A-877A and 16F87/88 waited 8 ms after Chip Erase, and the 16F87xA wrote data EEPROM
// with the externally timed 18.
constexpr std::string_view k_old16f84a_erase =
    "begin,s00-3fff,s06,s06,s06,s06,s06,s06,temp=s04,checkid,end,begin,s00-3fff,s06,s06,s06,"
    "s06,s06,s06,s06,s01,s07,s08,w10,s01,s07,end";
constexpr std::string_view k_old16f877a_erase =
    "begin,s00-3fff,s06,s06,s06,s06,s06,s06,temp=s04,checkid,end,begin,s00-3fff,s1f,w8,end";
constexpr std::string_view k_old16f877a_program =
    "begin,s00-3fff,s06,s06,s06,s06,s06,s06,temp=s04,checkid,end,begin,s00-3fff,s1f,w8,end,"
    "begin,calcflash,setflashloop,s02-flash,s06,s02-flash,s06,s02-flash,s06,s02-flash,s06,"
    "s02-flash,s06,s02-flash,s06,s02-flash,s06,s02-flash,s18,wprog,s17,s06,loop,end,begin,"
    "calceeprom,seteepromloop,s03-eeprom,s18,w2,s17,s06,loop,end,begin,s00-3fff,s06,s06,s06,"
    "s06,s06,s06,s06,s02-config1,s08,w8,end";
constexpr std::string_view k_old16f88_erase =
    "begin,s00-3fff,s06,s06,s06,s06,s06,s06,temp=s04,checkid,end,begin,s00-3fff,s1f,w8,end";
// The 16F627/628 as first added: their 09 ran after a fresh power-up, with the PC at 0, so it
// cleared program memory but not CONFIG1.
constexpr std::string_view k_old16f628_erase =
    "begin,s00-3fff,s06,s06,s06,s06,s06,s06,temp=s04,checkid,end,begin,s00-3fff,s06,s06,s06,"
    "s06,s06,s06,s06,s01,s07,s08,w15,s01,s07,end,begin,s02-3fff,s09,s08,w15,s03-3fff,s0b,s08,"
    "w15,end";
// Self-timed bulk erases cut short: the 16F7x need 30 ms, the 16F88x 6 ms for each of three.
constexpr std::string_view k_short16f73_erase =
    "begin,s00-3fff,s06,s06,s06,s06,s06,s06,temp=s04,checkid,end,begin,s00-3fff,s09,w20,end";
constexpr std::string_view k_short16f887_erase =
    "begin,s00-3fff,s06,s06,s06,s06,s06,s06,temp=s04,checkid,end,begin,s09,w5,s00-3fff,s09,w5,"
    "s0b,w5,end";
// --- What a script gives each write and erase on the wire --------------------------------------

// Families whose 09/0B start the erase themselves; on the others 08 starts an armed erase.
bool selftimederases(ChipFamily family) {
    switch (family) {
        case ChipFamily::f62xa:
        case ChipFamily::f629:
        case ChipFamily::f690:
        case ChipFamily::f88x:
        case ChipFamily::f7x:
        case ChipFamily::f716:
        case ChipFamily::f91x: return true;
        case ChipFamily::f84a:
        case ChipFamily::f87x:
        case ChipFamily::f87xa:
        case ChipFamily::f88:
        case ChipFamily::f62x: return false;
    }
    return false;
}

std::int32_t commandcode(const std::string& token) {
    const std::size_t equals = token.find("=s");
    if (equals != std::string::npos) return fromhex2(asciiupper(token.substr(equals + 2, 2)));
    if (token.size() >= 3 && token.front() == 's') return fromhex2(asciiupper(token.substr(1, 2)));
    return -1;
}

// Walks a script as the chip sees it and names every write or erase whose wait (the waits up to
// the next command or power-down) is below what the family needs, or that the family cannot do.
std::vector<std::string> shortwaits(const ChipModel& part, const Script& script, std::int32_t progtime) {
    const FamilyTiming& timing = familyrules(part.family).timing;
    enum class Armed { none, program, data, setup1, setup };
    std::vector<std::string> problems;
    bool dataload = false;
    Armed armed = Armed::none;
    std::string pending;  // the command whose time is running, empty when none
    std::int64_t needed_ns = 0;
    std::int64_t given_ms = 0;

    const auto close = [&] {
        if (!pending.empty() && given_ms * 1'000'000 < needed_ns) {
            problems.push_back(pending + " waits " + std::to_string(given_ms) + " ms, needs " +
                               std::to_string(needed_ns / 1'000'000.0) + " ms");
        }
        pending.clear();
    };
    const auto start = [&](std::string_view what, std::int64_t ns) {
        if (ns <= 0) {
            problems.push_back(std::string(what) + " is no write method of this family");
            return;
        }
        pending = what;
        needed_ns = ns;
        given_ms = 0;
    };

    for (std::size_t i = 0; i < script.size(); ++i) {
        const std::string& token = script[i];
        if (token == "wprog") {
            given_ms += progtime;
            continue;
        }
        if (token.size() > 1 && token.front() == 'w') {
            given_ms += std::stoi(token.substr(1));
            continue;
        }
        const std::int32_t code = commandcode(token);
        if (token != "end" && code < 0) continue;  // no effect on the chip
        close();
        if (token == "end") {
            armed = Armed::none;
            continue;
        }
        const std::string where = "line " + std::to_string(i + 1) + " " + token;
        const Armed before = armed;
        armed = Armed::none;
        switch (code) {
            case 0x00:
            case 0x02: dataload = false; break;
            case 0x03: dataload = true; break;
            case 0x01: armed = Armed::setup1; break;
            case 0x07: armed = before == Armed::setup1 ? Armed::setup : Armed::none; break;
            case 0x09:
            case 0x0B:
                if (selftimederases(part.family)) {
                    start(where, timing.bulk_erase_ns);
                } else {
                    armed = code == 0x09 ? Armed::program : Armed::data;
                }
                break;
            case 0x11: start(where, timing.bulk_erase_ns); break;
            case 0x1F: start(where, timing.chip_erase_ns); break;
            case 0x08:
                if (before != Armed::none && before != Armed::setup1) {
                    start(where, timing.bulk_erase_ns);
                } else {
                    start(where, dataload ? timing.eeprom_write_ns : timing.write_ns);
                }
                break;
            case 0x18: start(where, dataload ? timing.eeprom_program_ns : timing.program_only_ns); break;
            default: break;
        }
    }
    close();
    return problems;
}

std::vector<std::string> shortwaits(const AppliedModel& model, const ChipModel& part) {
    std::vector<std::string> problems;
    const std::array<std::pair<const char*, const Script*>, 5> scripts{{
        {"erase", &model.erasescript},
        {"program", &model.programscript},
        {"read", &model.readscript},
        {"blankcheck", &model.blankcheckscript},
        {"verify", &model.verifyscript},
    }};
    for (const auto& [name, script] : scripts) {
        for (const std::string& problem : shortwaits(part, *script, model.progtime)) {
            problems.push_back(std::string(name) + ": " + problem);
        }
    }
    return problems;
}

TEST(ScriptRules, NoShippedWaitIsShorterThanTheFamilysWorstCase) {
    const std::vector<std::string> names = modelnames(testing::shippedcatalogue());
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        SessionRig bench(shippedcatalogue(), name);
        ASSERT_TRUE(bench.ready()) << "the simulator has no " << name;
        const std::vector<std::string> problems = shortwaits(bench.model, bench.chip().model());
        EXPECT_TRUE(problems.empty()) << problems.front();
    }
}

// The walker itself: the old records' shortcuts are what it has to find.
struct OldScriptCase {
    std::string_view model;
    std::string_view script;
    std::size_t problems;
};

TEST(ScriptRules, TheWaitCheckFindsTheOldShortcuts) {
    const std::array<OldScriptCase, 7> cases{{
        {"16F877A", k_old16f877a_erase, 1},    // Chip Erase 8 ms
        {"16F877A", k_old16f877a_program, 2},  // Chip Erase 8 ms, EEPROM by 18
        {"16F88", k_old16f88_erase, 1},        // Chip Erase 8 ms
        {"16F84A", k_old16f84a_erase, 0},      // its waits were right; its erase was not
        {"16F628", k_old16f628_erase, 0},      // the same
        {"16F73", k_short16f73_erase, 1},      // bulk erase 20 ms
        {"16F887", k_short16f887_erase, 3},    // three erases of 5 ms
    }};
    for (const OldScriptCase& c : cases) {
        SCOPED_TRACE(std::string(c.model) + ": " + std::string(c.script));
        const ChipModel* part = findchipmodel(c.model);
        ASSERT_NE(part, nullptr);
        EXPECT_EQ(shortwaits(*part, splitscript(std::string(c.script)), 2).size(), c.problems);
    }
}

// --- Erase All and Blank Check ----------------------------------------------------------------

// Every cell of the chip written (no protection): FLASH, EEPROM, ID words, CONFIG1 with the
// watchdog off, CONFIG2.
void fillchip(ChipMemory& memory, const AppliedModel& model) {
    const std::int32_t osccal = memory.program.back();  // the 12F629 family's RETLW stays one
    for (std::size_t a = 0; a < memory.program.size(); ++a) {
        memory.program[a] = static_cast<std::int32_t>(a * 0x0765 + 0x0123) & 0x3FFF;
    }
    if (!model.calibration.empty() && model.calibration.front().address < 0x2000) memory.program.back() = osccal;
    for (std::size_t k = 0; k < memory.eeprom.size(); ++k) memory.eeprom[k] = static_cast<std::int32_t>(k * 37 + 5) & 0xFF;
    memory.id = {0x0001, 0x0002, 0x0003, 0x0004};
    memory.config1 = model.config1erased & ~0x0004;
    memory.config2 = 0x3FFC;
}

TEST(ScriptRules, EraseAllLeavesEveryModelBlank) {
    for (const std::string& name : modelnames(testing::shippedcatalogue())) {
        SCOPED_TRACE(name);
        SessionRig bench(shippedcatalogue(), name);
        ASSERT_TRUE(bench.ready());
        fillchip(bench.chip().memory(), bench.model);
        const Outcome erased = bench.run(ChipOperation::eraseall);
        EXPECT_EQ(erased.endtext, "Chip erased");
        const Outcome checked = bench.run(ChipOperation::blankcheck);
        EXPECT_EQ(checked.endtext, "Chip is blank");
        EXPECT_TRUE(checked.messages.empty()) << checked.messages.front();
    }
}

// Today's records on the same chips: each shortcut leaves something behind, which the shipped
// record does not.
struct OldEraseCase {
    std::string_view model;
    std::string_view erase;
    std::string_view blankmessage;  // the first location Blank Check finds after the old erase
};

TEST(ScriptRules, TheOldEraseScriptsLeaveTheChipNotBlank) {
    const std::array<OldEraseCase, 4> cases{{
        {"16F84A", k_old16f84a_erase, "2100"},  // data EEPROM survives the 01/07 sequence
        {"16F877A", k_old16f877a_erase, "0000"},
        {"16F88", k_old16f88_erase, "0000"},
        {"16F628", k_old16f628_erase, "2000"},  // ID words and CONFIG1 survive a 09 run from address 0
    }};
    for (const OldEraseCase& c : cases) {
        SCOPED_TRACE(c.model);
        for (const bool old : {true, false}) {
            SessionRig bench(shippedcatalogue(), c.model);
            ASSERT_TRUE(bench.ready());
            fillchip(bench.chip().memory(), bench.model);
            if (old) bench.model.erasescript = splitscript(std::string(c.erase));
            EXPECT_EQ(bench.run(ChipOperation::eraseall).endtext, "Chip erased");
            const Outcome checked = bench.run(ChipOperation::blankcheck);
            EXPECT_EQ(checked.endtext, old ? "Chip is not blank" : "Chip is blank");
            if (old) {
                ASSERT_EQ(checked.messages.size(), 1u);
                EXPECT_TRUE(checked.messages.front().starts_with("Chip is not blank at address " + std::string(c.blankmessage)))
                    << checked.messages.front();
            }
        }
    }
}

// The old 16F877A Program All sent EEPROM bytes with 18, which the chip does not store there.
TEST(ScriptRules, TheOld16F877AProgramLosesTheEepromAndTheShippedOneKeepsIt) {
    for (const bool old : {true, false}) {
        SCOPED_TRACE(old ? "old record" : "shipped record");
        SessionRig bench(shippedcatalogue(), "16F877A");
        ASSERT_TRUE(bench.ready());
        if (old) bench.model.programscript = splitscript(std::string(k_old16f877a_program));
        bench.image.flashbuffer[0] = 0x2805;
        bench.image.eeprombuffer[0] = 0x42;
        bench.run(ChipOperation::programall);
        const Outcome verified = bench.run(ChipOperation::verify);
        EXPECT_EQ(verified.endtext, old ? "Chip verify failed" : "Chip verified");
        EXPECT_EQ(bench.chipmemory().eeprom.front(), old ? 0xFF : 0x42);
    }
}

// --- Program All checks before the configuration words ----------------------------------------

// One model of each family with CONFIG1 (as the image gives it) protecting code and data.
struct ProtectedCase {
    std::string_view model;
    std::int32_t config1;
};

constexpr std::array<ProtectedCase, 13> k_protected{{
    {"16F84A", 0x000F}, {"16F84", 0x000F}, {"16F877", 0x0ECF}, {"16F877A", 0x1EFF},
    {"16F628A", 0x1EFF}, {"12F675", 0x31C4 & ~0x0180}, {"16F690", 0x3F3F}, {"16F88", 0x1EFF},
    {"16F628", 0x00FF}, {"16F887", 0x3F3F}, {"16F917", 0x3F3F}, {"16F77", 0x3FEF},
    {"16F716", 0x1FFF},
}};

// 37 words (ending inside a write block) and five EEPROM bytes where the part has data EEPROM.
void smallimage(MemoryImage& image) {
    for (std::int32_t a = 0; a < 37; ++a) image.flashbuffer[static_cast<std::size_t>(a)] = (0x2800 + a * 0x0111) & 0x3FFF;
    const auto bytes = eeprombytes(image);
    for (std::size_t k = 0; k < bytes.size() && k < 5; ++k) bytes[k] = 0x30 + static_cast<std::int32_t>(k);
}

// Program All checks every word and byte while it can still read them, so a protected image
// programs cleanly. Verify afterwards reads the protected memory as 0, as on any protected chip,
// and says so at the first word.
TEST(ScriptRules, ACodeProtectedImageIsCheckedWhileProgrammingAndVerifyAfterwardsCannotRead) {
    for (const ProtectedCase& c : k_protected) {
        SCOPED_TRACE(c.model);
        SessionRig bench(shippedcatalogue(), c.model);
        ASSERT_TRUE(bench.ready());
        smallimage(bench.image);
        bench.image.config1word = c.config1;

        const Outcome programmed = bench.run(ChipOperation::programall);
        EXPECT_EQ(programmed.endtext, "Chip programmed");
        EXPECT_TRUE(programmed.messages.empty()) << programmed.messages.front();
        EXPECT_EQ(bench.chipmemory().program[36], bench.image.flashbuffer[36]);
        if (!bench.chipmemory().eeprom.empty()) {
            EXPECT_EQ(bench.chipmemory().eeprom[4], 0x34);
        }

        // The failure says why when the image's configuration word protects the chip, and only then.
        const std::string failure = verifymessage("0000", "0000", tohex4(bench.image.flashbuffer[0]));
        for (const bool imageprotects : {true, false}) {
            SCOPED_TRACE(imageprotects);
            if (!imageprotects) bench.image.config1word = bench.model.config1erased;
            const Outcome verified = bench.run(ChipOperation::verify);
            EXPECT_EQ(verified.endtext, "Chip verify failed");
            ASSERT_EQ(verified.messages.size(), 1u);
            EXPECT_EQ(verified.messages.front(), imageprotects ? failure + protectedverifyline() : failure);
        }
    }
}

// A write that does not land (the programming time cut to nothing) is caught by Program All
// itself at the first word, before any configuration word is written.
TEST(ScriptRules, ProgramAllStopsAtTheFirstWordThatDidNotLand) {
    for (const ProtectedCase& c : k_protected) {
        SCOPED_TRACE(c.model);
        SessionRig bench(shippedcatalogue(), c.model);
        ASSERT_TRUE(bench.ready());
        smallimage(bench.image);
        bench.image.config1word = c.config1;
        const std::int32_t config1 = bench.chipmemory().config1;
        bench.model.progtime = 0;

        const Outcome programmed = bench.run(ChipOperation::programall);
        EXPECT_EQ(programmed.endtext, "Chip programming failed");
        // A record with a recovery section (the 12F629 family) then tries to put its calibration
        // back, with writes just as short, and says that it could not.
        const Script& script = bench.model.programscript;
        const bool recovers = std::find(script.begin(), script.end(), "onfail") != script.end();
        ASSERT_EQ(programmed.messages.size(), recovers ? 2u : 1u);
        EXPECT_TRUE(programmed.messages.front().starts_with("Verify failed at address 0000h!"))
            << programmed.messages.front();
        if (recovers) {
            EXPECT_TRUE(programmed.messages.back().starts_with("Calibration word could not be restored"));
        }
        // The erase takes kept calibration bits (the 12F629 family's bandgap); no write the others.
        std::int32_t kept = 0;
        for (const CalibrationCell& cell : bench.model.calibration) kept |= cell.address == 0x2007 ? cell.mask : 0;
        EXPECT_EQ(bench.chipmemory().config1 | kept, config1 | kept)
            << "no configuration word is written after a failed check";
    }
}

}  // namespace
}  // namespace vornalt
