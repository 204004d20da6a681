// vornalt-cli run as a process against the simulated programmer: every command, every exit
// status, the exact texts of bad HEX files, the line trace, the saved settings (read, never
// written), and signals stopping a run with the chip powered down.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cli_process.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using testing::lastline;
using testing::ProcessResult;
using testing::SignalTrigger;
using testing::TempFolder;
using Args = std::vector<std::string>;

// ---- HEX files written here, independently of the program's writer ----

std::string hex2(int value) {
    static const char* digits = "0123456789ABCDEF";
    return {digits[(value >> 4) & 15], digits[value & 15]};
}

// ":" body checksum, for a body given as hex text.
std::string record(const std::string& body) {
    int sum = 0;
    for (std::size_t i = 0; i + 1 < body.size(); i += 2) sum += std::stoi(body.substr(i, 2), nullptr, 16);
    return ":" + body + hex2(-sum & 0xFF);
}

struct Image {
    std::vector<int> flash;   // words from address 0
    int config1 = 0x3FFF;
    std::vector<int> eeprom;  // bytes from address 0
};

// 16 data bytes per record from base, each value as two little-endian bytes.
void section(std::vector<std::string>& lines, int base, const std::vector<int>& values) {
    for (std::size_t first = 0; first < values.size(); first += 8) {
        const std::size_t count = std::min<std::size_t>(8, values.size() - first);
        std::string body = hex2(static_cast<int>(count * 2)) + hex2((base + static_cast<int>(first) * 2) >> 8) +
                           hex2(base + static_cast<int>(first) * 2) + "00";
        for (std::size_t i = first; i < first + count; ++i) body += hex2(values[i]) + hex2(values[i] >> 8);
        lines.push_back(record(body));
    }
}

// The image as the program's writer lays it out, with the given line end.
std::string hexfile(const Image& image, const std::string& newline) {
    std::vector<std::string> lines;
    section(lines, 0, image.flash);
    section(lines, 0x400E, {image.config1});
    section(lines, 0x4200, image.eeprom);
    lines.push_back(":00000001FF");
    std::string text;
    for (const std::string& line : lines) text += line + newline;
    return text;
}

Image firmware() {
    Image image;
    for (int i = 0; i < 300; ++i) image.flash.push_back((i * 0x0765 + 0x1234) & 0x3FFF);
    image.flash[150] = 0x3FFF;  // a blank word inside the image is still written
    image.config1 = 0x3FF1;
    image.eeprom = {0x11, 0x22, 0x00, 0xFF, 0x5A};
    return image;
}

std::string readfile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CliProcess : public ::testing::Test {
protected:
    std::map<std::string, std::string> environment() const {
        return {{"HOME", temp.folder() + "home"},
                {"XDG_CONFIG_HOME", temp.folder() + "config"},
                {"XDG_DATA_HOME", temp.folder() + "data"},
                {"PATH", "/usr/bin:/bin"},
                {"LANG", "C"}};
    }

    ProcessResult raw(const Args& args, const std::map<std::string, std::string>& env,
                      const std::optional<SignalTrigger>& trigger = std::nullopt) const {
        return testing::runprocess(VORNALT_CLI_PATH, args, env, trigger);
    }

    // With the test catalogue.
    ProcessResult cli(Args args, const std::optional<SignalTrigger>& trigger = std::nullopt) const {
        args.insert(args.begin(), {"--catalogue", VORNALT_CLI_TEST_CATALOGUE});
        return raw(args, environment(), trigger);
    }

    // The 16F84A in the simulator's socket, its memory in chip.hex, waits on a virtual clock.
    ProcessResult sim(Args args) const {
        args.insert(args.begin(), {"--model", "16F84A", "--port", "sim", "--sim-speed", "instant", "--sim-chip", chip()});
        return cli(args);
    }

    std::string path(const std::string& name) const { return temp.folder() + name; }
    std::string chip() const { return path("chip.hex"); }
    std::string write(const std::string& name, const std::string& text) const { return temp.write(name, text); }

    TempFolder temp;
};

#define EXPECT_RUN(result, expectedstatus)                                                              \
    EXPECT_EQ((result).status, (expectedstatus)) << "stdout:\n" << (result).out << "stderr:\n" << (result).err

TEST_F(CliProcess, ModelsListsTheCatalogue) {
    const ProcessResult r = cli({"models"});
    EXPECT_RUN(r, 0);
    EXPECT_EQ(r.out,
              "1  16F84A      1024  64\n"
              "2  NoSuchChip  1024  64\n"
              "3  16F627A     1024  64\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliProcess, ProgramReadAndVerifyAgreeWithTheOriginal) {
    // The original as a person might keep it: LF line ends and a comment.
    const std::string original = write("fw.hex", "; firmware\n" + hexfile(firmware(), "\n"));
    const std::string canonical = hexfile(firmware(), "\r\n");

    ProcessResult r = sim({"program", original});
    EXPECT_RUN(r, 0);
    EXPECT_EQ(r.out, "Chip programmed\n");
    EXPECT_EQ(r.err, "Operation completed.\nTotal 300 (.292K) program words loaded.\n");

    r = sim({"read", "-o", path("back.hex")});
    EXPECT_RUN(r, 0);
    EXPECT_EQ(r.out, "Chip read\n");
    EXPECT_EQ(readfile(path("back.hex")), canonical);

    r = sim({"verify", original});
    EXPECT_RUN(r, 0);
    EXPECT_EQ(lastline(r.out), "Chip verified");
    r = sim({"verify", path("back.hex")});
    EXPECT_RUN(r, 0);

    r = cli({"--model", "16f84a", "convert", original, "-o", path("converted.hex")});
    EXPECT_RUN(r, 0);
    EXPECT_EQ(readfile(path("converted.hex")), canonical);

    // "-o -": the HEX text alone on standard output, the end text moved to standard error.
    r = sim({"read", "-o", "-"});
    EXPECT_RUN(r, 0);
    EXPECT_EQ(r.out, canonical);
    EXPECT_EQ(lastline(r.err), "Chip read");
    r = cli({"--model", "16f84a", "convert", original, "-o", "-"});
    EXPECT_RUN(r, 0);
    EXPECT_EQ(r.out, canonical);
    EXPECT_FALSE(std::filesystem::exists("-"));
}

TEST_F(CliProcess, EraseAndBlankCheckFollowTheChip) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    struct Step {
        Args args;
        int status;
        std::string endtext;
        std::string err;  // expected start of standard error
    };
    const Step steps[] = {
        {{"blankcheck"}, 0, "Chip is blank", ""},
        {{"program", fw}, 0, "Chip programmed", "Operation completed."},
        {{"blankcheck"}, 1, "Chip is not blank",
         "Chip is not blank at address 0000h!\nThe value read from that address is 1234h.\n"},
        {{"erase"}, 0, "Chip erased", ""},
        {{"blankcheck"}, 0, "Chip is blank", ""},
        {{"verify", fw}, 1, "Chip verify failed",
         "Operation completed.\nTotal 300 (.292K) program words loaded.\nVerify failed at address 0000h!\n"
         "The value read from that address is 3FFFh.\nThe value expected is 1234h.\n"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.args.front());
        const ProcessResult r = sim(step.args);
        EXPECT_RUN(r, step.status);
        EXPECT_EQ(r.out, step.endtext + "\n");
        EXPECT_EQ(r.err.substr(0, step.err.size()), step.err);
        if (step.err.empty()) {
            EXPECT_EQ(r.err, "");
        }
    }
}

TEST_F(CliProcess, ExitStatusesSayWhy) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    struct Case {
        Args args;
        int status;
        std::string err;  // a text standard error must hold
        std::string out;  // all of standard output
    };
    const Case cases[] = {
        {{}, 2, "Run with --help", ""},
        {{"flash"}, 2, "Run with --help", ""},
        {{"--model", "9", "erase"}, 2, "there is no model number 9", ""},
        {{"--model", "16F84", "check", fw}, 2, "has no model called '16F84'", ""},
        {{"--model", "16F84A", "check", path("missing.hex")}, 3, "missing.hex", ""},
        {{"--model", "16F627A", "--port", "sim", "--sim-speed", "instant", "--sim-chip", path("627.hex"), "erase"}, 3,
         "Unrecognized symbolic instruction 'frobnicate'.", "Chip erase failed\n"},
        {{"--model", "16F627A", "--port", "sim", "--sim-speed", "instant", "--sim-chip", path("627.hex"), "read", "-o",
          path("partial.hex")},
         3,
         "Nothing was written to " + path("partial.hex"), "Chip read failed\n"},
        {{"--model", "16F84A", "--port", "sim", "--sim-chip", chip(), "--sim-speed", "instant", "--trace",
          path("nofolder/t.vcd"), "erase"},
         3, "t.vcd", ""},
        {{"--model", "16F84A", "--port", "/nonexistent/parport9", "erase"}, 4, "/nonexistent/parport9", ""},
        // An empty socket fails every run before it starts, and a read writes nothing.
        {{"--model", "NoSuchChip", "--port", "sim", "--sim-speed", "instant", "verify", fw}, 1,
         "The simulator has no chip called NOSUCHCHIP", "Chip verify failed\n"},
        {{"--model", "NoSuchChip", "--port", "sim", "--sim-speed", "instant", "program", fw}, 1,
         "The simulator has no chip called NOSUCHCHIP", "Chip programming failed\n"},
        {{"--model", "NoSuchChip", "--port", "sim", "--sim-speed", "instant", "read", "-o", path("empty.hex")}, 1,
         "Nothing was written to " + path("empty.hex"), "Chip read failed\n"},
        {{"--model", "16F84A", "--port", "", "erase"}, 2, "--port: the port is empty", ""},
        {{"--model", "16F84A", "--port", "sim", "--sim-speed", "instant", "--sim-chip", chip(), "blankcheck"}, 0, "",
         "Chip is blank\n"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        const ProcessResult r = cli(c.args);
        EXPECT_RUN(r, c.status);
        EXPECT_NE(r.err.find(c.err), std::string::npos);
        EXPECT_EQ(r.out, c.out);
        if (c.status != 0) {
            EXPECT_FALSE(r.err.empty());
        }
    }

    EXPECT_FALSE(std::filesystem::exists(path("partial.hex")));
    EXPECT_FALSE(std::filesystem::exists(path("empty.hex")));

    const ProcessResult missing = raw({"--catalogue", path("none.cfg"), "models"}, environment());
    EXPECT_RUN(missing, 3);
    EXPECT_NE(missing.err.find("none.cfg"), std::string::npos);
}

// The shipped catalogue checks the device ID: another part or an empty socket in the simulator
// stops the run before it writes, unless --ignore-id says to go on.
TEST_F(CliProcess, WrongPartOrEmptySocketIsRefusedUnlessIgnored) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    struct Case {
        Args extra;
        int status;
        std::string err;
    };
    const Case cases[] = {
        {{"--sim-part", "16F877"}, 1, "The chip in the socket is a 16F877. Nothing was written."},
        {{"--sim-part", "EMPTY"}, 1, "No chip answered: the device ID reads 3FFFh."},
        // Told to go on, Program All runs the 16F877A's block writes on a 16F877, which keeps
        // only some of the words, and its own read-back says so.
        {{"--sim-part", "16F877", "--ignore-id"}, 1, "Device ID 09A0h is not a 16F877A"},
        {{"--sim-part", "16F999"}, 3, "the simulator has no part called 16F999"},
        {{"--sim-part", "16F877A"}, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extra.front() + " " + c.extra[1]);
        std::filesystem::remove(chip());
        Args args{"--catalogue", VORNALT_SHIPPED_CATALOGUE, "--model", "16F877A", "--port", "sim", "--sim-speed",
                  "instant", "--sim-chip", chip()};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        args.insert(args.end(), {"program", fw});
        const ProcessResult r = raw(args, environment());
        EXPECT_RUN(r, c.status);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        const bool ignored = std::find(c.extra.begin(), c.extra.end(), "--ignore-id") != c.extra.end();
        if (c.status == 1 && !ignored) {
            EXPECT_NE(r.err.find("--ignore-id"), std::string::npos) << r.err;
        }
    }
    const ProcessResult notsim = cli({"--model", "16F84A", "--port", "1", "--sim-part", "empty", "erase"});
    EXPECT_RUN(notsim, 2);

    // identify names the part in the socket, whatever the model, or says why it cannot.
    for (const auto& [part, status, out] : {std::tuple{"16F877", 0, "Device ID 09A2h: 16F877\n"},
                                            std::tuple{"empty", 1, "Device ID 3FFFh: no chip answered.\n"}}) {
        const ProcessResult r = raw({"--catalogue", VORNALT_SHIPPED_CATALOGUE, "--model", "16F84A", "--port", "sim",
                                     "--sim-speed", "instant", "--sim-part", part, "identify"},
                                    environment());
        EXPECT_RUN(r, status);
        EXPECT_EQ(r.out, out);
    }
}

// The 16F83 and 16F84 have no device ID, but a part that has one is told apart by it.
TEST_F(CliProcess, PartsWithoutAnIdRefuseAChipThatAnswersWithAnother) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    struct Case {
        const char* model;
        const char* part;
        int status;
        const char* err;
    };
    const Case cases[] = {
        {"16F84", "16F84A", 1, "is a 16F84A; a 16F84 has no device ID."},
        {"16F83", "16F873", 1, "is a 16F873; a 16F83 has no device ID."},
        {"16F84", "16F84", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.model) + " with " + c.part);
        std::filesystem::remove(chip());
        const ProcessResult r = raw({"--catalogue", VORNALT_SHIPPED_CATALOGUE, "--model", c.model, "--port", "sim",
                                     "--sim-speed", "instant", "--sim-chip", chip(), "--sim-part", c.part, "program", fw},
                                    environment());
        EXPECT_RUN(r, c.status);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

TEST_F(CliProcess, BadHexFilesGiveTheLoadersExactTexts) {
    struct Case {
        std::string text;
        std::string error;
    };
    const std::string good = record("02000000FF3F");
    const Case cases[] = {
        {"xyz\n", "Line number 1: The record does not begin with ':' simbol."},
        {good + "\n:0000\n", "Line number 2: The record is too short."},
        {":00000001FE\n", "Line number 1: Invalid 'checksum' field in the record."},
        {"\n; comment\n   \n" + record("00000002") + "\n", "Line number 4: Invalid 'record type' field in the record."},
        {record("0100000400") + "\n", "Line number 1: Invalid '04 type' record."},
        {record("03000000112233") + "\n", "Line number 1: Field 'number of bytes' in the record must contain an even value."},
        {record("02000100FF3F") + "\n", "Line number 1: Field 'address' in the record must contain an even value."},
        {record("04000000AABB") + "\n", "Line number 1: The record does not contain the specified number of bytes."},
        {record("020000000040") + "\n", "Line number 1: Invalid data byte in the record."},
        {record("02080000FF3F") + "\n", "Line number 1: Address out of range.\nWord address 0400h is not in the chip: "
                                         "this model's FLASH ends at 03FFh (wrong model?)"},
        {record("02440000FF00") + "\n", "Line number 1: Address out of range.\nWord address 2200h is not in the chip: "
                                         "this model's EEPROM ends at 213Fh (wrong model?)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        const std::string file = write("bad.hex", c.text);
        for (const Args& args : {Args{"--model", "16F84A", "check", file},
                                 Args{"--model", "16F84A", "convert", file, "-o", path("never.hex")},
                                 Args{"--model", "16F84A", "--port", "sim", "--sim-speed", "instant", "--sim-chip",
                                      chip(), "program", file}}) {
            const ProcessResult r = cli(args);
            EXPECT_RUN(r, 3);
            EXPECT_EQ(r.err, "Input program file in Intel Hex Format contains errors.\n" + c.error + "\n");
            EXPECT_EQ(r.out, "");
        }
        EXPECT_FALSE(std::filesystem::exists(path("never.hex")));
    }
}

TEST_F(CliProcess, JsonGivesOneObjectWithTheFailedCompare) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    EXPECT_RUN(sim({"erase"}), 0);
    const ProcessResult r = sim({"--json", "verify", fw});
    EXPECT_RUN(r, 1);
    ASSERT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_EQ(r.out.rfind("{\"command\":\"verify\",\"model\":\"16F84A\",\"port\":\"sim\",\"result\":\"failed\",", 0), 0u);
    EXPECT_NE(r.out.find("\"check\":{\"kind\":\"verify\",\"address\":\"0000\",\"read\":\"3FFF\",\"expected\":\"1234\"}"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(lastline(r.err), "Chip verify failed");  // the texts moved to standard error
    // identify's answer is in the object, not only in the texts.
    const ProcessResult id = raw({"--catalogue", VORNALT_SHIPPED_CATALOGUE, "--model", "16F84A", "--port", "sim",
                                  "--sim-speed", "instant", "--json", "identify"},
                                 environment());
    EXPECT_NE(id.out.find(",\"device_id\":\"0562\",\"parts\":[\"16F84A\"],"), std::string::npos) << id.out;
    EXPECT_RUN(cli({"--json", "models"}), 2);
}

TEST_F(CliProcess, CheckPrintsTheCompletionMessage) {
    const std::pair<std::string, std::string> cases[] = {
        {":00000001FF\n", "Total 0 (0K) program words loaded."},
        {hexfile(firmware(), "\r\n"), "Total 300 (.292K) program words loaded."},
    };
    for (const auto& [text, total] : cases) {
        const ProcessResult r = cli({"--model", "1", "check", write("ok.hex", text)});
        EXPECT_RUN(r, 0);
        // A file without a configuration word is told what the chip will run with, one line more.
        const bool noconfig = text.find(":02400E00") == std::string::npos;
        EXPECT_TRUE(r.err.starts_with("Operation completed.\n" + total + "\n")) << r.err;
        EXPECT_EQ(r.err.find("sets no configuration word") != std::string::npos, noconfig) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

// With the shipped catalogue's field names: "config" decodes the erased words, a file's or given
// ones; program --config sets fields of the loaded image, which the chip then holds. Bad words,
// names and values are usage errors, found before the port is touched.
TEST_F(CliProcess, ConfigDecodesAndProgramConfigSetsFieldsByName) {
    const auto run = [this](const std::string& model, Args args) {
        args.insert(args.begin(), {"--catalogue", VORNALT_SHIPPED_CATALOGUE, "--model", model, "--port", "sim",
                                   "--sim-speed", "instant", "--sim-chip", chip()});
        return raw(args, environment());
    };
    ProcessResult r = run("16F877A", {"config", "3f72"});
    EXPECT_RUN(r, 0);
    for (const char* line : {"CONFIG1 (2007h) = 3F72\n", "  FOSC   HS   HS crystal oscillator\n",
                             "  CP!    OFF  code protection off\n"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line << " in\n" << r.out;
    }
    EXPECT_NE(run("16F84A", {"config"}).out.find("EXTRC  RC oscillator"), std::string::npos);
    // The user ID words follow the table: erased without a file, a file's when it has them.
    EXPECT_NE(run("16F84A", {"config"}).out.find("ID words: 3FFF 3FFF 3FFF 3FFF\n"), std::string::npos);
    const std::string ids = write("ids.hex", ":084000000100020003000400AE\n:00000001FF\n");
    EXPECT_NE(run("16F84A", {"config", ids}).out.find("ID words: 0001 0002 0003 0004\n"), std::string::npos);
    EXPECT_NE(run("16F88", {"config", "3FFF", "3FFC"}).out.find("CONFIG2 (2008h) = 3FFC\n  FCMEN"), std::string::npos);

    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));  // CONFIG1 3FF1: XT, watchdog off
    r = run("16F84A", {"program", fw, "--config", "wdte=on,FOSC=HS"});
    EXPECT_RUN(r, 0);
    EXPECT_NE(r.err.find("--config: HS crystal oscillator, watchdog on"), std::string::npos) << r.err;
    EXPECT_RUN(run("16F84A", {"read", "-o", path("back.hex")}), 0);
    EXPECT_NE(run("16F84A", {"config", path("back.hex")}).out.find("= 3FF6\n"), std::string::npos);

    std::filesystem::remove(chip());
    const std::pair<Args, const char*> bad[] = {
        {{"program", fw, "--config", "WDT=ON"}, "FOSC, WDTE, PWRTE, CP"},
        {{"program", fw, "--config", "FOSC=ECIO"}, "LP, XT, HS, EXTRC"},
        {{"config", "3FFF", "3FFF"}, "1 configuration word"},
        {{"config", "4000"}, "0000 to 3FFF"},
    };
    for (const auto& [args, says] : bad) {
        r = run("16F84A", args);
        EXPECT_RUN(r, 2);
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(chip())) << "the port was opened";
}

TEST_F(CliProcess, QuietAndVerbose) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    ProcessResult r = sim({"-q", "program", fw});
    EXPECT_RUN(r, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");

    r = sim({"--quiet", "erase"});
    EXPECT_RUN(r, 0);
    r = sim({"-q", "verify", fw});
    EXPECT_RUN(r, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Verify failed at address 0000h!\nThe value read from that address is 3FFFh."),
              std::string::npos);

    r = sim({"-v", "program", fw});
    EXPECT_RUN(r, 0);
    EXPECT_EQ(r.out.substr(0, 40), "Parallel port 1 ready\nBegin program all\n");
    EXPECT_NE(r.out.find("\nF:1/300\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nF:300/300\nE:1/5\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nCONF1:\n"), std::string::npos);
    EXPECT_EQ(lastline(r.out), "Chip programmed");
}

TEST_F(CliProcess, ProgrammingTimeForThisRun) {
    // The test catalogue's 16F84A waits 8 ms per write: anything shorter is refused before the
    // chip is touched, longer is fine.
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    ProcessResult r = sim({"--progtime", "7", "program", fw});
    EXPECT_RUN(r, 2);
    EXPECT_NE(r.err.find("The 16F84A needs at least 8 ms per write"), std::string::npos) << r.err;
    EXPECT_RUN(sim({"blankcheck"}), 0);
    EXPECT_RUN(sim({"--progtime", "8", "program", fw}), 0);
    EXPECT_RUN(sim({"--progtime", "12", "verify", fw}), 0);
}

TEST_F(CliProcess, DefaultSimulatedChipLivesInTheUsersDataFolder) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    struct Case {
        std::string datahome;  // empty: XDG_DATA_HOME is not set
        std::string expected;
    };
    const Case cases[] = {
        {temp.folder() + "xdg", temp.folder() + "xdg/vornalt/sim/16F84A.hex"},
        {"", temp.folder() + "home/.local/share/vornalt/sim/16F84A.hex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        auto env = environment();
        env.erase("XDG_DATA_HOME");
        if (!c.datahome.empty()) env["XDG_DATA_HOME"] = c.datahome;
        const Args base{"--catalogue", VORNALT_CLI_TEST_CATALOGUE, "--model", "16F84A", "--port", "sim", "--sim-speed",
                        "instant"};
        auto with = [&](Args more) {
            Args args = base;
            args.insert(args.end(), more.begin(), more.end());
            return raw(args, env);
        };
        EXPECT_RUN(with({"program", fw}), 0);
        EXPECT_TRUE(std::filesystem::exists(c.expected));
        EXPECT_RUN(with({"verify", fw}), 0);
        EXPECT_RUN(with({"erase"}), 0);
        EXPECT_RUN(with({"verify", fw}), 1);
    }
}

TEST_F(CliProcess, SavedSettingsAreReadButNeverWritten) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    const std::string ini = temp.folder() + "config/Vornalt/Vornalt.ini";

    // Nothing saved: every setting takes its default, and nothing is created.
    EXPECT_RUN(sim({"erase"}), 0);
    EXPECT_FALSE(std::filesystem::exists(temp.folder() + "config"));

    // Saved model 3 has a script the engine cannot run; --model overrides it.
    const std::string savedmodel = "[General]\nMicrocontroller%20Model=3\n";
    write("config/Vornalt/Vornalt.ini", savedmodel);
    ProcessResult r = cli({"--port", "sim", "--sim-speed", "instant", "erase"});
    EXPECT_RUN(r, 3);
    EXPECT_NE(r.err.find("frobnicate"), std::string::npos);
    // The model nobody named on the command line is said, once, unless the run is quiet.
    const std::string note = "Model 16F627A (saved setting)\n";
    ASSERT_NE(r.err.find(note), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find(note, r.err.find(note) + 1), std::string::npos) << r.err;
    r = cli({"-q", "check", fw});
    EXPECT_RUN(r, 0);
    EXPECT_EQ(r.err.find(note), std::string::npos) << r.err;
    EXPECT_RUN(cli({"--model", "1", "--port", "sim", "--sim-speed", "instant", "--sim-chip", chip(), "erase"}), 0);
    EXPECT_EQ(readfile(ini), savedmodel);

    // A saved VDD pin the simulated board does not use: the chip never powers up, unless the
    // saved wiring is ignored for the run.
    const std::string savedpins = "[General]\nVDD%20Pin%20Num=9\nInvert%20CLOCK=0\nMicrocontroller%20Model=0\n";
    write("config/Vornalt/Vornalt.ini", savedpins);
    EXPECT_RUN(sim({"--default-hardware", "program", fw}), 0);
    EXPECT_RUN(sim({"verify", fw}), 1);
    EXPECT_RUN(sim({"--default-hardware", "verify", fw}), 0);
    EXPECT_EQ(readfile(ini), savedpins);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.folder() + "config/Vornalt"),
                            std::filesystem::directory_iterator()),
              1);
}

// ---- The line trace ----

struct Trace {
    struct Edge {
        std::int64_t time;
        char level;
    };
    std::map<char, std::vector<Edge>> changes;  // by VCD id: ! VDD, " VPP, # CLOCK, $ DATA OUT, % DATA IN
    std::vector<int> bits;                      // DATA OUT at every falling CLOCK edge with VDD and VPP on
    std::map<char, char> final;
};

Trace parsetrace(const std::string& text) {
    Trace trace;
    std::istringstream in(text);
    std::string line;
    std::int64_t now = 0;
    bool body = false;
    std::map<char, char> level;
    while (std::getline(in, line)) {
        if (line.rfind("$enddefinitions", 0) == 0) body = true;
        if (!body || line.empty() || line[0] == '$') continue;
        if (line[0] == '#') {
            now = std::stoll(line.substr(1));
            continue;
        }
        if (line.size() != 2) continue;
        const char id = line[1];
        // The chip listens only in programming mode: with VDD and VPP on.
        const bool powered = level['!'] == '1' && level['"'] == '1';
        if (powered && id == '#' && level['#'] == '1' && line[0] == '0') trace.bits.push_back(level['$'] == '1' ? 1 : 0);
        level[id] = line[0];
        trace.changes[id].push_back({now, line[0]});
    }
    trace.final = level;
    return trace;
}

// The bits a command sends: six bits of code, then for a data command a frame of a start bit,
// fourteen data bits and a stop bit; least significant bits first.
void command(std::vector<int>& bits, int code, int data = -1) {
    for (int i = 0; i < 6; ++i) bits.push_back((code >> i) & 1);
    if (data < 0) return;
    bits.push_back(0);
    for (int i = 0; i < 14; ++i) bits.push_back((data >> i) & 1);
    bits.push_back(0);
}

TEST_F(CliProcess, TraceRecordsTheClockAndDataOfAKnownCommand) {
    const ProcessResult r = sim({"--trace", path("erase.vcd"), "erase"});
    EXPECT_RUN(r, 0);
    ASSERT_FALSE(std::filesystem::exists(path("erase.vcd.part")));
    const Trace trace = parsetrace(readfile(path("erase.vcd")));

    // The erase script: Load Configuration with 3FFF, seven Increment Address, the erase
    // sequence 01, 07, 08, (wait), 01, 07, then the bulk erases of program memory (with
    // CONFIG1) and data memory, each after a Load Data of 3FFF.
    std::vector<int> expected;
    command(expected, 0x00, 0x3FFF);
    for (int i = 0; i < 7; ++i) command(expected, 0x06);
    for (int code : {0x01, 0x07, 0x08, 0x01, 0x07}) command(expected, code);
    command(expected, 0x02, 0x3FFF);
    for (int code : {0x09, 0x08}) command(expected, code);
    command(expected, 0x03, 0x3FFF);
    for (int code : {0x0B, 0x08}) command(expected, code);
    EXPECT_EQ(trace.bits, expected);

    // Powered (VDD, then VPP) around the clocks, and everything off at the end.
    const auto& vdd = trace.changes.at('!');
    const auto& vpp = trace.changes.at('"');
    const auto& clock = trace.changes.at('#');
    ASSERT_GE(vdd.size(), 3u);
    const auto firston = [](const std::vector<Trace::Edge>& edges) {
        for (const auto& e : edges) {
            if (e.level == '1') return e.time;
        }
        return std::int64_t{-1};
    };
    EXPECT_LT(firston(vdd), firston(vpp));
    // The first clock pulse of the first command comes after both are up.
    std::int64_t firstpulse = -1;
    for (const auto& e : clock) {
        if (e.level == '1' && e.time > firston(vpp)) {
            firstpulse = e.time;
            break;
        }
    }
    EXPECT_GT(firstpulse, firston(vpp));
    EXPECT_EQ(trace.final.at('!'), '0');
    EXPECT_EQ(trace.final.at('"'), '0');
    EXPECT_EQ(trace.final.at('#'), '0');
    EXPECT_EQ(trace.final.at('$'), '0');
}

TEST_F(CliProcess, ClockDelayStretchesEveryClockPhase) {
    struct Case {
        std::string delay;
        std::int64_t shortest_ns;  // at least
        bool stretched;
    };
    const Case cases[] = {{"0", 0, false}, {"50", 50'000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delay);
        const std::string file = path("delay" + c.delay + ".vcd");
        EXPECT_RUN(sim({"--clock-delay", c.delay, "--trace", file, "erase"}), 0);
        // Clock phases while the chip is powered (the lines come out of an unknown state first).
        const Trace trace = parsetrace(readfile(file));
        std::int64_t poweredfrom = INT64_MAX;
        for (const auto& e : trace.changes.at('"')) {
            if (e.level == '1') poweredfrom = std::min(poweredfrom, e.time);
        }
        std::vector<std::int64_t> edges;
        for (const auto& e : trace.changes.at('#')) {
            if (e.time > poweredfrom) edges.push_back(e.time);
        }
        ASSERT_GT(edges.size(), 100u);
        std::int64_t shortest = INT64_MAX;
        for (std::size_t i = 1; i < edges.size(); ++i) shortest = std::min(shortest, edges[i] - edges[i - 1]);
        EXPECT_EQ(shortest >= 50'000, c.stretched) << shortest;
    }
}

TEST_F(CliProcess, SignalsStopALongRunWithThePowerOff) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    for (int signal : {SIGINT, SIGTERM}) {
        const std::string name = signal == SIGINT ? "SIGINT" : "SIGTERM";
        SCOPED_TRACE(name);
        const std::string trace = path(name + ".vcd");
        // Real time: 300 words at 8 ms each take seconds, so the signal lands mid-run.
        const ProcessResult r = cli({"--model", "16F84A", "--port", "sim", "--sim-chip", chip(), "-v", "--trace", trace,
                                     "program", fw},
                                    SignalTrigger{"F:20/300", signal});
        ASSERT_TRUE(r.signalsent) << r.out << r.err;
        EXPECT_RUN(r, 1);
        EXPECT_EQ(r.termsignal, 0);
        EXPECT_NE(r.err.find("Stopped by " + name), std::string::npos);
        EXPECT_EQ(r.out.find("F:300/300"), std::string::npos);
        EXPECT_EQ(lastline(r.out), "Chip programming failed");

        const Trace t = parsetrace(readfile(trace));
        EXPECT_EQ(t.changes.at('!').size() >= 2, true);
        EXPECT_EQ(t.final.at('!'), '0');
        EXPECT_EQ(t.final.at('"'), '0');
        // The chip keeps what was written before the stop.
        EXPECT_TRUE(std::filesystem::exists(chip()));
    }
}

#ifndef _WIN32
// A trace into a pipe whose reader has stopped reading: the write that waits for room ends at
// the signal, and the run reports the stop, never success.
TEST_F(CliProcess, ASignalEndsAWriteToAStalledPipeAndTheRunFails) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const std::string fifo = path("stalled" + std::to_string(signal) + ".vcd");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);
        ::fcntl(reader, F_SETPIPE_SZ, 4096);  // fills within the first words
        const ProcessResult r = cli({"--model", "16F84A", "--port", "sim", "--sim-chip", chip(), "-v", "--trace",
                                     fifo, "program", fw},
                                    SignalTrigger{"Begin program all", signal});
        ::close(reader);
        ASSERT_TRUE(r.signalsent) << r.out << r.err;
        EXPECT_RUN(r, 1);
        EXPECT_NE(lastline(r.out), "Chip programmed") << r.out;
        EXPECT_EQ(r.out.find("F:300/300"), std::string::npos);
        EXPECT_NE(r.err.find("Stopped by SIG"), std::string::npos) << r.err;
    }
}

// The reader of a trace pipe leaves in the middle of a run: the writes after it fail, but the
// process is not killed (which would leave the chip powered) and the run is no success.
TEST_F(CliProcess, AReaderLeavingATracePipeFailsTheRunWithoutKillingIt) {
    const std::string fifo = path("leaving.vcd");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    std::thread firstbytes([reader] {
        pollfd ready{reader, POLLIN, 0};
        char first[100];
        static_cast<void>(::poll(&ready, 1, -1) > 0 && ::read(reader, first, sizeof first) > 0);
        ::close(reader);
    });
    const ProcessResult r = sim({"--trace", fifo, "read", "-o", path("back.hex")});
    // Should the run not have written the trace, the reader still waits: a byte ends it.
    if (const int release = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); release >= 0) {
        static_cast<void>(::write(release, "x", 1) > 0);
        ::close(release);
    }
    firstbytes.join();
    EXPECT_EQ(r.termsignal, 0);
    EXPECT_RUN(r, 3);
    EXPECT_NE(r.err.find("Cannot finish the line trace"), std::string::npos) << r.err;
}

// A stop signal while the result goes into a pipe whose reader stalls: the save gives up, and
// neither "read -o" nor "convert" reports success.
TEST_F(CliProcess, ASignalDuringTheFinalSaveIsNeverSuccess) {
    Image full = firmware();
    full.flash.resize(1024, 0x2A5A);  // more HEX text than the pipe holds
    const std::string fw = write("full.hex", hexfile(full, "\n"));
    ASSERT_EQ(sim({"program", fw}).status, 0);
    // The arguments, and the last text before the save.
    const std::vector<std::pair<Args, std::string>> cases{
        {{"--model", "16F84A", "--port", "sim", "--sim-chip", chip(), "-v", "read", "-o"}, "Chip read"},
        {{"--model", "16F84A", "convert", fw, "-o"}, "program words loaded"}};
    for (auto [args, trigger] : cases) {
        args.push_back(path(trigger + ".hex"));
        ASSERT_EQ(::mkfifo(args.back().c_str(), 0600), 0);
        const int reader = ::open(args.back().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        ::fcntl(reader, F_SETPIPE_SZ, 4096);
        const ProcessResult r = cli(args, SignalTrigger{trigger, SIGTERM});
        ::close(reader);
        EXPECT_RUN(r, 1);
        EXPECT_NE(r.err.find("Stopped by SIGTERM"), std::string::npos) << trigger << r.err;
    }
}
#endif

TEST_F(CliProcess, ASignalEndsALongWaitAtOnceAndTheCatalogueWarnedOfIt) {
    // A wait of a minute with VDD and VPP on: the signal must not wait for it to pass.
    const std::string catalogue = write("long.cfg",
                                        "model:16F84A\nflash:1024\neeprom:64\nconfigerased:3FFF\n"
                                        "config2used:false\nvoltageseq:vddvpp\nprogtime:8\n"
                                        "erase:begin,s09,w60000,end\n");
    const std::string trace = path("long.vcd");
    const auto started = std::chrono::steady_clock::now();
    const ProcessResult r = raw({"--catalogue", catalogue, "--model", "16F84A", "--port", "sim", "--sim-chip", chip(),
                                 "-v", "--trace", trace, "erase"},
                                environment(), SignalTrigger{"Begin erase all", SIGINT});
    const auto took = std::chrono::steady_clock::now() - started;
    ASSERT_TRUE(r.signalsent) << r.out << r.err;
    EXPECT_RUN(r, 1);
    EXPECT_LT(took, std::chrono::seconds(20));  // the wait alone is 60 s
    EXPECT_NE(r.err.find("Warning: long.cfg:8: model 16F84A: the erase script waits 60000 ms"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("Stopped by SIGINT"), std::string::npos) << r.err;
    const Trace t = parsetrace(readfile(trace));
    EXPECT_EQ(t.final.at('!'), '0');
    EXPECT_EQ(t.final.at('"'), '0');
}

#ifndef _WIN32
// Two runs at once: the first erases chip.hex for a minute; meanwhile a second one starts. On
// another chip file it works; on the same one it ends naming the first, or with --wait goes on
// once the first has ended (stopped by SIGTERM, which also shows that it was still running).
TEST_F(CliProcess, ASecondRunOnTheSameChipFileEndsOrWaitsNamingTheFirst) {
    const std::string catalogue = write("long.cfg", "model:16F84A\nflash:1024\neeprom:64\nconfigerased:3FFF\n"
                                                    "config2used:false\nvoltageseq:vddvpp\nprogtime:8\n"
                                                    "erase:begin,s09,w60000,end\n");
    struct Case {
        std::string chipfile;
        bool wait;
        int status;
        std::string said;  // after "... is in use by vornalt-cli (process <first>). "
    } const cases[] = {{path("other.hex"), false, 0, ""},
                       {chip(), false, 4, "Try again once that program's run has ended."},
                       {chip(), true, 0, "Waiting until that program's run has ended."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.said);
        ProcessResult second;
        std::string holder;
        const auto runsecond = [&](int pid) {
            holder = "in use by vornalt-cli (process " + std::to_string(pid) + "). ";
            Args args{"--model", "16F84A", "--port", "sim", "--sim-speed", "instant", "--sim-chip", c.chipfile, "erase"};
            if (c.wait) args.push_back("--wait");
            second = cli(args, SignalTrigger{"Waiting until", 0, [pid](int) { ::kill(pid, SIGTERM); }});
        };
        const ProcessResult first = raw({"--catalogue", catalogue, "--model", "16F84A", "--port", "sim", "--sim-chip",
                                         chip(), "-v", "erase"},
                                        environment(), SignalTrigger{"Begin erase all", SIGTERM, runsecond});
        EXPECT_RUN(first, 1);
        EXPECT_RUN(second, c.status);
        EXPECT_NE(second.err.find(c.said.empty() ? "" : holder + c.said), std::string::npos) << second.err;
    }
}
#endif

TEST_F(CliProcess, OutputPathsThatAreNotPlainFilesAreHandledSafely) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    // A device is written in place, never replaced by a file.
    ProcessResult r = cli({"--model", "16F84A", "convert", fw, "-o", "/dev/null"});
    EXPECT_RUN(r, 0);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    // A read-only file is refused and left as it was.
    const std::string locked = write("locked.hex", "keep me\n");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    r = cli({"--model", "16F84A", "convert", fw, "-o", locked});
    EXPECT_RUN(r, 3);
    EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;
    EXPECT_EQ(readfile(locked), "keep me\n");
    // A folder as output, and a pipe or folder as input, are refused with a message.
    r = cli({"--model", "16F84A", "convert", fw, "-o", temp.folder()});
    EXPECT_RUN(r, 3);
    EXPECT_NE(r.err.find("it is a folder"), std::string::npos) << r.err;
    r = cli({"--model", "16F84A", "check", "/dev/zero"});
    EXPECT_RUN(r, 3);
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
}


// program --repeat: a chip per Enter until the input ends, counters after each, a log row per
// chip, serials for passed chips only; the batch options outside --repeat are usage errors.
TEST_F(CliProcess, RepeatProgramsChipAfterChip) {
    const std::string fw = write("fw.hex", hexfile(firmware(), "\n"));
    const std::string enters = write("enters.txt", "\n\n\n");
    const auto repeat = [&](Args args) {
        args.insert(args.begin(), {"--catalogue", VORNALT_SHIPPED_CATALOGUE, "--model", "16F84A", "--port", "sim",
                                   "--sim-speed", "instant", "--sim-chip", chip()});
        return testing::runprocess(VORNALT_CLI_PATH, args, environment(), std::nullopt, enters);
    };
    ProcessResult r = repeat({"program", fw, "--repeat", "--log", path("log.csv"), "--serial", "5", "--serial-at", "3F0"});
    EXPECT_RUN(r, 0);
    EXPECT_NE(r.out.find("passed 3, failed 0, total 3\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Next serial: 8\n"), std::string::npos) << r.out;
    const std::string log = readfile(path("log.csv"));
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4) << log;
    EXPECT_NE(log.find(",7,pass,"), std::string::npos) << log;

    r = repeat({"--sim-part", "16F877A", "program", fw, "--repeat"});
    EXPECT_RUN(r, 1);
    EXPECT_NE(r.out.find("passed 0, failed 3, total 3\n"), std::string::npos) << r.out;

    for (const Args& args : {Args{"program", fw, "--log", path("x.csv")}, Args{"program", fw, "--repeat", "--serial", "1"},
                             Args{"program", fw, "--repeat", "--serial-at", "10"}}) {
        EXPECT_RUN(repeat(args), 2);
    }
}

}  // namespace
}  // namespace vornalt
