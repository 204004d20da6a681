#include "engine/instruction.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vornalt {
namespace {

// What a line decodes into: the action and the cell it works on, if any.
struct Form {
    Form(Op o, Cell c = Cell::none) : op(o), cell(c) {}  // NOLINT(google-explicit-constructor)
    Op op;
    Cell cell;
};

struct DecodeCase {
    std::string line;
    Form form;
    std::int32_t code = -1;
    std::int32_t word = -1;
    std::int32_t waitms = 0;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << "'" << c.line << "'"; }

class DecodeLine : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeLine, RecognisesTheFormAndItsArguments) {
    const DecodeCase& c = GetParam();
    const Instruction in = decodeline(c.line);
    EXPECT_EQ(static_cast<int>(in.op), static_cast<int>(c.form.op)) << "line '" << c.line << "'";
    EXPECT_EQ(static_cast<int>(in.cell), static_cast<int>(c.form.cell)) << "line '" << c.line << "'";
    EXPECT_EQ(in.code, c.code) << "line '" << c.line << "'";
    EXPECT_EQ(in.word, c.word) << "line '" << c.line << "'";
    EXPECT_EQ(in.waitms, c.waitms) << "line '" << c.line << "'";
}

INSTANTIATE_TEST_SUITE_P(Keywords, DecodeLine,
                         ::testing::Values(DecodeCase{"begin", Op::begin}, DecodeCase{"end", Op::end},
                                           DecodeCase{"calcflash", Op::calcflash},
                                           DecodeCase{"calceeprom", Op::calceeprom},
                                           DecodeCase{"setflashloop", Op::setflashloop},
                                           DecodeCase{"seteepromloop", Op::seteepromloop},
                                           DecodeCase{"loop", Op::loop}, DecodeCase{"onfail", Op::onfail},
                                           DecodeCase{"checkblankflash", {Op::checkblank, Cell::flash}},
                                           DecodeCase{"checkblankeeprom", {Op::checkblank, Cell::eeprom}},
                                           DecodeCase{"checkblankconfig1", {Op::checkblank, Cell::config1}},
                                           DecodeCase{"checkblankconfig2", {Op::checkblank, Cell::config2}},
                                           DecodeCase{"checkflash", {Op::check, Cell::flash}},
                                           DecodeCase{"checkeeprom", {Op::check, Cell::eeprom}},
                                           DecodeCase{"checkconfig1", {Op::check, Cell::config1}},
                                           DecodeCase{"checkconfig2", {Op::check, Cell::config2}},
                                           DecodeCase{"checkwrittenflash", {Op::checkwritten, Cell::flash}},
                                           DecodeCase{"checkwritteneeprom", {Op::checkwritten, Cell::eeprom}},
                                           DecodeCase{"wprog", Op::wprog}));

// Keywords are compared exactly: a blank or a capital makes the line something else.
INSTANTIATE_TEST_SUITE_P(
    ExactKeywords, DecodeLine,
    ::testing::Values(DecodeCase{" end", Op::unrecognised}, DecodeCase{"end ", Op::unrecognised},
                      DecodeCase{"End", Op::unrecognised}, DecodeCase{"", Op::unrecognised},
                      DecodeCase{"loop ", Op::unrecognised}, DecodeCase{"checkflash2", Op::unrecognised},
                      DecodeCase{"setflashloop ", Op::unrecognised},
                      // Begins with "w": a wait of whatever number follows (here none).
                      DecodeCase{"wprog ", Op::wait, -1, -1, 0}, DecodeCase{"wait", Op::wait, -1, -1, 0}));

INSTANTIATE_TEST_SUITE_P(
    Sends, DecodeLine,
    ::testing::Values(DecodeCase{"s02-flash", {Op::send, Cell::flash}, 0x02},
                      DecodeCase{"s03-eeprom", {Op::send, Cell::eeprom}, 0x03},
                      DecodeCase{"s00-config1", {Op::send, Cell::config1}, 0x00},
                      DecodeCase{"s00-config2", {Op::send, Cell::config2}, 0x00},
                      // Lower- and upper-case digits give the same code.
                      DecodeCase{"s1f-flash", {Op::send, Cell::flash}, 0x1F},
                      DecodeCase{"s1F-flash", {Op::send, Cell::flash}, 0x1F},
                      // What stands between the code and the ending is ignored.
                      DecodeCase{"s02 whatever-flash", {Op::send, Cell::flash}, 0x02},
                      // An invalid code still makes the form; the driver refuses it later.
                      DecodeCase{"sxx-flash", {Op::send, Cell::flash}, -1},
                      DecodeCase{"s-flash", {Op::send, Cell::flash}, -1},
                      // Codes above 3F parse; only the driver knows they are too big.
                      DecodeCase{"s40", Op::sendcommand, 0x40}, DecodeCase{"s0g", Op::sendcommand, -1},
                      DecodeCase{"s06", Op::sendcommand, 0x06}, DecodeCase{"sff", Op::sendcommand, 0xFF},
                      DecodeCase{"s02-3fff", Op::senddata, 0x02, 0x3FFF},
                      DecodeCase{"s02-12ab", Op::senddata, 0x02, 0x12AB},
                      DecodeCase{"s02-12ag", Op::senddata, 0x02, -1},
                      // Eight characters ending in "-flash" is still the FLASH form (it comes first).
                      DecodeCase{"s0-flash", {Op::send, Cell::flash}, -1},
                      // Neither length 3 nor 8 with the dash at 4: not a send at all.
                      DecodeCase{"s0", Op::unrecognised}, DecodeCase{"s066", Op::unrecognised},
                      DecodeCase{"s02x3fff", Op::unrecognised}, DecodeCase{"s02-3ffff", Op::unrecognised}));

INSTANTIATE_TEST_SUITE_P(Reads, DecodeLine,
                         ::testing::Values(DecodeCase{"flash=s04", {Op::read, Cell::flash}, 0x04},
                                           DecodeCase{"eeprom=s05", {Op::read, Cell::eeprom}, 0x05},
                                           DecodeCase{"config1=s04", {Op::read, Cell::config1}, 0x04},
                                           DecodeCase{"config2=s04", {Op::read, Cell::config2}, 0x04},
                                           DecodeCase{"temp=s04", {Op::read, Cell::temp}, 0x04},
                                           DecodeCase{"temp=s2a", {Op::read, Cell::temp}, 0x2A},
                                           // Whatever follows the code is ignored.
                                           DecodeCase{"flash=s04 and more", {Op::read, Cell::flash}, 0x04},
                                           // A code cut short by the end of the line is invalid.
                                           DecodeCase{"flash=s", {Op::read, Cell::flash}, -1},
                                           DecodeCase{"temp=s0", {Op::read, Cell::temp}, -1},
                                           DecodeCase{"flash=04", Op::unrecognised},
                                           DecodeCase{"temp= s04", Op::unrecognised}));

// The device-ID and calibration forms.
INSTANTIATE_TEST_SUITE_P(
    Calibration, DecodeLine,
    ::testing::Values(DecodeCase{"checkid", Op::checkid}, DecodeCase{"keepflash", {Op::keep, Cell::flash}},
                      DecodeCase{"calckept", Op::calckept}, DecodeCase{"keep-2007", Op::keep, -1, 0x2007},
                      DecodeCase{"keep-03ff", Op::keep, -1, 0x03FF},
                      DecodeCase{"keep-2g07", Op::keep, -1, -1}, DecodeCase{"keep-207", Op::unrecognised},
                      DecodeCase{"s02-kept", {Op::sendkept, Cell::flash}, 0x02},
                      DecodeCase{"s02-keptconfig1", {Op::sendkept, Cell::config1}, 0x02},
                      DecodeCase{"s08-keptconfig2", {Op::sendkept, Cell::config2}, 0x08},
                      DecodeCase{"checkkeptflash", {Op::checkkept, Cell::flash}},
                      DecodeCase{"checkkept-2009", Op::checkkept, -1, 0x2009},
                      DecodeCase{"checkkept-20x9", Op::checkkept, -1, -1},
                      DecodeCase{"checkkept-209", Op::unrecognised},
                      DecodeCase{"checkid ", Op::unrecognised}));

// The user ID words: one cell per word, digits 0-3 only, the other forms' rules otherwise.
INSTANTIATE_TEST_SUITE_P(
    UserIds, DecodeLine,
    ::testing::Values(DecodeCase{"s02-userid0", {Op::send, Cell::userid0}, 0x02},
                      DecodeCase{"s02-userid3", {Op::send, Cell::userid3}, 0x02},
                      DecodeCase{"s02-userid4", Op::unrecognised}, DecodeCase{"s02userid1", Op::unrecognised},
                      DecodeCase{"userid2=s04", {Op::read, Cell::userid2}, 0x04},
                      DecodeCase{"userid1=s", {Op::read, Cell::userid1}, -1},
                      DecodeCase{"userid=s04", Op::unrecognised},
                      DecodeCase{"checkuserid1", {Op::check, Cell::userid1}},
                      DecodeCase{"checkblankuserid3", {Op::checkblank, Cell::userid3}},
                      DecodeCase{"checkuserid", Op::unrecognised}, DecodeCase{"checkuserid01", Op::unrecognised}));

INSTANTIATE_TEST_SUITE_P(
    Waits, DecodeLine,
    ::testing::Values(DecodeCase{"w10", Op::wait, -1, -1, 10}, DecodeCase{"w", Op::wait, -1, -1, 0},
                      DecodeCase{"w 25", Op::wait, -1, -1, 25}, DecodeCase{"w12ms", Op::wait, -1, -1, 12},
                      // Rounded to the nearest whole number, halves to the even one.
                      DecodeCase{"w2.5", Op::wait, -1, -1, 2}, DecodeCase{"w3.5", Op::wait, -1, -1, 4},
                      DecodeCase{"w2.6", Op::wait, -1, -1, 3}, DecodeCase{"wabc", Op::wait, -1, -1, 0},
                      // A negative wait waits nothing.
                      DecodeCase{"w-5", Op::wait, -1, -1, 0}));

TEST(MemoryStepping, NamesExactlyTheInstructionsThatMoveTheAddressCounter) {
    const char* stepping[] = {"s02-flash",       "s03-eeprom",       "flash=s04",  "eeprom=s05",
                              "checkblankflash", "checkblankeeprom", "checkflash", "checkeeprom",
                              "keepflash",       "s02-kept"};
    // Every form of the language once.
    const char* forms[] = {"begin", "end", "calcflash", "calceeprom", "setflashloop", "seteepromloop", "loop",
                           "calckept", "onfail", "s02-flash", "s03-eeprom", "s00-config1", "s00-config2", "s02-kept",
                           "s02-keptconfig1", "s02-keptconfig2", "flash=s04", "eeprom=s05", "config1=s04",
                           "config2=s04", "temp=s04", "checkblankflash", "checkblankeeprom",
                           "checkblankconfig1", "checkblankconfig2", "checkflash", "checkeeprom", "checkconfig1", "checkconfig2",
                           "checkid", "checkwrittenflash", "checkwritteneeprom", "keepflash", "keep-2007",
                           "checkkeptflash", "checkkept-2007", "s02-userid0", "userid1=s04", "checkuserid2",
                           "checkblankuserid3",
                           "s02-3fff", "s06", "wprog", "w10", "nonsense"};
    int count = 0;
    for (const char* line : forms) {
        if (memorystepping(decodeline(line))) ++count;
    }
    EXPECT_EQ(count, 10);
    for (const char* line : stepping) EXPECT_TRUE(memorystepping(decodeline(line))) << line;
    EXPECT_EQ(static_cast<int>(decodeline("checkflash").cell), static_cast<int>(Cell::flash));
    EXPECT_NE(static_cast<int>(decodeline("checkeeprom").cell), static_cast<int>(Cell::flash));
}

}  // namespace
}  // namespace vornalt
