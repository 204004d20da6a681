// Peak memory of vornalt-cli on large inputs: a HEX file and a chip file of an eighth of the HEX
// cap, catalogues of an eighth of the catalogue cap. A run may grow beyond the program's own
// footprint (its peak on the shipped catalogue alone) by four times the input's size plus what
// one run holds whatever the file (decoded scripts up to their line cap, buffers): at the caps
// that stays within the 256 MiB the program promises, and an input that costs tens of times its
// size (a 16 MiB catalogue of commas once took 1369 MiB) fails at any size. An eighth keeps the
// cases to seconds in a debug build (getrusage of the finished process).
//
// The files are written a line at a time so this process stays small: a forked child counts the
// parent's resident pages until it executes the program.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "catalogue/catalogue.h"
#include "cli_process.h"
#include "image/hex_record.h"
#include "image/hex_text.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using testing::ProcessResult;
using testing::TempFolder;

constexpr std::size_t k_hex_input_bytes = k_max_hex_bytes / 8;
constexpr std::size_t k_catalogue_input_bytes = k_max_catalogue_bytes / 8;
// Resident memory a run may add to the program's own: per byte of its largest input, and once.
constexpr long k_growth_per_input_byte = 4;
constexpr long k_run_allowance_kib = 32 * 1024;
// How far under its size a generated file stays: one line more must not push it over.
constexpr std::size_t k_headroom = 4096;

// Writes lines from make(i) until the next one would pass `limit` bytes; returns the size.
std::size_t writeupto(const std::string& path, std::size_t limit, const std::string& head,
                      const std::function<std::string(std::size_t)>& make, const std::string& tail) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << head;
    std::size_t written = head.size() + tail.size();
    for (std::size_t i = 0;; ++i) {
        const std::string line = make(i);
        if (written + line.size() > limit) break;
        out << line;
        written += line.size();
    }
    out << tail;
    return written;
}

std::string hexrecord(std::string_view body) { return ":" + std::string(body) + hexchecksum(body) + "\r\n"; }

// Data records of 16 bytes sweeping FLASH (8192 words), CONFIG1 and 256 EEPROM
// bytes over and over, each pass with other values, then the end record: every record is
// accepted and lands in the image of an 8192-word part.
std::string bigimage(const TempFolder& temp, const std::string& name) {
    const std::string path = temp.folder() + name;
    constexpr std::size_t k_flash_records = 8192 * 2 / 16;
    constexpr std::size_t k_eeprom_records = 256 * 2 / 16;
    constexpr std::size_t k_pass = k_flash_records + 1 + k_eeprom_records;
    const std::size_t size = writeupto(
        path, k_hex_input_bytes - k_headroom, "",
        [](std::size_t i) {
            const std::size_t pass = i / k_pass;
            const std::size_t at = i % k_pass;
            if (at == k_flash_records) return hexrecord("02400E00" + tohex2(static_cast<std::int32_t>(pass & 0xFF)) + "3F");
            std::string body = "10";
            const std::size_t address = at < k_flash_records ? at * 16 : 0x4200 + (at - k_flash_records - 1) * 16;
            body += tohex4(static_cast<std::int32_t>(address)) + "00";
            for (int word = 0; word < 8; ++word) {
                const auto value = static_cast<std::int32_t>((pass * 131 + at * 8 + static_cast<std::size_t>(word)) & 0xFF);
                body += tohex2(value) + (at < k_flash_records ? tohex2(value & 0x3F) : "00");
            }
            return hexrecord(body);
        },
        ":00000001FF\r\n");
    EXPECT_GT(size, k_hex_input_bytes - 2 * k_headroom);
    return path;
}

// Copies of one record until the file is full: every script of it as long as a script may be
// (k_max_script_lines "s06" lines, the shortest real instruction), so a record is as costly to
// hold and to run as any the catalogue admits.
std::string longestscripts(const TempFolder& temp) {
    std::string script;
    for (std::size_t i = 1; i < k_max_script_lines; ++i) script += "s06,";
    script += "end";
    std::string record = "model:16F84A\nflash:1024\neeprom:64\nconfigerased:3FFF,3FFF\nconfig2used:false\n"
                         "voltageseq:vddvpp\nprogtime:4\n";
    for (const char* key : {"erase:", "program:", "read:", "blankcheck:", "verify:"}) record += key + script + "\n";
    const std::string path = temp.folder() + "longest.cfg";
    writeupto(path, k_catalogue_input_bytes - k_headroom, "", [&record](std::size_t) { return record; }, "");
    EXPECT_GT(std::filesystem::file_size(path), k_catalogue_input_bytes - record.size() - k_headroom);
    return path;
}

// A file of nothing but one short piece: as many script lines or records as bytes allow, far
// more than the program takes (it refuses them, and must not run out of memory finding out).
std::string filledwith(const TempFolder& temp, const std::string& name, const std::string& head, const std::string& piece) {
    const std::string path = temp.folder() + name;
    const std::size_t size =
        writeupto(path, k_catalogue_input_bytes - k_headroom, head, [&piece](std::size_t) { return piece; }, "\n");
    EXPECT_GT(size, k_catalogue_input_bytes - 2 * k_headroom);
    return path;
}

const std::string k_record_head = "model:16F84A\nflash:1024\neeprom:64\nconfigerased:3FFF,3FFF\nconfig2used:false\n"
                                  "voltageseq:vddvpp\nprogtime:4\nerase:";

struct PeakCase {
    const char* name;
    int status;  // 0, or 3 where the input is refused
    std::size_t inputbytes;
    std::function<std::vector<std::string>(const TempFolder&)> arguments;
};

// Test listings name the case rather than dumping its bytes.
void PrintTo(const PeakCase& peakcase, std::ostream* out) { *out << peakcase.name; }

std::vector<std::string> simulated(const TempFolder& temp, std::vector<std::string> arguments) {
    for (const char* a : {"--port", "sim", "--sim-speed", "instant", "--ignore-id"}) arguments.emplace_back(a);
    arguments.push_back("--sim-chip");
    arguments.push_back(temp.folder() + "chip.hex");
    return arguments;
}

const PeakCase k_cases[] = {
    {"CheckLargestHexFile", 0, k_hex_input_bytes,
     [](const TempFolder& t) {
         return std::vector<std::string>{"--catalogue", VORNALT_SHIPPED_CATALOGUE, "--model", "16F877A", "check",
                                         bigimage(t, "big.hex")};
     }},
    {"ConvertLargestHexFile", 0, k_hex_input_bytes,
     [](const TempFolder& t) {
         return std::vector<std::string>{"--catalogue", VORNALT_SHIPPED_CATALOGUE, "--model", "16F877A", "convert",
                                         bigimage(t, "big.hex"), "-o", t.folder() + "out.hex"};
     }},
    {"ReadIntoLargestChipFile", 0, k_hex_input_bytes,
     [](const TempFolder& t) {
         bigimage(t, "chip.hex");
         return simulated(t, {"--catalogue", VORNALT_SHIPPED_CATALOGUE, "--model", "16F877A", "read", "-o",
                              t.folder() + "out.hex"});
     }},
    {"ModelsOfLargestCatalogue", 0, k_catalogue_input_bytes,
     [](const TempFolder& t) { return std::vector<std::string>{"--catalogue", longestscripts(t), "models"}; }},
    {"EraseWithLongestScripts", 0, k_catalogue_input_bytes,
     [](const TempFolder& t) { return simulated(t, {"--catalogue", longestscripts(t), "--model", "1", "erase"}); }},
    {"ScriptOfEmptyLines", 3, k_catalogue_input_bytes,
     [](const TempFolder& t) {
         return simulated(t, {"--catalogue", filledwith(t, "commas.cfg", k_record_head, ","), "erase"});
     }},
    {"BareModelLines", 3, k_catalogue_input_bytes,
     [](const TempFolder& t) {
         return std::vector<std::string>{"--catalogue", filledwith(t, "models.cfg", "", "model:m\n"), "models"};
     }},
};

ProcessResult runcli(const TempFolder& temp, const std::vector<std::string>& arguments) {
    const std::map<std::string, std::string> environment{{"HOME", temp.folder() + "home"},
                                                          {"XDG_CONFIG_HOME", temp.folder() + "config"},
                                                          {"XDG_DATA_HOME", temp.folder() + "data"},
                                                          {"PATH", "/usr/bin:/bin"}};
    return testing::runprocess(VORNALT_CLI_PATH, arguments, environment);
}

// The program's own footprint: its libraries, the shipped catalogue, a full-size image.
[[maybe_unused]] long ownpeak_kib() {
    static const long peak = [] {
        TempFolder temp;
        const ProcessResult result = runcli(temp, {"--catalogue", VORNALT_SHIPPED_CATALOGUE, "models"});
        EXPECT_EQ(result.status, 0) << result.err.substr(0, 2000);
        return result.maxrss_kib;
    }();
    return peak;
}

class PeakMemory : public ::testing::TestWithParam<PeakCase> {};

TEST_P(PeakMemory, GrowsInProportionToTheInput) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory and quarantine are no measure of the program's own";
#else
    TempFolder temp;
    const ProcessResult result = runcli(temp, GetParam().arguments(temp));
    EXPECT_EQ(result.status, GetParam().status) << "signal " << result.termsignal << "\n" << result.err.substr(0, 2000);
    const long limit_kib =
        ownpeak_kib() + k_run_allowance_kib + k_growth_per_input_byte * static_cast<long>(GetParam().inputbytes / 1024);
    EXPECT_LT(result.maxrss_kib, limit_kib) << "peak " << result.maxrss_kib / 1024 << " MiB, own "
                                           << ownpeak_kib() / 1024 << " MiB\n" << result.err.substr(0, 2000);
    RecordProperty("peak_kib", std::to_string(result.maxrss_kib));
    std::printf("%s: peak %ld MiB (own %ld MiB), exit %d\n", GetParam().name, result.maxrss_kib / 1024,
                ownpeak_kib() / 1024, result.status);
#endif
}

INSTANTIATE_TEST_SUITE_P(LargeInputs, PeakMemory, ::testing::ValuesIn(k_cases),
                         [](const ::testing::TestParamInfo<PeakCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vornalt
