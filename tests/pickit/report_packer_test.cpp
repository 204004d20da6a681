// Packing at 64-byte report boundaries: whole pieces only, END_OF_BUFFER padding, commands
// after the script, never an empty EXECUTE_SCRIPT (the firmware treats length 0 as an error).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pickit/report_packer.h"
#include "pickit/script_encoder.h"

namespace vornalt::pickit {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes loaddata(std::int32_t word) {
    Bytes piece;
    appendcommanddata(piece, 0x02, word);
    return piece;
}

// A report's first n bytes, and whether the rest is END_OF_BUFFER.
Bytes head(const HidReport& report, std::size_t n) { return {report.begin(), report.begin() + static_cast<long>(n)}; }
bool paddedfrom(const HidReport& report, std::size_t n) {
    for (std::size_t i = n; i < report.size(); ++i) {
        if (report[i] != 0xAD) return false;
    }
    return true;
}

TEST(ReportPacker, APieceThatDoesNotFitClosesTheReportWhole) {
    ReportPacker packer;
    std::vector<HidReport> sent;
    for (int k = 0; k < 9; ++k) {
        for (const HidReport& r : packer.add(loaddata(k))) sent.push_back(r);
    }
    // Eight 7-byte frames fit in the 62 script bytes; the ninth opens the next report.
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(head(sent[0], 2), (Bytes{0xA6, 56}));
    EXPECT_EQ(head(sent[0], 9), (Bytes{0xA6, 56, 0xEE, 0x06, 0x02, 0xF2, 0x00, 0xF2, 0x00}));
    EXPECT_EQ(sent[0][2 + 7 * 7], 0xEE);  // the eighth frame starts where the seventh ended
    EXPECT_TRUE(paddedfrom(sent[0], 58));
    const std::vector<HidReport> rest = packer.finish(Bytes{0xAA});
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(head(rest[0], 10), (Bytes{0xA6, 7, 0xEE, 0x06, 0x02, 0xF2, 0x10, 0xF2, 0x00, 0xAA}));
    EXPECT_TRUE(paddedfrom(rest[0], 10));
}

TEST(ReportPacker, AFullScriptLeavesItsCommandsToAReportOfTheirOwn) {
    ReportPacker packer;
    for (int k = 0; k < 31; ++k) EXPECT_TRUE(packer.add(Bytes{0xE7, 0x01}).empty());
    const std::vector<HidReport> reports = packer.finish(Bytes{0xAA, 0xA2});
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(head(reports[0], 4), (Bytes{0xA6, 62, 0xE7, 0x01}));
    EXPECT_EQ(reports[0][63], 0x01);  // 62 script bytes fill the report to its last byte
    EXPECT_EQ(head(reports[1], 2), (Bytes{0xAA, 0xA2}));
    EXPECT_TRUE(paddedfrom(reports[1], 2));
}

TEST(ReportPacker, NoScriptMeansNoExecuteScript) {
    ReportPacker packer;
    EXPECT_TRUE(packer.finish().empty());
    const std::vector<HidReport> status = packer.finish(Bytes{0xA2});
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0][0], 0xA2);
    EXPECT_TRUE(paddedfrom(status[0], 1));
}

}  // namespace
}  // namespace vornalt::pickit
