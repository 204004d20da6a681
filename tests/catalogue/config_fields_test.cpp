#include <gtest/gtest.h>

#include <string>

#include "catalogue/catalogue.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

constexpr const char* k_two_words =
    "models:P1,p2\n"
    "field:FOSC,0003,Oscillator\n"
    "value:LP,0000,LP crystal\n"
    "value:RC,0003,RC oscillator, pin as clock\n"  // the meaning keeps its comma
    "cpfield:CP,3030,Code protection\n"
    "value:ALL,0000,all protected\n"
    "value:OFF,3030,code protection off\n"
    "word:2\n"
    "field:IESO,0002,Switchover\n"
    "value:OFF,0000,switchover off\n"
    "value:ON,0002,switchover on\n";

TEST(ConfigFields, DecodesSetsAndRefusesUnknownNames) {
    const ConfigFieldCatalogue catalogue = parseconfigfields(k_two_words, "c");
    EXPECT_TRUE(catalogue.warnings.empty());
    EXPECT_TRUE(configfieldsof(catalogue, "P3").empty());
    const std::vector<ConfigField> fields = configfieldsof(catalogue, "P2");  // any case
    ConfigWords words{0x3FFF, 0x3FFF};
    EXPECT_EQ(decodesummary(fields, words), "RC oscillator, pin as clock, code protection off, switchover on");
    EXPECT_FALSE(codeprotected(fields, words));

    ASSERT_TRUE(setfields(fields, "fosc=lp, CP=ALL,IESO=OFF", words));
    EXPECT_EQ(words, (ConfigWords{0x0FCC, 0x3FFD}));  // only the fields' bits moved, each in its word
    EXPECT_TRUE(codeprotected(fields, words));
    words[0] = 0x1FDD;  // CP halves that name no value, FOSC 01 likewise
    EXPECT_EQ(valuemeaning(fields[0], words), "FOSC bits 0001h (no named value)");
    EXPECT_TRUE(codeprotected(fields, words));

    const ConfigWords before = words;
    const Status badname = setfields(fields, "FOSC=LP,WDTE=OFF", words);
    ASSERT_FALSE(badname);
    EXPECT_NE(badname.error().message.find("FOSC, CP, IESO"), std::string::npos) << badname.error().message;
    const Status badvalue = setfields(fields, "CP=HALF", words);
    ASSERT_FALSE(badvalue);
    EXPECT_NE(badvalue.error().message.find("ALL, OFF"), std::string::npos) << badvalue.error().message;
    EXPECT_FALSE(setfields(fields, "FOSC", words));
    EXPECT_EQ(words, before);  // a refused list changes nothing, not even its good items
}

// A bad line leaves its record out, names FILE:LINE, and the records around it still load.
TEST(ConfigFields, ABadLineDropsItsRecordOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"field:WDTE,4000,x\n", "four hex digits within 3FFF"}, {"field:WDTE,0001,x\n", "shares bits with FOSC"},
        {"value:HS,0004,x\n", "inside FOSC's mask 0003"},      {"value:XT,0000,x\n", "repeats FOSC=LP"},
        {"word:3\n", "word: must be 1"},                        {"field:WDTE,0004,x\n", "WDTE has no value"},
        {"models:Q\n", "Q has fields in an earlier record"},
    };
    for (const auto& [bad, says] : cases) {
        const std::string text = std::string("value:X,0000,x\nmodels:A\nfield:FOSC,0003,o\nvalue:LP,0000,lp\n") +
                                 "models:Q\nfield:FOSC,0003,o\nvalue:LP,0000,lp\n" + bad +
                                 "models:Z\nfield:WDTE,0004,w\nvalue:ON,0004,on\n";
        const ConfigFieldCatalogue catalogue = parseconfigfields(text, "/d/configbits.cfg");
        ASSERT_EQ(catalogue.warnings.size(), 2u) << bad;
        EXPECT_EQ(catalogue.warnings[0], "configbits.cfg:1: a value: line before any models: line.");
        EXPECT_TRUE(catalogue.warnings[1].starts_with("configbits.cfg:")) << catalogue.warnings[1];
        EXPECT_NE(catalogue.warnings[1].find(says), std::string::npos) << catalogue.warnings[1];
        EXPECT_EQ(configfieldsof(catalogue, "Q").empty(), bad[0] != 'm') << bad;  // a repeated Q keeps the first
        EXPECT_FALSE(configfieldsof(catalogue, "A").empty() || configfieldsof(catalogue, "Z").empty()) << bad;
    }
}

// configbits.cfg is read from the catalogue's folder, its warnings join the catalogue's, and its
// fields reach the applied model.
TEST(ConfigFields, LoadedBesideTheCatalogueAndApplied) {
    testing::TempFolder folder;
    const std::string path = folder.write("devices.cfg", "model:P2\nflash:16\neeprom:0\nconfigerased:3FFF,3FFF\n");
    folder.write("configbits.cfg", std::string(k_two_words) + "models:X\nword:7\n");
    Result<DeviceCatalogue> loaded = loadcatalogue(path);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(loaded.value().configfields.warnings.size(), 1u);
    EXPECT_TRUE(loaded.value().configfields.warnings[0].starts_with("configbits.cfg:13: word:"));
    EXPECT_EQ(loaded.value().warnings.back(), loaded.value().configfields.warnings[0]);
    AppliedModel model;
    MemoryImage image;
    ASSERT_TRUE(applymodel(loaded.value(), 1, model, image));
    EXPECT_EQ(model.configfields, configfieldsof(loaded.value().configfields, "P2"));
    EXPECT_EQ(model.configfields.size(), 3u);
}

}  // namespace
}  // namespace vornalt
