// The example programs in data/examples: each HEX file is what its source assembles to, loads
// into its model's image with the data the source puts there, and programs and verifies on the
// simulated chip through vornalt-cli. These are the first files a new user opens, so they must
// work as shipped.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "shipped_catalogue.h"
#include "cli/cli_process.h"
#include "image/hex_loader.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using testing::SessionRig;
using testing::shippedcatalogue;
using testing::lastline;
using testing::ProcessResult;
using testing::TempFolder;
using ByteMap = std::map<std::int64_t, int>;

const std::string k_examples = VORNALT_EXAMPLES_DIR;
const std::string k_gpasm = VORNALT_GPASM;

struct Example {
    const char* stem;    // file name without .asm / .hex
    const char* model;   // catalogue name of the part it is written for
    std::int32_t word0;  // the first instruction, known by its encoding
    std::int32_t config1;
    std::vector<std::int32_t> eeprom;  // leading data EEPROM bytes the source sets
};

[[maybe_unused]] void PrintTo(const Example& e, std::ostream* os) { *os << e.stem; }

const Example k_examples_shipped[] = {
    // goto main
    {"blink_16f84a", "16F84A", 0x2805, 0x3FF1, {'B', 'L', 'I', 'N', 'K', 0x00, 0x01, 0x02}},
    // clrf PCLATH
    {"chaser_16f877a", "16F877A", 0x018A, 0x3F72, {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}},
};

std::string source(const Example& e) { return k_examples + "/" + e.stem + ".asm"; }
std::string hexfile(const Example& e) { return k_examples + "/" + e.stem + ".hex"; }

int hexdigits(const std::string& text, std::size_t at, std::size_t count) {
    return std::stoi(text.substr(at, count), nullptr, 16);
}

// The data bytes of an Intel HEX text by absolute address, whatever the record lengths and
// order. Any malformed record or bad checksum fails the test; the loader is not used here, so
// a fault in it cannot hide a difference.
ByteMap hexbytes(const std::string& text) {
    ByteMap bytes;
    std::int64_t base = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        EXPECT_TRUE(line.size() >= 11 && line[0] == ':') << line;
        if (line.size() < 11 || line[0] != ':') return {};
        const auto count = static_cast<std::size_t>(hexdigits(line, 1, 2));
        EXPECT_EQ(line.size(), 11 + 2 * count) << line;
        if (line.size() != 11 + 2 * count) return {};
        int sum = 0;
        for (std::size_t i = 1; i < line.size(); i += 2) sum += hexdigits(line, i, 2);
        EXPECT_EQ(sum % 256, 0) << "checksum: " << line;
        const int address = hexdigits(line, 3, 4);
        const int type = hexdigits(line, 7, 2);
        if (type == 0) {
            for (std::size_t i = 0; i < count; ++i)
                bytes[base + address + static_cast<std::int64_t>(i)] = hexdigits(line, 9 + 2 * i, 2);
        } else if (type == 1) {
            break;
        } else if (type == 4) {
            base = static_cast<std::int64_t>(hexdigits(line, 9, 4)) << 16;
        }
    }
    return bytes;
}

class Examples : public ::testing::TestWithParam<Example> {};

TEST_P(Examples, HexFileIsWhatTheSourceAssemblesTo) {
    if (k_gpasm.empty() || !std::filesystem::exists(k_gpasm))
        GTEST_SKIP() << "gpasm (gputils) was not found when the tests were built; install gputils "
                        "(scripts/install-deps) to check the examples against their sources";
    const Example& e = GetParam();
    TempFolder temp;
    const std::string rebuilt = temp.folder() + e.stem + ".hex";
    const ProcessResult r =
        testing::runprocess(k_gpasm, {"-q", "-a", "inhx8m", "-o", rebuilt, source(e)}, {{"LANG", "C"}});
    ASSERT_EQ(r.status, 0) << "gpasm:\n" << r.out << r.err;

    const ByteMap expected = hexbytes(read_file(rebuilt).value());
    const ByteMap committed = hexbytes(read_file(hexfile(e)).value());
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(committed, expected) << hexfile(e) << " is out of date: rebuild it with gpasm -a inhx8m from "
                                   << source(e);
}

TEST_P(Examples, LoadsIntoItsModelsImage) {
    const Example& e = GetParam();
    SessionRig bench(shippedcatalogue(), e.model);
    ASSERT_TRUE(bench.ready()) << e.model << " is not in the shipped catalogue";

    const HexLoadResult loaded = loadhex(hexfile(e), bench.image);
    ASSERT_TRUE(loaded.ok) << loaded.message;
    EXPECT_EQ(bench.image.flashbuffer[0], e.word0);
    EXPECT_EQ(bench.image.config1word, e.config1);
    EXPECT_GT(bench.image.loadedwords, 1);
    // The bytes the source sets, and nothing beyond them.
    const auto bytes = eeprombytes(bench.image);
    ASSERT_GE(bytes.size(), e.eeprom.size());
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        EXPECT_EQ(bytes[k], k < e.eeprom.size() ? e.eeprom[k] : k_blank_byte) << "EEPROM byte " << k;
    }
}

// Run as a user would: a fresh simulated chip in a temporary folder, no saved settings.
TEST_P(Examples, ProgramsAndVerifiesOnTheSimulatedChip) {
    const Example& e = GetParam();
    TempFolder temp;
    const std::map<std::string, std::string> environment{{"HOME", temp.folder() + "home"},
                                                         {"XDG_CONFIG_HOME", temp.folder() + "config"},
                                                         {"XDG_DATA_HOME", temp.folder() + "data"},
                                                         {"PATH", "/usr/bin:/bin"},
                                                         {"LANG", "C"}};
    const std::vector<std::string> common{"--catalogue", VORNALT_SHIPPED_CATALOGUE,
                                          "--model",     e.model,
                                          "--port",      "sim",
                                          "--sim-speed", "instant",
                                          "--sim-chip",  temp.folder() + "chip.hex"};
    auto run = [&](const std::string& command) {
        std::vector<std::string> args = common;
        args.push_back(command);
        args.push_back(hexfile(e));
        return testing::runprocess(VORNALT_CLI_PATH, args, environment);
    };

    ProcessResult r = run("program");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(lastline(r.out), "Chip programmed");
    r = run("verify");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(lastline(r.out), "Chip verified");
    EXPECT_FALSE(std::filesystem::exists(temp.folder() + "data")) << "the user's data folder was used";
}

INSTANTIATE_TEST_SUITE_P(Shipped, Examples, ::testing::ValuesIn(k_examples_shipped),
                         [](const auto& info) { return std::string(info.param.stem); });

// Every example in the folder is one of the cases above, so a new one cannot ship untested.
TEST(ExamplesFolder, EveryExampleIsChecked) {
    std::vector<std::string> listed;
    for (const auto& entry : std::filesystem::directory_iterator(k_examples)) {
        const std::filesystem::path& p = entry.path();
        if (p.extension() == ".asm" || p.extension() == ".hex") listed.push_back(p.stem().string());
    }
    ASSERT_FALSE(listed.empty());
    for (const std::string& stem : listed) {
        bool known = false;
        for (const Example& e : k_examples_shipped) known = known || stem == e.stem;
        EXPECT_TRUE(known) << stem << " has no case in examples_test.cpp";
        EXPECT_TRUE(std::filesystem::exists(k_examples + "/" + stem + ".asm")) << stem;
        EXPECT_TRUE(std::filesystem::exists(k_examples + "/" + stem + ".hex")) << stem;
    }
}

}  // namespace
}  // namespace vornalt
