// The terminal's stand-in for the window: where each kind of text goes at each verbosity, and
// the progress bar drawn from the engine's progress reports.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/terminal_window.h"

namespace vornalt {
namespace {

struct Streams {
    std::ostringstream out, err;
};

TEST(TerminalText, LineBreaksBecomeNewlines) {
    const std::pair<std::string, std::string> cases[] = {
        {"Chip is not blank at address 2105h!\r\nThe value read from that address is 12h.",
         "Chip is not blank at address 2105h!\nThe value read from that address is 12h."},
        {"a\r\n\r\nb", "a\n\nb"},
        {"a\rb", "a\nb"},
        {"a\nb", "a\nb"},
        {"ends\r\n", "ends\n"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(terminaltext(text), expected);
}

TEST(TerminalText, ControlCharactersFromFilesAreShownEscaped) {
    const std::pair<std::string, std::string> cases[] = {
        {"16F\x1B[2J84A", "16F\\x1B[2J84A"},                 // clear screen
        {"name\x1B]0;title\x07", "name\\x1B]0;title\\x07"},  // retitle the window
        {std::string("a\0b", 3), "a\\x00b"},
        {"del\x7F", "del\\x7F"},
        {"c1\xC2\x9B" "31m", "c1\\xC2\\x9B31m"},              // CSI as a UTF-8 C1 control
        {"M\xC3\xBCller\tok\n", "M\xC3\xBCller\tok\n"},        // UTF-8 letters, tab, newline stay
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(printable(text), expected);
    EXPECT_EQ(terminaltext("x\x1By\r\nz"), "x\\x1By\nz");
    Streams s;
    TerminalWindow window(s.out, s.err, Verbosity::verbose, false);
    window.report("model \x1B[31mred");
    window.set_status("Begin \x1B[1m");
    EXPECT_EQ(s.err.str(), "model \\x1B[31mred\n");
    EXPECT_EQ(s.out.str(), "Begin \\x1B[1m\n");
}

TEST(TerminalProgress, BarOnlyForSensibleReportsAndNeverFromStatusTexts) {
    // The bar comes from the numbers the engine reports; a status text that merely looks like a
    // report draws nothing, and a report without a usable total draws nothing either.
    struct Case {
        std::string label;
        MemoryRegion region;
        std::int64_t done, total;
        std::string bar;  // empty: no bar
    };
    const Case cases[] = {
        {"F:1/1024", MemoryRegion::flash, 1, 1024, "FLASH  [                              ]  1/1024"},
        {"E:64/64", MemoryRegion::eeprom, 64, 64, "EEPROM [##############################]  64/64"},
        {"F:0/8", MemoryRegion::flash, 0, 8, "FLASH  [                              ]  0/8"},
        {"F:1/0", MemoryRegion::flash, 1, 0, ""},
        {"F:-1/4", MemoryRegion::flash, -1, 4, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Streams s;
        TerminalWindow window(s.out, s.err, Verbosity::normal, true);
        window.progress(c.region, c.done, c.total);
        EXPECT_EQ(window.status(), c.label) << "the status line reads as in every window";
        EXPECT_EQ(s.err.str(), c.bar.empty() ? "" : "\r" + c.bar);
    }
    Streams s;
    TerminalWindow window(s.out, s.err, Verbosity::normal, true);
    window.set_status("F:1/2");
    EXPECT_EQ(s.err.str(), "");
}

TEST(TerminalProgress, BarFillsInProportion) {
    EXPECT_EQ(progressline({true, 0, 4}, 8), "FLASH  [        ]  0/4");
    EXPECT_EQ(progressline({true, 1, 4}, 8), "FLASH  [##      ]  1/4");
    EXPECT_EQ(progressline({false, 4, 4}, 8), "EEPROM [########]  4/4");
    // A count past its total (a loop bound larger than the region) never overfills the bar.
    EXPECT_EQ(progressline({true, 9, 4}, 8), "FLASH  [########]  9/4");
}

TEST(TerminalWindow, WhereTextsGoAtEachVerbosity) {
    struct Case {
        Verbosity verbosity;
        std::string out, err;
    };
    const Case cases[] = {
        {Verbosity::quiet, "", ""},
        {Verbosity::normal, "", "Verify failed at address 0000h!\nThe value read is 3FFFh.\n"},
        {Verbosity::verbose, "Begin verify\nF:1/2\nChip verify failed\n",
         "Verify failed at address 0000h!\nThe value read is 3FFFh.\n"},
    };
    for (const Case& c : cases) {
        Streams s;
        TerminalWindow window(s.out, s.err, c.verbosity, false);
        window.set_status("Begin verify");
        window.set_status("F:1/2");
        window.message("Verify failed at address 0000h!\r\nThe value read is 3FFFh.");
        window.set_status("Chip verify failed");
        EXPECT_EQ(s.out.str(), c.out);
        EXPECT_EQ(s.err.str(), c.err);
        EXPECT_EQ(window.status(), "Chip verify failed");
        ASSERT_EQ(window.messages().size(), 1u);
        EXPECT_EQ(window.messages()[0], "Verify failed at address 0000h!\r\nThe value read is 3FFFh.");
    }
}

TEST(TerminalWindow, QuietRunsReleaseHeldTextsOnlyWhenAsked) {
    Streams s;
    TerminalWindow window(s.out, s.err, Verbosity::quiet, true);
    window.message("first\r\nline");
    window.report("why it ended");
    EXPECT_EQ(s.err.str(), "");
    window.releaseheld();
    EXPECT_EQ(s.err.str(), "first\nline\nwhy it ended\n");
    window.releaseheld();
    EXPECT_EQ(s.err.str(), "first\nline\nwhy it ended\n");
}

TEST(TerminalWindow, NothingIsEverAsked) {
    Streams s;
    TerminalWindow window(s.out, s.err, Verbosity::normal, false);
    EXPECT_FALSE(window.question("Do you want to overwrite file /x.hex?"));
    EXPECT_EQ(window.input("Enter new programming time in ms [1-30].", "8"), "");
    EXPECT_EQ(window.open_file("Select HEX File To Open", "/", "*"), "");
    EXPECT_EQ(window.save_file("Save Buffer As", "/", "*"), "");
    EXPECT_EQ(s.err.str(), "Do you want to overwrite file /x.hex?\n");
    EXPECT_EQ(s.out.str(), "");
}

TEST(TerminalWindow, ProgressBarOnlyOnATerminalAndClearedBeforeAMessage) {
    {
        Streams s;
        TerminalWindow window(s.out, s.err, Verbosity::normal, false);
        window.progress(MemoryRegion::flash, 1, 2);
        EXPECT_EQ(s.err.str(), "");
    }
    Streams s;
    TerminalWindow window(s.out, s.err, Verbosity::normal, true);
    window.set_status("Begin program all");
    window.progress(MemoryRegion::flash, 1, 2);
    const std::string bar = "FLASH  [###############               ]  1/2";
    EXPECT_EQ(s.err.str(), "\r" + bar);
    // The last address of a loop is always drawn, however soon it follows.
    window.progress(MemoryRegion::flash, 2, 2);
    const std::string full = "FLASH  [##############################]  2/2";
    EXPECT_EQ(s.err.str(), "\r" + bar + "\r" + full);
    window.message("oops");
    EXPECT_EQ(s.err.str(), "\r" + bar + "\r" + full + "\r" + std::string(full.size(), ' ') + "\roops\n");
    EXPECT_EQ(s.out.str(), "");
}

TEST(TerminalWindow, AShorterBarBlanksTheRestOfALongerOne) {
    Streams s;
    TerminalWindow window(s.out, s.err, Verbosity::normal, true);
    window.progress(MemoryRegion::flash, 1024, 1024);
    window.progress(MemoryRegion::eeprom, 64, 64);
    window.enable();
    const std::string flash = "FLASH  [##############################]  1024/1024";
    const std::string eeprom = "EEPROM [##############################]  64/64";
    const std::string blank(flash.size() - eeprom.size(), ' ');
    EXPECT_EQ(s.err.str(), "\r" + flash + "\r" + eeprom + blank + "\r" + std::string(flash.size(), ' ') + "\r");
}

TEST(TerminalWindow, VerboseRunsDrawNoBar) {
    Streams s;
    TerminalWindow window(s.out, s.err, Verbosity::verbose, true);
    window.progress(MemoryRegion::flash, 1, 2);
    EXPECT_EQ(s.err.str(), "");
    EXPECT_EQ(s.out.str(), "F:1/2\n");
}

}  // namespace
}  // namespace vornalt
