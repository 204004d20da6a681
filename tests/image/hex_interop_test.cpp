// HEX files that no one here wrote, and HEX files checked by a reader no one here wrote:
// programs assembled by gpasm (gputils) must load word for word as the assembler's listing
// says, and every file the writer produces must be accepted by srec_cat (srecord) with the
// same data.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "image/hex_loader.h"
#include "image/hex_writer.h"
#include "image/image_test_models.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using testing::blank_image;
using testing::ModelShape;
using ByteMap = std::map<std::int64_t, int>;
using WordMap = std::map<std::int64_t, std::int32_t>;

const std::string k_pic_dir = VORNALT_PIC_BUILD_DIR;
const std::string k_srec_cat = VORNALT_SREC_CAT;

int hexvalue(const std::string& digits) { return static_cast<int>(std::stoul(digits, nullptr, 16)); }

bool ishex(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
}

// A plain reading of any Intel HEX text into absolute byte addresses, written apart from the
// loader so that the two can be checked against each other. Empty on a malformed record, with
// the reason in problem.
ByteMap read_intel_hex(const std::string& text, std::string& problem) {
    ByteMap bytes;
    std::int64_t base = 0;
    std::size_t start = 0;
    int lineno = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineno;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] != ':' || line.size() < 11 || line.size() % 2 == 0 || !ishex(line.substr(1))) {
            problem = "line " + std::to_string(lineno) + " malformed: " + line;
            return {};
        }
        std::vector<int> record;
        for (std::size_t i = 1; i < line.size(); i += 2) record.push_back(hexvalue(line.substr(i, 2)));
        int sum = 0;
        for (int b : record) sum += b;
        const auto count = static_cast<std::size_t>(record[0]);
        if (sum % 256 != 0 || record.size() != count + 5) {
            problem = "line " + std::to_string(lineno) + " bad checksum or length: " + line;
            return {};
        }
        const int address = record[1] * 256 + record[2];
        switch (record[3]) {
            case 0:
                for (std::size_t i = 0; i < count; ++i)
                    bytes[base + address + static_cast<std::int64_t>(i)] = record[4 + i];
                break;
            case 1:
                return bytes;
            case 2:
                base = (record[4] * 256 + record[5]) * 16;
                break;
            case 4:
                base = static_cast<std::int64_t>(record[4] * 256 + record[5]) << 16;
                break;
            default:
                break;  // start addresses
        }
    }
    return bytes;
}

// Word addresses and values from a gpasm listing: the LOC column, then the object code as
// four-digit words or, in the EEPROM area, two-digit bytes (taken low byte first as words).
WordMap listing_words(const std::string& listing) {
    WordMap words;
    ByteMap bytes;
    std::int64_t next_word = 0, next_byte = 0;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos) end = listing.size();
        const std::string line = listing.substr(start, end - start);
        start = end + 1;
        if (line.find("SYMBOL TABLE") != std::string::npos) break;
        if (line.size() < 22) continue;
        const std::string loc = line.substr(0, 4);
        const std::string code = line.substr(7, 15);
        if (ishex(loc)) {
            next_word = hexvalue(loc);
            next_byte = 2 * next_word;
        } else if (loc != "    ") {
            continue;  // headers, messages
        }
        std::size_t at = 0;
        while (at < code.size()) {
            while (at < code.size() && code[at] == ' ') ++at;
            std::size_t stop = code.find(' ', at);
            if (stop == std::string::npos) stop = code.size();
            const std::string token = code.substr(at, stop - at);
            at = stop;
            if (!ishex(token)) continue;
            if (token.size() == 4) words[next_word++] = hexvalue(token);
            if (token.size() == 2) bytes[next_byte++] = hexvalue(token);
        }
    }
    for (const auto& [address, value] : bytes) {
        if (address % 2 == 0)
            words[address / 2] = value + 256 * (bytes.count(address + 1) ? bytes[address + 1] : 0);
    }
    return words;
}

// The image a listing describes, as the loader is meant to place it.
MemoryImage image_from_listing(const WordMap& words, const ModelShape& model) {
    MemoryImage image = blank_image(model);
    for (const auto& [address, value] : words) {
        if (address < model.flashsize) {
            image.flashbuffer[static_cast<std::size_t>(address)] = value;
            image.loadedwords =
                std::max<std::int32_t>(image.loadedwords, static_cast<std::int32_t>(address + 1));
        } else if (address == 0x2007) {
            image.config1word = value;
        } else if (address == 0x2008) {
            if (image.config2word >= 0) image.config2word = value & 0x3FFF;
        } else if (address >= 0x2100) {
            image.eeprombuffer[static_cast<std::size_t>(address - 0x2100)] = value & 0xFF;
        }
    }
    return image;
}

struct Assembled {
    const char* program;
    ModelShape model;
    std::int32_t flashwords_listed;  // guards against a listing that parses to nothing
    std::int32_t eeprombytes_listed;
    std::int32_t word0;  // the first instruction, known by its encoding
};

const Assembled k_programs[] = {
    {"p16f84a", {1024, 64, 0x3FFF, -1}, 11, 6, 0x2805},     // goto 5
    {"p16f877a", {8192, 256, 0x3FFF, -1}, 25, 17, 0x118A},  // bcf PCLATH, 3
    {"p16f88", {4096, 256, 0x3FFF, 0x3FFF}, 3, 3, 0x0103},  // clrw
};

constexpr const char* k_no_assembler =
    "gpasm (gputils) was not found when the tests were built; install gputils";
constexpr const char* k_no_srec_cat =
    "srec_cat (srecord) was not found when the tests were built; install srecord";

bool have_assembler() {
    return !k_pic_dir.empty() && std::filesystem::exists(k_pic_dir + "/p16f84a-inhx8m.hex");
}
bool have_srec_cat() { return !k_srec_cat.empty() && std::filesystem::exists(k_srec_cat); }

TEST(AssembledPrograms, LoadWordForWordAsTheListingSays) {
    if (!have_assembler()) GTEST_SKIP() << k_no_assembler;
    int checked = 0;
    for (const Assembled& p : k_programs) {
        for (const char* format : {"inhx8m", "inhx32", "inhx8m-crlf"}) {
            const std::string stem = k_pic_dir + "/" + p.program + "-" + format;
            if (!std::filesystem::exists(stem + ".hex")) continue;  // CR LF variant of one program only
            SCOPED_TRACE(stem);
            ++checked;
            const WordMap words = listing_words(read_file(stem + ".lst").value());
            const MemoryImage expected = image_from_listing(words, p.model);
            std::int32_t flash = 0, eeprom = 0;
            for (const auto& entry : words) {
                flash += entry.first < p.model.flashsize;
                eeprom += entry.first >= 0x2100;
            }
            ASSERT_EQ(flash, p.flashwords_listed);
            ASSERT_EQ(eeprom, p.eeprombytes_listed);
            ASSERT_TRUE(words.count(0x2007));

            MemoryImage image = blank_image(p.model);
            const HexLoadResult result = loadhex(stem + ".hex", image);
            ASSERT_TRUE(result.ok) << result.message;
            EXPECT_EQ(image.flashbuffer[0], p.word0);
            EXPECT_EQ(image.flashbuffer, expected.flashbuffer);
            EXPECT_EQ(image.eeprombuffer, expected.eeprombuffer);
            EXPECT_EQ(image.config1word, expected.config1word);
            EXPECT_EQ(image.config2word, expected.config2word);
            EXPECT_EQ(image.loadedwords, expected.loadedwords);
        }
    }
    EXPECT_EQ(checked, 7);
}

TEST(AssembledPrograms, DataAtAnOddEepromOffsetIsRefused) {
    if (!have_assembler()) GTEST_SKIP() << k_no_assembler;
    // The record for the byte at offset 5 stands on line 3 (inhx8m) or 4 (after inhx32's
    // extended address record).
    const struct {
        const char* format;
        std::int64_t line;
    } cases[] = {{"inhx8m", 3}, {"inhx32", 4}};
    for (const auto& c : cases) {
        MemoryImage image = blank_image({1024, 64, 0x3FFF, -1});
        const HexLoadResult result = loadhex(k_pic_dir + "/eeprom_odd_org-" + c.format + ".hex", image);
        EXPECT_EQ(result.error, HexError::odd_address) << c.format << ": " << result.message;
        EXPECT_EQ(result.linenumber, c.line) << c.format;
    }
}

// srec_cat reads the file and writes it back as Intel HEX; its exit status says whether it
// accepted the input, and its output is read here into byte addresses.
ByteMap through_srec_cat(const std::string& path, std::string& problem) {
    const std::string command = "'" + k_srec_cat + "' '" + path + "' -intel -o - -intel 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        problem = "cannot run " + command;
        return {};
    }
    std::string output;
    char block[4096];
    for (std::size_t got; (got = std::fread(block, 1, sizeof block, pipe)) > 0;) output.append(block, got);
    if (pclose(pipe) != 0) {
        problem = "srec_cat refused the file: " + output;
        return {};
    }
    return read_intel_hex(output, problem);
}

// The bytes the writer is meant to put into the file for an image.
ByteMap expected_bytes(const MemoryImage& image, bool config2used) {
    ByteMap bytes;
    auto put_word = [&bytes](std::int64_t address, std::int32_t value) {
        bytes[address] = value & 0xFF;
        bytes[address + 1] = (value >> 8) & 0xFF;
    };
    const auto flash = flashwords(image);
    std::int64_t last = static_cast<std::int64_t>(flash.size()) - 1;
    while (last >= 0 && flash[static_cast<std::size_t>(last)] == 0x3FFF) --last;
    for (std::int64_t i = 0; i <= last; ++i) put_word(2 * i, flash[static_cast<std::size_t>(i)]);
    put_word(0x400E, image.config1word);
    if (config2used) put_word(0x4010, image.config2word);
    const auto eeprom = eeprombytes(image);
    last = static_cast<std::int64_t>(eeprom.size()) - 1;
    while (last >= 0 && eeprom[static_cast<std::size_t>(last)] == 0xFF) --last;
    for (std::int64_t k = 0; k <= last; ++k) put_word(0x4200 + 2 * k, eeprom[static_cast<std::size_t>(k)]);
    return bytes;
}

TEST(WrittenFiles, AreReadBySrecCatWithTheSameData) {
    if (!have_srec_cat()) GTEST_SKIP() << k_no_srec_cat;
    vornalt::testing::TempFolder folder;
    std::mt19937 random(7);
    struct Sample {
        const char* name;
        ModelShape model;
        bool config2used;
        double density;
    };
    const Sample samples[] = {
        {"blank", {1024, 64, 0x3FFF, -1}, false, 0.0},
        {"sparse with CONFIG2", {8192, 256, 0x3FFF, 0x3FFF}, true, 0.02},
        {"dense", {2048, 128, 0x3FFF, -1}, false, 0.9},
        {"full", {8192, 256, 0x3FFF, 0x3FFF}, true, 1.0},
        {"no EEPROM", {512, 0, 0x3FFF, -1}, false, 0.5},
    };
    for (const Sample& s : samples) {
        MemoryImage image = blank_image(s.model);
        std::bernoulli_distribution programmed(s.density);
        for (auto& w : flashwords(image)) {
            if (programmed(random)) w = static_cast<std::int32_t>(random() % 0x4000);
        }
        for (auto& b : eeprombytes(image)) {
            if (programmed(random)) b = static_cast<std::int32_t>(random() % 0x100);
        }
        if (s.density > 0) image.config1word = static_cast<std::int32_t>(random() % 0x4000);
        const std::string path = (folder.path() / (std::string(s.name) + ".hex")).string();
        ASSERT_TRUE(savehex(path, image, s.config2used).ok()) << s.name;
        std::string problem;
        const ByteMap read = through_srec_cat(path, problem);
        EXPECT_EQ(problem, "") << s.name;
        EXPECT_EQ(read, expected_bytes(image, s.config2used)) << s.name;
    }
}

TEST(WrittenFiles, AssembledProgramsSurviveLoadAndSave) {
    if (!have_assembler()) GTEST_SKIP() << k_no_assembler;
    if (!have_srec_cat()) GTEST_SKIP() << k_no_srec_cat;
    vornalt::testing::TempFolder folder;
    for (const Assembled& p : k_programs) {
        SCOPED_TRACE(p.program);
        MemoryImage image = blank_image(p.model);
        ASSERT_TRUE(loadhex(k_pic_dir + "/" + p.program + "-inhx32.hex", image).ok);
        const bool config2used = p.model.config2erased >= 0;
        const std::string path = (folder.path() / (std::string(p.program) + ".hex")).string();
        ASSERT_TRUE(savehex(path, image, config2used).ok());

        std::string problem;
        const ByteMap ours = through_srec_cat(path, problem);
        ASSERT_EQ(problem, "");
        const ByteMap theirs =
            read_intel_hex(read_file(k_pic_dir + "/" + p.program + "-inhx32.hex").value(), problem);
        ASSERT_EQ(problem, "");
        // Every byte the assembler placed is in our file at the same address, except the ID
        // locations, which the image does not hold.
        for (const auto& [address, value] : theirs) {
            if (address >= 0x4000 && address < 0x400E) continue;
            ASSERT_TRUE(ours.count(address)) << std::hex << address;
            EXPECT_EQ(ours.at(address), value) << std::hex << address;
        }
        MemoryImage again = blank_image(p.model);
        ASSERT_TRUE(loadhex(path, again).ok);
        EXPECT_TRUE(testing::same_contents(image, again));
    }
}

}  // namespace
}  // namespace vornalt
