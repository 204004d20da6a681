// The saved programmer choice and the adapter's step rate as the settings hold them.
#include "app/programmer_choice.h"

#include <gtest/gtest.h>

namespace vornalt {
namespace {

// A choice saved is the choice read back, a serial number with a colon in it included; a text no
// row's key starts opens nothing.
TEST(ProgrammerChoice, SavedTextNamesTheSameProgrammer) {
    const BackendChoice choices[] = {{BackendKind::parallelport, ""},
                                     {BackendKind::simulator, ""},
                                     {BackendKind::ftdi, ""},
                                     {BackendKind::ftdi, "A50285BI"},
                                     {BackendKind::ftdi, "odd:serial"},
                                     {BackendKind::pickit2, ""},
                                     {BackendKind::pickit2, "OT1234567"}};
    for (const BackendChoice& choice : choices) {
        const std::string text = programmersettingtext(choice.kind, choice.argument);
        const std::optional<BackendChoice> back = programmerfromsetting(text);
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_EQ(back->kind, choice.kind) << text;
        EXPECT_EQ(back->argument, choice.argument) << text;
    }
    for (const char* unknown : {"", "lpt", "ftdix:1", ":A50285BI"}) EXPECT_FALSE(programmerfromsetting(unknown)) << unknown;
}

TEST(ProgrammerChoice, StepRateSettingStaysWithinTheAdaptersRange) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"150000", 150'000}, {"500", k_steprate_min}, {"3000000", k_steprate_max}, {"fast", 150'000}, {"-5", 150'000}};
    for (const auto& [text, rate] : cases) EXPECT_EQ(steprateofsetting(text), rate) << text;
}

}  // namespace
}  // namespace vornalt
