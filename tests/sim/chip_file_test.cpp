#include "sim/chip_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "image/hex_loader.h"
#include "sim/sim_board.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using testing::TempFolder;

TEST(ChipFile, WritesTheUsualPicLayout) {
    const ChipModel& model = *findchipmodel("16F84A");
    ChipMemory memory = erasedmemory(model);
    memory.program[0] = 0x2805;
    memory.program[1] = 0x0000;
    memory.id = {0x0001, 0x0002, 0x0003, 0x0004};
    memory.config1 = 0x3FF1;
    memory.eeprom[0] = 0x12;
    memory.eeprom[9] = 0x34;
    const std::string text = chipfiletext(model, memory);
    EXPECT_EQ(text,
              ":020000040000FA\r\n"
              ":1000000005280000FF3FFF3FFF3FFF3FFF3FFF3F4F\r\n"
              ":084000000100020003000400AE\r\n"
              ":02400E00F13F80\r\n"
              ":104200001200FF00FF00FF00FF00FF00FF00FF00A3\r\n"
              ":10421000FF003400FF00FF00FF00FF00FF00FF0071\r\n"
              ":00000001FF\r\n");
}

TEST(ChipFile, RoundTripsEveryRegionOfEveryKindOfPart) {
    for (const char* name :
         {"16F84A", "16F877A", "12F675", "16F88", "16F628A", "16F690", "16F628", "16F887", "16F77", "16F917"}) {
        SCOPED_TRACE(name);
        const ChipModel& model = *findchipmodel(name);
        ChipMemory memory = factorymemory(model);
        for (std::size_t i = 0; i < memory.program.size(); i += 37) memory.program[i] = static_cast<std::int32_t>(i & 0x3FFF);
        for (std::size_t i = 0; i < memory.eeprom.size(); i += 5) memory.eeprom[i] = static_cast<std::int32_t>(i & 0xFF);
        memory.id = {0x3FFE, 0x0000, 0x1234, 0x0F0F};
        memory.config1 = 0x1F3A;
        memory.config2 = 0x3FFD;
        memory.calword = 0x1357;
        Result<ChipMemory> back = parsechipfile(chipfiletext(model, memory), model, "chip.hex");
        ASSERT_TRUE(back.ok()) << back.error().message;
        EXPECT_EQ(back.value().program, memory.program);
        EXPECT_EQ(back.value().eeprom, memory.eeprom);
        EXPECT_EQ(back.value().id, memory.id);
        EXPECT_EQ(back.value().config1, memory.config1);
        EXPECT_EQ(back.value().config2, model.has_config2 ? 0x3FFD : 0x3FFF);
        EXPECT_EQ(back.value().calword, hascalword(model) ? 0x1357 : 0x3FFF);
        EXPECT_EQ(back.value().calword2, memory.calword2);
    }
}

TEST(ChipFile, CalibrationWordsTravelAndAnErasedOneStaysErased) {
    const ChipModel& model = *findchipmodel("12F629");
    FactoryCalibration factory;
    factory.osccal = 0x3444;
    factory.bandgap = 0x1000;
    const ChipMemory fresh = factorymemory(model, factory);
    Result<ChipMemory> back = parsechipfile(chipfiletext(model, fresh), model, "chip.hex");
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value().program[0x3FF], 0x3444);
    EXPECT_EQ(back.value().config1 & k_bandgap_mask, 0x1000);

    const ChipMemory erased = erasedmemory(model);
    back = parsechipfile(chipfiletext(model, erased), model, "chip.hex");
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value().program[0x3FF], 0x3FFF) << "not re-created from the factory";
}

TEST(ChipFile, RejectsDamagedOrForeignFilesSayingWhere) {
    const ChipModel& model = *findchipmodel("16F84A");
    struct Case {
        const char* text;
        const char* message_part;
    };
    const Case cases[] = {
        {":020000000528D0\r\n:00000001FF\r\n", "chip.hex:1: checksum"},
        {"\r\n:00000001FF\r\n:02000000052800CF\r\n", nullptr},  // data after the end is not read
        {":03000000052800\r\n", "chip.hex:1: the record's length"},
        {"020000000528D1\r\n", "chip.hex:1: not an Intel HEX record"},
        {"\n:020000000528D0", "chip.hex:2: checksum"},
        {":020000000528D1\r\n", "chip.hex: no end-of-file"},
        {":020800000528C9\r\n:00000001FF\r\n", "chip.hex:1: address 0400h is not in a 16F84A"},
        {":02401000FF3F70\r\n:00000001FF\r\n", "address 2008h is not in a 16F84A"},
        {":02428000FF003D\r\n:00000001FF\r\n", "address 2140h"},
        {":020000040001F9\r\n:00000001FF\r\n", "extended address"},
        {":0400000305280000CC\r\n:00000001FF\r\n", "record type 03"},
        {":02000000G52800CF\r\n:00000001FF\r\n", "\"G5\" is not a hex byte"},
    };
    for (const Case& c : cases) {
        Result<ChipMemory> got = parsechipfile(c.text, model, "chip.hex");
        if (c.message_part == nullptr) {
            EXPECT_TRUE(got.ok()) << c.text;
            continue;
        }
        ASSERT_FALSE(got.ok()) << c.text;
        EXPECT_NE(got.error().message.find(c.message_part), std::string::npos) << got.error().message;
    }
}

TEST(ChipFile, AcceptsLowerCaseAndLeavesTheDeviceIdToThePart) {
    const ChipModel& model = *findchipmodel("16F84A");
    // Lower-case digits, an odd start address and 2006h in the data: the ID word is skipped.
    Result<ChipMemory> got =
        parsechipfile(":0100010028d6\n:02400c00ff3f74\n:00000001ff\n", model, "chip.hex");
    ASSERT_TRUE(got.ok()) << got.error().message;
    EXPECT_EQ(got.value().program[0], 0x28FF) << "high byte only, low byte left erased";
}

TEST(ChipFile, ReadsEveryLineEndTheHexLoaderReads) {
    const ChipModel& model = *findchipmodel("16F84A");
    ChipMemory memory = erasedmemory(model);
    memory.program[3] = 0x1234;
    memory.eeprom[1] = 0x5A;
    const std::string lf = chipfiletext(model, memory);
    for (const std::string& newline : {std::string("\r"), std::string("\r\n"), std::string("\n")}) {
        std::string text;
        for (char c : lf) {
            if (c == '\n') {
                text += newline;
            } else if (c != '\r') {
                text += c;
            }
        }
        Result<ChipMemory> got = parsechipfile(text, model, "chip.hex");
        ASSERT_TRUE(got.ok()) << got.error().message;
        EXPECT_EQ(got.value().program[3], 0x1234);
        EXPECT_EQ(got.value().eeprom[1], 0x5A);
    }
}

// The two readers share one record codec: what a program image may look like, a chip file may too.
TEST(ChipFile, AcceptsWhatTheHexLoaderAccepts) {
    const ChipModel& model = *findchipmodel("16F84A");
    const char* texts[] = {
        ":020006003412B2\r:00000001FF\r",                    // CR-only line ends
        ":020006003412B2   \n:00000001FF  \n",                // trailing blanks
        "; a comment\n\n:020006003412B2\n:00000001FF\n",    // comment and empty lines
        ":0400000500000000F7\n:020006003412B2\n:00000001FF\n",  // a start address record
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        MemoryImage image;
        image.flashsize = model.programwords;
        image.eepromsize = model.eeprombytes;
        clearbuffer(image, 0x3FFF, 0x3FFF);
        const HexLoadResult loaded = loadhex_text(text, image);
        ASSERT_TRUE(loaded.ok) << loaded.message;
        Result<ChipMemory> got = parsechipfile(text, model, "chip.hex");
        ASSERT_TRUE(got.ok()) << got.error().message;
        EXPECT_EQ(got.value().program[3], image.flashbuffer[3]);
        EXPECT_EQ(got.value().program[3], 0x1234);
    }
}

TEST(ChipFile, BoardSavesAndLoadsWholeFiles) {
    TempFolder folder;
    const std::string path = (folder.path() / "chip.hex").string();
    VirtualClock clock;
    SimBoard board(clock);
    EXPECT_FALSE(board.savechipfile(path).ok()) << "empty socket";
    EXPECT_FALSE(board.loadchipfile(path).ok());

    board.insert(makechip("16F877A"));
    board.chip()->memory().program[100] = 0x1234;
    board.chip()->memory().program[5000] = 0x0055;
    ASSERT_TRUE(board.savechipfile(path).ok());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << "no temporary left";

    SimBoard second(clock);
    second.insert(makechip("16F877A"));
    ASSERT_TRUE(second.loadchipfile(path).ok());
    EXPECT_EQ(second.chip()->memory().program[100], 0x1234);
    EXPECT_EQ(second.chip()->memory().program[5000], 0x0055);

    // Saves that cannot happen say which file they were for.
    for (const std::string& bad : {folder.path().string(), (folder.path() / "no" / "chip.hex").string()}) {
        const Status failed = board.savechipfile(bad);
        ASSERT_FALSE(failed.ok()) << bad;
        EXPECT_NE(failed.error().message.find(bad), std::string::npos) << failed.error().message;
    }
    EXPECT_TRUE(std::filesystem::is_directory(folder.path()));

    const Status missing = second.loadchipfile((folder.path() / "none.hex").string());
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().message.find("none.hex"), std::string::npos);

    SimBoard other(clock);
    other.insert(makechip("16F84A"));
    EXPECT_FALSE(other.loadchipfile(path).ok()) << "an 8K file does not fit a 1K part";
}

}  // namespace
}  // namespace vornalt
