#include "app/about_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "support/fake_window.h"

namespace vornalt {
namespace {

TEST(AboutText, ElevenLinesEachEndedByCrLf) {
    const std::string text = abouttext("Tremwick Vornalt");
    ASSERT_GE(text.size(), 2u);
    ASSERT_EQ(text.substr(text.size() - 2), "\r\n");
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[0], "Tremwick Vornalt");
    EXPECT_NE(lines[1].find(std::string(programversion())), std::string::npos);
    EXPECT_FALSE(lines[2].empty());
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "This software is supplied as is in goodwill that it will");
    EXPECT_EQ(lines[5], "successfully serve its purpose, but without any warranties.");
    EXPECT_NE(lines[6].find("General Public License, version 3 or later"), std::string::npos);
    EXPECT_FALSE(lines[7].empty());
    EXPECT_EQ(lines[8], "");
    EXPECT_EQ(lines[9], "Send bug reports and suggestions to:");
    EXPECT_FALSE(lines[10].empty());
    // No bare LF or CR anywhere that would split a line differently on another platform.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 11);
}

TEST(AboutText, VersionComesFromTheBuild) {
    EXPECT_TRUE(std::regex_match(std::string(programversion()), std::regex(R"(\d+\.\d+\.\d+)")))
        << programversion();
}

TEST(AboutText, MenuShowsItWithTheInformationIconAndTheWindowTitle) {
    AppState app;
    app.windowtitle = "Some Title";
    FakeWindow window;
    menuabout(app, window);
    ASSERT_EQ(window.messages.size(), 1u);
    EXPECT_EQ(window.messages[0], abouttext("Some Title"));
    EXPECT_EQ(window.icons[0], MessageIcon::information);
}

}  // namespace
}  // namespace vornalt
