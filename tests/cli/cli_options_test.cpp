// The command line: which texts run which command with which choices, and which are refused
// as usage errors before anything is touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace vornalt {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, CommandsAndTheirFiles) {
    struct Case {
        Args args;
        CliCommand command;
        std::string input, output;
    };
    const Case cases[] = {
        {{"models"}, CliCommand::models, "", ""},
        {{"check", "a.hex"}, CliCommand::check, "a.hex", ""},
        {{"convert", "in.hex", "-o", "out.hex"}, CliCommand::convert, "in.hex", "out.hex"},
        {{"convert", "-o", "out.hex", "in.hex"}, CliCommand::convert, "in.hex", "out.hex"},
        {{"program", "fw.hex"}, CliCommand::program, "fw.hex", ""},
        {{"verify", "fw.hex"}, CliCommand::verify, "fw.hex", ""},
        {{"read", "-o", "chip.hex"}, CliCommand::read, "", "chip.hex"},
        {{"read", "--output", "chip.hex"}, CliCommand::read, "", "chip.hex"},
        {{"erase"}, CliCommand::erase, "", ""},
        {{"blankcheck"}, CliCommand::blankcheck, "", ""},
        {{"config"}, CliCommand::config, "", ""},
        {{"config", "fw.hex"}, CliCommand::config, "fw.hex", ""},
        {{"config", "3f72"}, CliCommand::config, "", ""},  // a hex word, not a file
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        const ParsedCommandLine parsed = parsecommandline(c.args);
        ASSERT_TRUE(parsed.options.has_value()) << parsed.err;
        EXPECT_EQ(parsed.options->command, c.command);
        EXPECT_EQ(parsed.options->input, c.input);
        EXPECT_EQ(parsed.options->output, c.output);
    }
}

TEST(CommandLine, OptionsBeforeOrAfterTheCommand) {
    for (const Args& args : {Args{"--port", "sim", "--sim-speed", "instant", "--model", "16f84a", "-q", "program", "x.hex"},
                             Args{"program", "x.hex", "--port", "sim", "--sim-speed", "instant", "--model", "16f84a", "-q"}}) {
        const ParsedCommandLine parsed = parsecommandline(args);
        ASSERT_TRUE(parsed.options.has_value()) << parsed.err;
        const CliOptions& o = *parsed.options;
        EXPECT_EQ(o.command, CliCommand::program);
        EXPECT_EQ(o.input, "x.hex");
        EXPECT_EQ(o.port.kind, PortKind::sim);
        EXPECT_EQ(o.simspeed, SimSpeed::instant);
        EXPECT_EQ(o.model, "16f84a");
        EXPECT_TRUE(o.quiet);
        EXPECT_FALSE(o.verbose);
    }
}

TEST(CommandLine, EveryOptionReachesItsField) {
    const ParsedCommandLine parsed = parsecommandline(
        {"--catalogue", "/c/devices.cfg", "--port", "sim", "--sim-chip", "/t/chip.hex", "--progtime", "30",
         "--clock-delay", "1000", "--trace", "/t/run.vcd", "--default-hardware", "-v", "--sim-part", "Empty",
         "--ignore-id", "erase"});
    ASSERT_TRUE(parsed.options.has_value()) << parsed.err;
    const CliOptions& o = *parsed.options;
    EXPECT_EQ(o.catalogue, "/c/devices.cfg");
    EXPECT_EQ(o.simchip, "/t/chip.hex");
    EXPECT_EQ(o.simspeed, SimSpeed::real);
    EXPECT_EQ(o.progtime, 30);
    EXPECT_EQ(o.clockdelay_us, 1000);
    EXPECT_EQ(o.trace, "/t/run.vcd");
    EXPECT_TRUE(o.defaulthardware);
    EXPECT_TRUE(o.verbose);
    EXPECT_EQ(o.simpart, "empty");
    EXPECT_TRUE(o.ignoreid);
    EXPECT_FALSE(o.steprate.has_value());
    const ParsedCommandLine adapter =
        parsecommandline({"--port", "ftdi:A50285BI", "--step-rate", "500000", "erase"});
    ASSERT_TRUE(adapter.options.has_value()) << adapter.err;
    EXPECT_EQ(adapter.options->steprate, 500'000);
}

TEST(CommandLine, PortTexts) {
    struct Case {
        std::string text;
        bool valid;
        PortKind kind;
        std::int32_t number;
        std::string device;
    };
    const Case cases[] = {
        {"1", true, PortKind::number, 1, ""},
        {"3", true, PortKind::number, 3, ""},
        {"sim", true, PortKind::sim, 0, ""},
        {"SIM", true, PortKind::sim, 0, ""},
        {"/dev/parport1", true, PortKind::device, 0, "/dev/parport1"},
        {"./parport", true, PortKind::device, 0, "./parport"},
        {"0", false, PortKind::saved, 0, ""},
        {"4", false, PortKind::saved, 0, ""},
        {" 1", false, PortKind::saved, 0, ""},
        {"888", false, PortKind::saved, 0, ""},
        {"parport0", false, PortKind::saved, 0, ""},
        {"", false, PortKind::saved, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.text + "'");
        const std::optional<PortOption> port = parseport(c.text);
        ASSERT_EQ(port.has_value(), c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(port->kind, c.kind);
        EXPECT_EQ(port->number, c.number);
        EXPECT_EQ(port->device, c.device);
    }
}

TEST(CommandLine, UsageErrors) {
    const Args cases[] = {
        {},
        {"flash"},
        {"check"},
        {"convert", "in.hex"},
        {"read"},
        {"program"},
        {"check", "a.hex", "b.hex"},
        {"models", "erase"},
        {"--port", "4", "erase"},
        {"--port", "888", "erase"},
        {"--sim-chip", "c.hex", "erase"},
        {"--wait", "erase"},
        {"--port", "1", "--sim-speed", "instant", "erase"},
        {"--port", "sim", "--sim-speed", "fast", "erase"},
        {"--port", "sim", "--sim-chip", "", "erase"},
        {"--port", "sim", "--sim-part", "", "erase"},
        {"--progtime", "0", "erase"},
        {"--progtime", "31", "erase"},
        {"--progtime", "ten", "erase"},
        {"--clock-delay", "-1", "erase"},
        {"--clock-delay", "1001", "erase"},
        {"--port", "ftdi", "--step-rate", "999", "erase"},
        {"--port", "ftdi", "--step-rate", "750001", "erase"},
        {"--port", "sim", "--step-rate", "150000", "erase"},
        {"--step-rate", "150000", "erase"},  // the saved port is a parallel port
        {"--model", "", "erase"},
        {"--port", "", "erase"},
        {"-q", "-v", "erase"},
        {"--frobnicate", "erase"},
        {"--frob\x1b]0;owned\x07", "erase"},  // raw escapes in an argument the error quotes
        {"--progtime", "\x1b[2J1", "erase"},
        {"--clock-delay", "1\x7f\x1b[8m", "erase"},
        {"--trace", "t.vcd", "check", "a.hex"},
        {"--trace", "t.vcd", "models"},
    };
    for (const Args& args : cases) {
        std::string joined;
        for (const std::string& a : args) joined += a + " ";
        SCOPED_TRACE(joined);
        const ParsedCommandLine parsed = parsecommandline(args);
        EXPECT_FALSE(parsed.options.has_value());
        EXPECT_EQ(parsed.status, ExitStatus::usage);
        EXPECT_TRUE(parsed.out.empty());
        EXPECT_EQ(parsed.err.rfind("vornalt-cli: ", 0), 0u) << parsed.err;
        EXPECT_EQ(std::count_if(parsed.err.begin(), parsed.err.end(),
                                [](unsigned char c) { return (c < 0x20 && c != '\n') || c == 0x7f; }),
                  0);
    }
}

TEST(CommandLine, HelpAndVersionEndWithSuccessOnStandardOutput) {
    struct Case {
        Args args;
        std::string expected;
    };
    const Case cases[] = {
        {{"--help"}, "blankcheck"},
        {{"--help"}, "--sim-speed"},
        {{"--help"}, "Exit status"},
        {{"--version"}, "vornalt-cli "},
        {{"program", "--help"}, "FILE.hex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.expected);
        const ParsedCommandLine parsed = parsecommandline(c.args);
        EXPECT_FALSE(parsed.options.has_value());
        EXPECT_EQ(parsed.status, ExitStatus::success);
        EXPECT_NE(parsed.out.find(c.expected), std::string::npos) << parsed.out;
        EXPECT_TRUE(parsed.err.empty());
    }
}

}  // namespace
}  // namespace vornalt
