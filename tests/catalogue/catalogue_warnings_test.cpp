#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_warnings.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using vornalt::testing::TempFolder;

// A record that works; each case below spoils one line of it.
constexpr const char* k_good_record =
    "model:16X1\n"                       // 1
    "flash:64\n"                         // 2
    "eeprom:8\n"                         // 3
    "configerased:3FFF,3FFF\n"           // 4
    "config2used:false\n"                // 5
    "voltageseq:vddvpp\n"                // 6
    "progtime:4\n"                       // 7
    "erase:begin,s09,w10,end\n"          // 8
    "program:begin,calcflash,setflashloop,s02-flash,s08,wprog,s06,loop,end\n"  // 9
    "read:begin,setflashloop,flash=s04,s06,loop,end\n"                         // 10
    "blankcheck:begin,temp=s04,checkblankflash,end\n"                          // 11
    "verify:begin,temp=s04,checkflash,end\n";                                  // 12

std::vector<std::string> warningsof(const std::string& text) {
    TempFolder folder;
    Result<DeviceCatalogue> loaded = loadcatalogue(folder.write("devices.cfg", text));
    EXPECT_TRUE(loaded.ok());
    return loaded.ok() ? loaded.value().warnings : std::vector<std::string>{};
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    text.replace(text.find(from), from.size(), to);
    return text;
}

TEST(CatalogueWarnings, AWorkingRecordGivesNone) { EXPECT_TRUE(warningsof(k_good_record).empty()); }

TEST(CatalogueWarnings, EachProblemIsNamedWithItsLineAndTheRecordStillLoads) {
    struct Case {
        const char* from;
        const char* to;
        const char* place;  // "devices.cfg:LINE"
        const char* says;
    };
    const Case cases[] = {
        {"erase:begin,s09,w10,end", "erase:begin,s09,w10", "devices.cfg:8:", "erase script does not end with \"end\""},
        {"erase:begin,s09,w10,end", "erase:begin,s09,w10,end,begin", "devices.cfg:8:", "does not end with \"end\""},
        {"erase:begin,s09,w10,end", "erase:begin,s09,w10001,end", "devices.cfg:8:", "waits 10001 ms"},
        {"erase:begin,s09,w10,end", "erase:begin,s09,w2147483647,end", "devices.cfg:8:", "longer than any chip needs"},
        {"progtime:4", "progtime:10001", "devices.cfg:7:", "progtime 10001 ms"},
        {"progtime:4", "progtime:0", "devices.cfg:7:", "not a positive number"},
        {"progtime:4", "progtime:-5", "devices.cfg:7:", "not a positive number"},
        {"progtime:4", "progtime:4ms", "devices.cfg:7:", "not a positive number"},
        {"progtime:4\n", "", "devices.cfg:1:", "progtime \"\""},
        {"voltageseq:vddvpp", "voltageseq:vdd-vpp", "devices.cfg:6:", "powers nothing up"},
        {"configerased:3FFF,3FFF", "configerased:3FFG", "devices.cfg:4:", "give CONFIG1 as"},
        {"configerased:3FFF,3FFF", "configerased:3FF", "devices.cfg:4:", "give CONFIG1 as"},
        {"configerased:3FFF,3FFF", "configerased: 3FFF,3FFF", "devices.cfg:4:", "give CONFIG1 as"},
        {"configerased:3FFF,3FFF\n", "", "", ""},  // missing: read as every bit erased
        {"config2used:false", "config2used:true", "", ""},  // 3FFF,3FFF serves CONFIG2 too
    };
    for (const Case& c : cases) {
        const std::vector<std::string> warnings = warningsof(replaced(k_good_record, c.from, c.to));
        if (std::string(c.place).empty()) {
            EXPECT_TRUE(warnings.empty()) << c.to;
            continue;
        }
        ASSERT_EQ(warnings.size(), 1u) << c.to;
        EXPECT_EQ(warnings[0].rfind(c.place, 0), 0u) << warnings[0];
        EXPECT_NE(warnings[0].find("model 16X1"), std::string::npos) << warnings[0];
        EXPECT_NE(warnings[0].find(c.says), std::string::npos) << warnings[0];
    }
}

TEST(CatalogueWarnings, ConfigTwoHalfCountsOnlyWhenWrittenForAModelWithConfigTwo) {
    struct Case {
        const char* erased;
        std::size_t without_config2, with_config2;
    };
    // A short value leaves CONFIG2 at every bit erased, which works; a half written wrongly does not.
    const Case cases[] = {{"3FFF", 0, 0}, {"3FFF,", 0, 0}, {"3FFF,3F", 0, 1}, {"3FFF,3FFX", 0, 1}, {"3FF,3F", 1, 1}};
    for (const Case& c : cases) {
        const std::string record =
            replaced(k_good_record, "configerased:3FFF,3FFF", std::string("configerased:") + c.erased);
        EXPECT_EQ(warningsof(record).size(), c.without_config2) << c.erased;
        const std::vector<std::string> with = warningsof(replaced(record, "config2used:false", "config2used:true"));
        EXPECT_EQ(with.size(), c.with_config2) << c.erased;
    }
}

TEST(CatalogueWarnings, TheLastLineOfAFieldGivenTwiceCountsAndEveryRecordIsChecked) {
    const std::string text = std::string(k_good_record) + "erase:begin\n" +  // 13 replaces line 8
                             replaced(k_good_record, "model:16X1", "model:16X2");
    const std::vector<std::string> warnings = warningsof(text);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("devices.cfg:13: model 16X1:", 0), 0u) << warnings[0];
    const std::vector<std::string> second = warningsof(text + "progtime:0\n");  // line 26, record 2
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[1].rfind("devices.cfg:26: model 16X2:", 0), 0u) << second[1];
}

TEST(CatalogueWarnings, TheShippedCatalogueHasNone) {
    Result<DeviceCatalogue> loaded = loadcatalogue(VORNALT_SHIPPED_CATALOGUE);
    ASSERT_TRUE(loaded.ok());
    for (const std::string& warning : loaded.value().warnings) ADD_FAILURE() << warning;
}

// Tens of thousands of warnings would make a box taller than any screen.
TEST(CatalogueWarnings, TheBoxShowsTheFirstFewAndCountsTheRest) {
    const std::string text = warningsboxtext(std::vector<std::string>(30000, "devices.cfg:1: model X: problem"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<std::ptrdiff_t>(k_warnings_shown) + 1);
    EXPECT_NE(text.find(std::to_string(30000 - k_warnings_shown) + " more"), std::string::npos);
}

}  // namespace
}  // namespace vornalt
