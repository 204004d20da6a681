#include "image/hex_record.h"
#include "image/hex_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vornalt {
namespace {

TEST(HexText, ToHexTakesTheLowBitsOfTwosComplement) {
    EXPECT_EQ(tohex2(0), "00");
    EXPECT_EQ(tohex2(10), "0A");
    EXPECT_EQ(tohex2(255), "FF");
    EXPECT_EQ(tohex2(256), "00");
    EXPECT_EQ(tohex2(0x3F12), "12");
    EXPECT_EQ(tohex2(-1), "FF");
    EXPECT_EQ(tohex2(-256), "00");
    EXPECT_EQ(tohex4(0x10), "0010");
    EXPECT_EQ(tohex4(16383), "3FFF");
    EXPECT_EQ(tohex4(65535), "FFFF");
    EXPECT_EQ(tohex4(65536), "0000");
    EXPECT_EQ(tohex4(-1), "FFFF");
    EXPECT_EQ(tohex4(-2), "FFFE");
    EXPECT_EQ(tohex4(0x12345), "2345");
}

TEST(HexText, FromHex2AcceptsExactlyTheUpperCasePairs) {
    int accepted = 0;
    for (int v = 0; v <= 255; ++v) {
        EXPECT_EQ(fromhex2(tohex2(v)), v);
        ++accepted;
    }
    EXPECT_EQ(accepted, 256);
    for (const char* bad : {"ff", "fF", "F", "", "FFF", "G0", "0G", " F", "F ", "-1", "+1", "0x"}) {
        EXPECT_EQ(fromhex2(bad), -1) << bad;
    }
}

TEST(HexText, FromHex4NeedsFourValidDigits) {
    EXPECT_EQ(fromhex4("3FFF"), 16383);
    EXPECT_EQ(fromhex4("0000"), 0);
    EXPECT_EQ(fromhex4("FFFF"), 65535);
    EXPECT_EQ(fromhex4("2805"), 0x2805);
    for (const char* bad : {"3fff", "3FFFF", "3FF", "", "3F F", "G000", "000g"}) {
        EXPECT_EQ(fromhex4(bad), -1) << bad;
    }
}

TEST(HexText, ChecksumOfRecordBodies) {
    EXPECT_EQ(hexchecksum("00000001"), "FF");
    EXPECT_EQ(hexchecksum("02400E00FF3F"), "72");
    EXPECT_EQ(hexchecksum("02401000FF3F"), "70");
    EXPECT_EQ(hexchecksum("020000040001"), "F9");
    EXPECT_EQ(hexchecksum("020000040000"), "FA");
    EXPECT_EQ(hexchecksum("0200000080"), "7E") << "bytes summing to 0x82";
    EXPECT_EQ(hexchecksum("FF01"), "00") << "a sum that is a multiple of 256 gives 00";
    EXPECT_EQ(hexchecksum(""), "00");
    EXPECT_EQ(hexchecksum("0"), "00") << "a final odd character is ignored";
    EXPECT_EQ(hexchecksum("01F"), "FF");
    // An invalid pair counts -1: 256 - (-1 mod 256) = 257, written as its low byte.
    EXPECT_EQ(hexchecksum("ff"), "01");
    EXPECT_EQ(hexchecksum("02ff"), "FF");
}

}  // namespace
}  // namespace vornalt
