#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/hardware_rig.h"
#include "app/port_pinout.h"

namespace vornalt {
namespace {

std::vector<std::string> splitcrlf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    lines.push_back(text.substr(start));  // what follows the last CR LF: must be nothing
    return lines;
}

TEST(PortPinout, ThirtyTwoLinesEachEndingInCrLf) {
    const std::vector<std::string> lines = splitcrlf(portpinouttext());
    ASSERT_EQ(lines.size(), 33u);
    EXPECT_EQ(lines[32], "") << "the last line ends in CR LF too";
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "a lone CR or LF in: " << line;
    }
    EXPECT_EQ(lines[0], "Parallel Port Pinout:");
    EXPECT_EQ(lines[2], "Pin\tBit\tDirection");
    EXPECT_EQ(lines[3], "1\t\\C0\tOutput");
    EXPECT_EQ(lines[12], "10\tS6\tInput");
    EXPECT_EQ(lines[13], "11\t\\S7\tInput");
    EXPECT_EQ(lines[19], "17\t\\C3\tOutput");
    EXPECT_EQ(lines[20], "18-25\tGND\t-");
    EXPECT_EQ(lines[22], "Symbol '\\' is used for inverted pin-bit connection.");
    EXPECT_EQ(lines[27], "LPT3 base address: 0x3BC");
    EXPECT_EQ(lines[31], "Control register - Base address + 2");
    for (const std::size_t empty : {1u, 21u, 24u, 28u}) EXPECT_EQ(lines[empty], "") << "line " << empty + 1;
}

TEST(PortPinout, ShownAsInformationWithoutTouchingThePort) {
    testing::HardwareRig rig;
    rig.state.pin(Line::vdd) = 14;  // the card does not follow the settings
    rig.state.portaddress = 632;
    menuportinfo(rig.window);
    ASSERT_EQ(rig.window.messages.size(), 1u);
    EXPECT_EQ(rig.window.messages[0], portpinouttext());
    EXPECT_EQ(rig.window.icons[0], MessageIcon::information);
    EXPECT_EQ(rig.accesses(), 0u);
}

}  // namespace
}  // namespace vornalt
