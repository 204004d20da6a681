// The terminal's stand-in for the window: where each kind of text goes at each verbosity, and
// the progress bar drawn from the engine's progress texts.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/terminal_window.h"

namespace vornalt {
namespace {

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

TEST(TerminalProgress, ParsesTheEnginesTexts) {
    struct Case {
        std::string text;
        bool valid;
        bool flash;
        std::int64_t done, total;
    };
    const Case cases[] = {
        {"F:1/1024", true, true, 1, 1024},
        {"E:64/64", true, false, 64, 64},
        {"F:0/8", true, true, 0, 8},
        {"CONF1:", false, false, 0, 0},
        {"F:1/0", false, false, 0, 0},
        {"F:-1/4", false, false, 0, 0},
        {"F:1/", false, false, 0, 0},
        {"F:/4", false, false, 0, 0},
        {"F:2x/4", false, false, 0, 0},
        {"Begin program all", false, false, 0, 0},
        {"", false, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<ProgressText> p = parseprogress(c.text);
        ASSERT_EQ(p.has_value(), c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(p->flash, c.flash);
        EXPECT_EQ(p->done, c.done);
        EXPECT_EQ(p->total, c.total);
    }
}

TEST(TerminalProgress, BarFillsInProportion) {
    EXPECT_EQ(progressline({true, 0, 4}, 8), "FLASH  [        ]  0/4");
    EXPECT_EQ(progressline({true, 1, 4}, 8), "FLASH  [##      ]  1/4");
    EXPECT_EQ(progressline({false, 4, 4}, 8), "EEPROM [########]  4/4");
    // A count past its total (a loop bound larger than the region) never overfills the bar.
    EXPECT_EQ(progressline({true, 9, 4}, 8), "FLASH  [########]  9/4");
}

struct Streams {
    std::ostringstream out, err;
};

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
        window.set_status("F:1/2");
        EXPECT_EQ(s.err.str(), "");
    }
    Streams s;
    TerminalWindow window(s.out, s.err, Verbosity::normal, true);
    window.set_status("Begin program all");
    window.set_status("F:1/2");
    const std::string bar = "FLASH  [###############               ]  1/2";
    EXPECT_EQ(s.err.str(), "\r" + bar);
    // The last address of a loop is always drawn, however soon it follows.
    window.set_status("F:2/2");
    const std::string full = "FLASH  [##############################]  2/2";
    EXPECT_EQ(s.err.str(), "\r" + bar + "\r" + full);
    window.message("oops");
    EXPECT_EQ(s.err.str(), "\r" + bar + "\r" + full + "\r" + std::string(full.size(), ' ') + "\roops\n");
    EXPECT_EQ(s.out.str(), "");
}

TEST(TerminalWindow, AShorterBarBlanksTheRestOfALongerOne) {
    Streams s;
    TerminalWindow window(s.out, s.err, Verbosity::normal, true);
    window.set_status("F:1024/1024");
    window.set_status("E:64/64");
    window.enable();
    const std::string flash = "FLASH  [##############################]  1024/1024";
    const std::string eeprom = "EEPROM [##############################]  64/64";
    const std::string blank(flash.size() - eeprom.size(), ' ');
    EXPECT_EQ(s.err.str(), "\r" + flash + "\r" + eeprom + blank + "\r" + std::string(flash.size(), ' ') + "\r");
}

TEST(TerminalWindow, VerboseRunsDrawNoBar) {
    Streams s;
    TerminalWindow window(s.out, s.err, Verbosity::verbose, true);
    window.set_status("F:1/2");
    EXPECT_EQ(s.err.str(), "");
    EXPECT_EQ(s.out.str(), "F:1/2\n");
}

}  // namespace
}  // namespace vornalt
