#include "app/production.h"

#include <gtest/gtest.h>

#include <array>

#include "base/file_io.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

// A message with commas, quotes and several lines stays one field of one row; the header is
// written once, above the first row, and rows are added below it.
TEST(ProductionLog, RowsAreAppendedAndMessagesQuoted) {
    testing::TempFolder temp;
    const std::string path = temp.folder() + "log.csv";
    ChipRecord record{"2026-12-08T04:30:00Z", "16F84A", "a,b.hex", "ab", 0x0560, -1, false, 12,
                      "Device ID 0000h: no chip, \"empty\"?\r\nGo on anyway? No."};
    ASSERT_TRUE(appendlogrow(path, record).ok());
    record.passed = true;
    record.serial = 7;
    record.deviceid = -1;
    record.message = "Chip programmed";
    ASSERT_TRUE(appendlogrow(path, record).ok());
    EXPECT_EQ(read_file(path).value(),
              csvheader() +
                  "2026-12-08T04:30:00Z,16F84A,\"a,b.hex\",ab,0560,,fail,12,"
                  "\"Device ID 0000h: no chip, \"\"empty\"\"? / Go on anyway? No.\"\r\n"
                  "2026-12-08T04:30:00Z,16F84A,\"a,b.hex\",ab,,7,pass,12,Chip programmed\r\n");
}

// Serial places in the forms the terminal accepts, and the bytes a serial takes.
TEST(ProductionLog, SerialPlacesAndTheirBytes) {
    Result<SerialPlace> place = parseserialplace("1f,0x20,21h", 1024);
    ASSERT_TRUE(place.ok());
    EXPECT_EQ(place.value().addresses, (std::vector<std::int32_t>{0x1F, 0x20, 0x21}));
    for (const char* bad : {"", "400", "1f,", "x", "-1"}) EXPECT_FALSE(parseserialplace(bad, 1024).ok()) << bad;

    MemoryImage image;
    image.flashsize = 1024;
    image.eepromsize = 0;
    clearbuffer(image, 0x3FFF, 0x3FFF);
    EXPECT_TRUE(putserial(image, place.value(), 0xABCDEF).ok());
    EXPECT_EQ(flashwords(image)[0x1F], 0x34AB);
    EXPECT_EQ(flashwords(image)[0x21], 0x34EF);
    EXPECT_FALSE(putserial(image, place.value(), 0x1000000).ok());
    EXPECT_EQ(flashwords(image)[0x1F], 0x34AB) << "a serial that does not fit writes nothing";

    Result<SerialPlace> ids = parseserialplace("Id", 1024);
    ASSERT_TRUE(ids.ok());
    EXPECT_TRUE(putserial(image, ids.value(), 0xA1C3).ok());
    EXPECT_EQ(image.idwords, (std::array<std::int32_t, 4>{0xA, 0x1, 0xC, 0x3}));
    EXPECT_FALSE(putserial(image, ids.value(), 0x10000).ok());
    EXPECT_EQ(image.idwords[0], 0xA) << "a serial that does not fit writes nothing";
}

}  // namespace
}  // namespace vornalt
