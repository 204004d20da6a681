#include "engine/engine_messages.h"

#include <gtest/gtest.h>

namespace vornalt {
namespace {

TEST(EngineMessages, CheckFailuresReadWordForWord) {
    EXPECT_EQ(verifymessage("001A", "3FFF", "2805"),
              "Verify failed at address 001Ah!\r\n"
              "The value read from that address is 3FFFh.\r\n"
              "The value expected is 2805h.");
    EXPECT_EQ(blankmessage("2105", "12"),
              "Chip is not blank at address 2105h!\r\n"
              "The value read from that address is 12h.");
}

TEST(EngineMessages, StopsNameTheLineAndSayTheOperationStopped) {
    struct Case {
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {unrecognisedmessage(" end"), "Unrecognized symbolic instruction ' end'.\r\nThe operation has been stopped."},
        {unrecognisedmessage(""), "Unrecognized symbolic instruction ''.\r\nThe operation has been stopped."},
        {noloopendmessage(3, "setflashloop"),
         "Script line 3 ('setflashloop') starts a loop that no 'loop' line closes.\r\n"
         "The operation has been stopped."},
        {noloopheadermessage(2, "loop"),
         "Script line 2 ('loop') has no loop header before it in this operation.\r\n"
         "The operation has been stopped."},
        {loopendedmessage(9, "loop"),
         "Script line 9 ('loop') goes back to a loop that has already ended.\r\nThe operation has been stopped."},
        {loopstuckmessage(4, "loop"),
         "Script line 4 ('loop') closes a loop pass that moved no address, so the loop would never end.\r\n"
         "The operation has been stopped."},
        {lastlinefailedmessage(6, "checkflash"),
         "Script line 6 ('checkflash') failed as the last line of the script, so the script cannot finish.\r\n"
         "The operation has been stopped."},
        {outsidememorymessage(5, "s02-flash", true, 0x400, 1024),
         "Script line 5 ('s02-flash') would use address 0400h, outside the FLASH memory of the image "
         "(1024 words).\r\nThe operation has been stopped."},
        {outsidememorymessage(7, "eeprom=s05", false, 0x2140, 64),
         "Script line 7 ('eeprom=s05') would use address 2140h, outside the EEPROM memory of the image "
         "(64 bytes).\r\nThe operation has been stopped."},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, c.expected);
}

}  // namespace
}  // namespace vornalt
