#include <gtest/gtest.h>

#include "app/load_rig.h"
#include "app/port_selection.h"
#include "app/selection_prompts.h"

namespace vornalt {
namespace {

using vornalt::testing::LoadRig;

struct PortCase {
    const char* what;
    std::int32_t startaddress;
    std::vector<std::int32_t> unreachable;
    std::vector<std::string> answers;  // empty: Cancel
    std::int32_t address;              // afterwards
    bool asked;
    bool wrong;
    std::vector<std::int32_t> reopened;    // addresses opened by the prompt
    std::vector<std::string> statuses;     // status texts the prompt set
};

TEST(PortPrompt, Answers) {
    const PortCase cases[] = {
        {"port 2 picked", 888, {}, {"2"}, 632, true, false, {632}, {"Parallel port 2 ready"}},
        {"port 3 picked", 632, {}, {"3"}, 956, true, false, {956}, {"Parallel port 3 ready"}},
        {"same port: nothing reopened", 888, {}, {"1"}, 888, true, false, {}, {"Parallel port 1 ready"}},
        {"cancel shows the status again", 888, {}, {}, 888, true, false, {}, {"Parallel port 1 ready"}},
        {"leading blank is wrong", 888, {}, {" 1"}, 888, true, true, {}, {"Parallel port 1 ready"}},
        {"trailing blank is wrong", 956, {}, {"2 "}, 956, true, true, {}, {"Parallel port 3 ready"}},
        {"4 is wrong", 888, {}, {"4"}, 888, true, true, {}, {"Parallel port 1 ready"}},
        {"2.0 is wrong", 888, {}, {"2.0"}, 888, true, true, {}, {"Parallel port 1 ready"}},
        {"an address of its own is not asked about", 1000, {}, {"2"}, 1000, false, false, {}, {}},
        {"new port unreachable", 888, {632}, {"2"}, 632, true, false, {632}, {"Parallel port 2 not available"}},
        {"unreachable port is tried again", 888, {888}, {}, 888, true, false, {888}, {"Parallel port 1 not available"}},
    };
    for (const PortCase& c : cases) {
        LoadRig rig;
        rig.unavailable = c.unreachable;
        rig.backend.set("Parallel Port Address", std::to_string(c.startaddress));
        rig.load();
        rig.opened.clear();
        rig.window.statuses.clear();
        rig.window.inputanswers.assign(c.answers.begin(), c.answers.end());

        menuport(rig.driver, rig.port, rig.settings, rig.window);

        EXPECT_EQ(rig.state.portaddress, c.address) << c.what;
        EXPECT_EQ(rig.stored("Parallel Port Address"), std::to_string(c.address)) << c.what;
        ASSERT_EQ(rig.window.inputs.size(), c.asked ? 1U : 0U) << c.what;
        if (c.asked) {
            EXPECT_EQ(rig.window.inputs[0].prompt, "Please select programmer Parallel Port Number [1-3].");
            EXPECT_EQ(rig.window.inputs[0].proposed, std::to_string(portnumber(c.startaddress))) << c.what;
        }
        EXPECT_EQ(rig.window.messages, c.wrong ? std::vector<std::string>{"Wrong entry!"} : std::vector<std::string>{})
            << c.what;
        EXPECT_EQ(rig.opened, c.reopened) << c.what;
        EXPECT_EQ(rig.window.statuses, c.statuses) << c.what;
        EXPECT_EQ(rig.testport().base, c.address) << c.what;
    }
}

TEST(PortPrompt, AddressIsRewrittenEvenWhenUnchanged) {
    LoadRig rig;
    rig.backend.set("Parallel Port Address", "1000.4");
    rig.load();
    menuport(rig.driver, rig.port, rig.settings, rig.window);
    EXPECT_EQ(rig.stored("Parallel Port Address"), "1000");
}

TEST(PortPrompt, NoRegisterIsWrittenWhenThePortChanges) {
    LoadRig rig;
    rig.load();
    rig.window.inputanswers = {"3"};
    menuport(rig.driver, rig.port, rig.settings, rig.window);
    EXPECT_TRUE(rig.testport().writes.empty());
    rig.driver.vddon();
    ASSERT_EQ(rig.testport().writes.size(), 2U);
    EXPECT_EQ(rig.testport().writes[0].address, 956);
    EXPECT_EQ(rig.testport().writes[0].value, 0x07) << "the shadow bytes carry over to the new port";
}

}  // namespace
}  // namespace vornalt
