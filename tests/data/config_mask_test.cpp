// Configuration bits a part does not implement read back at a fixed level whatever the image
// says; Verify and Blank Check of the shipped catalogue compare only the implemented ones.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "shipped_catalogue.h"

namespace vornalt {
namespace {

using testing::SessionRig;
using testing::shippedcatalogue;

struct MaskCase {
    std::string_view model;
    std::int32_t config1;        // programmed
    std::int32_t unimplemented;  // bits that may differ in the image Verify is given
    std::int32_t implemented;    // one bit that may not
};

constexpr std::array<MaskCase, 5> k_cases{{
    {"12F629", 0x31C4, 0x0E00, 0x0004},   // bits 11:9 always read 0
    {"16F877", 0x3F72, 0x0400, 0x0002},   // bit 10 reads 1
    {"16F877A", 0x3F72, 0x1030, 0x0100},  // bits 12 and 5:4 read 1
    {"16F628A", 0x3F70, 0x1E00, 0x0010},  // bits 12:9 read 1
    {"16F690", 0x30E4, 0x3000, 0x0004},   // bits 13:12 read 1
}};

TEST(ConfigMask, VerifyLooksOnlyAtImplementedBits) {
    for (const MaskCase& c : k_cases) {
        SCOPED_TRACE(c.model);
        SessionRig bench(shippedcatalogue(), c.model);
        ASSERT_TRUE(bench.ready());
        bench.image.flashbuffer[0] = 0x2805;
        bench.image.config1word = c.config1;
        ASSERT_EQ(bench.run(ChipOperation::programall).endtext, "Chip programmed");

        bench.image.config1word = c.config1 ^ c.unimplemented;
        EXPECT_EQ(bench.run(ChipOperation::verify).endtext, "Chip verified");
        bench.image.config1word = c.config1 ^ c.implemented;
        const testing::Outcome changed = bench.run(ChipOperation::verify);
        EXPECT_EQ(changed.endtext, "Chip verify failed");
        ASSERT_EQ(changed.messages.size(), 1u);
        EXPECT_NE(changed.messages[0].find("address 2007h"), std::string::npos) << changed.messages[0];
    }
}

// CONFIG2 of the 16F87/88 implements bits 1:0 only; a compiler's FFFC there is 3FFC.
TEST(ConfigMask, Config2OfThe16F88ComparesItsTwoBits) {
    SessionRig bench(shippedcatalogue(), "16F88");
    ASSERT_TRUE(bench.ready());
    bench.image.config2word = 0x3FFC;
    ASSERT_EQ(bench.run(ChipOperation::programall).endtext, "Chip programmed");
    bench.image.config2word = 0x000C;
    EXPECT_EQ(bench.run(ChipOperation::verify).endtext, "Chip verified");
    bench.image.config2word = 0x3FFD;
    EXPECT_EQ(bench.run(ChipOperation::verify).endtext, "Chip verify failed");
}

}  // namespace
}  // namespace vornalt
