// Which catalogue record a --model text names, and the catalogue listing.
#include <gtest/gtest.h>

#include "cli/model_choice.h"

namespace vornalt {
namespace {

DeviceCatalogue catalogue() {
    DeviceCatalogue c;
    c.path = "/x/devices.cfg";
    c.modelcount = 4;
    c.records.resize(5);
    c.records[1].model = "16F84A";
    c.records[1].flash = "1024";
    c.records[1].eeprom = "64";
    c.records[2].model = " 16F877A";
    c.records[2].flash = " 8192";
    c.records[2].eeprom = "256";
    c.records[3].model = "12";  // a name that looks like a number is reached by number only
    c.records[3].flash = "1024k";
    c.records[4].model = "16f84a";  // a second record of the same name is never chosen by name
    c.records[4].flash = "1024";
    return c;
}

TEST(ModelChoice, NamesAndNumbers) {
    const std::pair<std::string, std::int32_t> cases[] = {
        {"1", 1}, {"4", 4}, {"16F84A", 1}, {"16f84a", 1}, {"16f877a", 2}, {" 16F877A ", 2}, {"0004", 4},
    };
    const DeviceCatalogue c = catalogue();
    for (const auto& [text, expected] : cases) {
        const Result<std::int32_t> found = findmodel(c, text);
        ASSERT_TRUE(found.ok()) << text << ": " << found.error().message;
        EXPECT_EQ(found.value(), expected) << text;
    }
}

TEST(ModelChoice, UnknownModelsSayWhatExists) {
    const DeviceCatalogue c = catalogue();
    for (const std::string text : {"0", "5", "12", "99999999999999999999", "16F84", "-1", "1.5"}) {
        const Result<std::int32_t> found = findmodel(c, text);
        ASSERT_FALSE(found.ok()) << text;
        EXPECT_NE(found.error().message.find("/x/devices.cfg"), std::string::npos);
        EXPECT_NE(found.error().message.find("vornalt-cli models"), std::string::npos);
    }
}

TEST(ModelChoice, ListingInAlignedColumns) {
    EXPECT_EQ(modellisting(catalogue()),
              "1  16F84A    1024   64\n"
              "2   16F877A  8192  256\n"
              "3  12        1024    0\n"
              "4  16f84a    1024    0\n");
}

}  // namespace
}  // namespace vornalt
