#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "settings/memory_settings_backend.h"
#include "settings/setting_names.h"

namespace vornalt {
namespace {

struct ReadCase {
    const char* what;
    std::optional<std::string> stored;  // nothing: the value does not exist
    std::string expected;               // what readsetting returns with the default "dflt"
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.what; }

class ReadSettingTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadSettingTest, ReturnsStoredTextOrStoresTheDefault) {
    const ReadCase& c = GetParam();
    MemorySettingsBackend backend;
    if (c.stored) backend.set("Name", *c.stored);
    SettingsStore store(backend);

    EXPECT_EQ(store.readsetting("Name", "dflt"), c.expected) << c.what;
    // Whatever was returned is what the store now holds: the default replaced a missing or
    // unreadable value, a readable one was left alone.
    ASSERT_TRUE(backend.get("Name").has_value()) << c.what;
    EXPECT_EQ(*backend.get("Name"), c.expected) << c.what;
}

// "é" is two bytes in UTF-8 but one character.
std::string repeated(const std::string& unit, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += unit;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadSettingTest,
    ::testing::Values(ReadCase{"missing", std::nullopt, "dflt"}, ReadCase{"stored number", "632", "632"},
                      ReadCase{"empty text is a value", "", ""},
                      ReadCase{"text kept untrimmed", "  12x ", "  12x "},
                      ReadCase{"254 characters read whole", repeated("a", 254), repeated("a", 254)},
                      ReadCase{"255 characters are unreadable", repeated("a", 255), "dflt"},
                      ReadCase{"1000 characters are unreadable", repeated("a", 1000), "dflt"},
                      ReadCase{"254 two-byte characters read whole", repeated("\xC3\xA9", 254),
                               repeated("\xC3\xA9", 254)},
                      ReadCase{"255 two-byte characters are unreadable", repeated("\xC3\xA9", 255), "dflt"}));

TEST(SettingsStore, WriteThenReadReturnsTheWrittenText) {
    MemorySettingsBackend backend;
    SettingsStore store(backend);
    store.writesetting(k_setting_portaddress, "888");
    store.writesetting(k_setting_portaddress, "632");
    EXPECT_EQ(store.readsetting(k_setting_portaddress, "888"), "632");
    store.writesetting(k_setting_portaddress, "");
    EXPECT_EQ(store.readsetting(k_setting_portaddress, "888"), "");
    EXPECT_EQ(backend.values().size(), 1U);
}

TEST(SettingsStore, UnwritableStorageStillGivesTheDefault) {
    MemorySettingsBackend backend;
    backend.setreadonly(true);
    SettingsStore store(backend);
    EXPECT_EQ(store.readsetting(k_setting_model, "1"), "1");
    store.writesetting(k_setting_model, "3");
    EXPECT_FALSE(backend.contains(k_setting_model));
    EXPECT_EQ(store.readsetting(k_setting_model, "1"), "1");
}

TEST(SettingNames, DefaultsTableHasEveryFixedDefaultOnce) {
    struct Expected {
        std::string_view name, defaulttext;
    };
    const Expected expected[] = {
        {"Microcontroller Model", "1"}, {"Parallel Port Address", "888"}, {"Invert VDD", "0"},
        {"Invert VPP", "0"},            {"Invert CLOCK", "1"},            {"Invert DATAOUT", "1"},
        {"Invert DATAIN", "1"},         {"VDD Pin Num", "4"},             {"VPP Pin Num", "5"},
        {"CLOCK Pin Num", "3"},         {"DATAOUT Pin Num", "2"},         {"DATAIN Pin Num", "10"},
        {"Clock Delay", "0"},
    };
    std::set<std::string_view> names;
    for (const auto& entry : k_setting_defaults) names.insert(entry.name);
    EXPECT_EQ(names.size(), k_setting_defaults.size());
    for (const auto& e : expected) EXPECT_EQ(settingdefault(e.name), e.defaulttext) << e.name;
    EXPECT_EQ(settingdefault(k_setting_lastpath), "");
}

}  // namespace
}  // namespace vornalt
