#include "app/selection_prompts.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "support/fake_window.h"
#include "settings/memory_settings_backend.h"
#include "app/shell_fixture.h"

namespace vornalt {
namespace {


DeviceCatalogue catalogueof(std::initializer_list<const char*> names) {
    DeviceCatalogue catalogue;
    catalogue.records.emplace_back();  // record 0 is never a model
    for (const char* name : names) {
        DeviceRecord record;
        record.model = name;
        catalogue.records.push_back(record);
    }
    catalogue.modelcount = static_cast<std::int32_t>(names.size());
    return catalogue;
}

struct PromptCase {
    const char* what;
    std::initializer_list<const char*> names;
    std::string expected;
};

TEST(ModelPrompt, TwoColumnsNumberedFromOne) {
    const std::string head3 = "Select new microcontroller model [1-3]:\r\n\r\n";
    const PromptCase cases[] = {
        {"one model: a single row, no right column",
         {"16f84a"},
         "Select new microcontroller model [1-1]:\r\n\r\n1.\t16F84A    \r\n"},
        {"three models: 1 beside 3, then 2 alone",
         {"16f84a", "16f628", "16f877"},
         head3 + "1.\t16F84A    \t\t3.\t16F877\r\n2.\t16F628    \r\n"},
        {"four models: 1 beside 3, 2 beside 4",
         {"a", "bb", "ccc", "dddd"},
         "Select new microcontroller model [1-4]:\r\n\r\n1.\tA         \t\t3.\tCCC\r\n2.\tBB        \t\t4.\tDDDD\r\n"},
        {"five models: 1 beside 4, 2 beside 5, then 3 alone",
         {"m1", "m2", "m3", "m4", "m5"},
         "Select new microcontroller model [1-5]:\r\n\r\n1.\tM1        \t\t4.\tM4\r\n2.\tM2        \t\t5.\tM5\r\n"
         "3.\tM3        \r\n"},
        {"a name of exactly 10 characters gets no blanks",
         {"16f877a-xx", "16f84"},
         "Select new microcontroller model [1-2]:\r\n\r\n1.\t16F877A-XX\t\t2.\t16F84\r\n"},
        {"a longer name gets no blanks either",
         {"pic16lf1938-i", "x"},
         "Select new microcontroller model [1-2]:\r\n\r\n1.\tPIC16LF1938-I\t\t2.\tX\r\n"},
        {"names are shown untrimmed, only upper-cased",
         {" 12f675", ""},
         "Select new microcontroller model [1-2]:\r\n\r\n1.\t 12F675   \t\t2.\t\r\n"},
    };
    for (const PromptCase& c : cases) EXPECT_EQ(modelprompt(catalogueof(c.names)), c.expected) << c.what;
}

TEST(ModelPrompt, AnswerPicksAnotherModelOrKeepsTheCurrentOne) {
    const DeviceCatalogue catalogue = catalogueof({"a", "b", "c", "d"});
    struct Case {
        const char* answer;
        std::int32_t expected;  // 0: keep the current model (3)
    };
    const Case cases[] = {
        {"1", 1}, {"4", 4}, {"2.5", 2}, {"1.5", 2}, {" 2", 2}, {"2x", 2},
        {"3", 0},  // the current model: nothing to do
        {"", 0},   // Cancel
        {"0", 0}, {"5", 0}, {"-1", 0}, {"abc", 0}, {"4.5", 4}, {"4.6", 0}, {"99999999999", 0},
    };
    for (const Case& c : cases) {
        FakeWindow window;
        window.inputanswers = {c.answer};
        EXPECT_EQ(askmodel(catalogue, 3, window), c.expected) << '"' << c.answer << '"';
        ASSERT_EQ(window.inputs.size(), 1U);
        EXPECT_EQ(window.inputs[0].proposed, "3");
        EXPECT_TRUE(window.messages.empty()) << "no message for any model answer";
    }
}

TEST(ModelPrompt, AnswerNamingAModelSelectsIt) {
    const DeviceCatalogue catalogue = catalogueof({"12F629", "16f84a", "16F877A", "16F628A"});
    struct Case {
        const char* answer;
        std::int32_t expected;
        bool told;  // no such model, said
    };
    // A name is matched whole, in any case, blanks and a "PIC" around it ignored; a name the
    // catalogue lacks is refused, not read as its leading number; anything else is a number.
    const Case cases[] = {{"16F84A", 2, false}, {" 16f877a ", 3, false}, {"PIC12f629", 1, false},
                          {"3F628", 0, true},   {"2", 2, false},         {"3.4", 3, false},
                          {"1e0", 1, false},    {"2x", 2, false}};
    for (const Case& c : cases) {
        FakeWindow window;
        window.inputanswers = {c.answer};
        EXPECT_EQ(askmodel(catalogue, 4, window), c.expected) << '"' << c.answer << '"';
        EXPECT_EQ(window.messages.size(), c.told ? 1u : 0u) << '"' << c.answer << '"';
    }
}

TEST(ProgtimePrompt, AcceptsOneToThirtyRoundedHalvesToEven) {
    struct Case {
        const char* answer;
        std::int32_t expected;  // the programming time after the answer, starting from 10
        bool wrong;             // "Wrong entry!" shown
    };
    const Case cases[] = {
        {"30", 30, false}, {"1", 1, false},     {"1.5", 2, false},   {"2.5", 2, false},
        {"29.5", 30, false}, {"7ms", 7, false}, {" 4", 4, false},    {"", 10, false},
        {"30.4", 10, true},  {"0.5", 10, true}, {"0", 10, true},     {"31", 10, true},
        {"abc", 10, true},   {"-5", 10, true},  {"1e9", 10, true},
    };
    for (const Case& c : cases) {
        AppliedModel model;
        model.progtime = 10;
        FakeWindow window;
        window.inputanswers = {c.answer};
        menuprogtime(model, window);
        EXPECT_EQ(model.progtime, c.expected) << '"' << c.answer << '"';
        EXPECT_EQ(window.messages, c.wrong ? std::vector<std::string>{"Wrong entry!"} : std::vector<std::string>{})
            << '"' << c.answer << '"';
        ASSERT_EQ(window.inputs.size(), 1U);
        EXPECT_EQ(window.inputs[0].prompt, "Enter new programming time in ms [1-30].");
        EXPECT_EQ(window.inputs[0].proposed, "10");
    }
}

TEST(ProgtimePrompt, RefusesLessThanTheModelsWriteTime) {
    for (const auto& [answer, expected] : {std::pair{"5.4", 6}, std::pair{"5.5", 6}, std::pair{"7", 7}}) {
        AppliedModel model;
        model.modelname = "16F690";
        model.progtime = model.progtime_min = 6;
        FakeWindow window;
        window.inputanswers = {answer};
        menuprogtime(model, window);
        EXPECT_EQ(model.progtime, expected) << answer;
        const bool refused = std::string_view(answer) == "5.4";  // rounds to 5
        EXPECT_EQ(window.messages.size(), refused ? 1U : 0U) << answer;
        if (refused) {
            EXPECT_NE(window.messages[0].find("The 16F690 needs at least 6 ms"), std::string::npos);
        }
    }
}

TEST(ClockDelayPrompt, AcceptsWholeMicrosecondsUpToOneThousand) {
    struct Case {
        const char* answer;
        const char* stored;  // setting after the answer; nullptr: never written
        bool wrong;
    };
    const Case cases[] = {
        {"0", "0", false},      {"1000", "1000", false}, {"25", "25", false},  {"0010", "10", false},
        {"", nullptr, false},   {"1001", nullptr, true}, {"-1", nullptr, true}, {"2.5", nullptr, true},
        {" 5", nullptr, true},  {"5 ", nullptr, true},   {"abc", nullptr, true}, {"12x", nullptr, true},
        {"99999999999999", nullptr, true},
    };
    for (const Case& c : cases) {
        DriverState driver;
        driver.clockdelay_us = 7;
        MemorySettingsBackend backend;
        SettingsStore settings(backend);
        FakeWindow window;
        window.inputanswers = {c.answer};
        menuclockdelay(driver, settings, window);
        ASSERT_EQ(window.inputs.size(), 1U);
        EXPECT_EQ(window.inputs[0].prompt, "Enter minimum CLOCK half-period in microseconds [0-1000].");
        EXPECT_EQ(window.inputs[0].proposed, "7");
        EXPECT_EQ(window.messages.size(), c.wrong ? 1U : 0U) << '"' << c.answer << '"';
        if (c.stored) {
            EXPECT_EQ(backend.get("Clock Delay"), std::optional<std::string>(c.stored)) << c.answer;
            EXPECT_EQ(std::to_string(driver.clockdelay_us), c.stored);
        } else {
            EXPECT_FALSE(backend.contains("Clock Delay")) << '"' << c.answer << '"';
            EXPECT_EQ(driver.clockdelay_us, 7);
        }
    }
}

TEST(ClockDelaySetting, HeldInsideTheAcceptedRange) {
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    const Case cases[] = {{"0", 0}, {"250", 250}, {"1000", 1000}, {"1001", 1000}, {"-4", 0}, {"abc", 0}, {"2.5", 2}};
    for (const Case& c : cases) EXPECT_EQ(clockdelayfromsetting(c.text), c.expected) << c.text;
}

}  // namespace
}  // namespace vornalt

namespace vornalt {
namespace {


struct ModelShell {
    AppState app;
    DeviceCatalogue catalogue = vornalt::testing::threemodels();
    AppliedModel model;
    MemoryImage image;
    MemorySettingsBackend backend;
    SettingsStore settings{backend};
    FakeWindow window;

    ModelShell() {
        app.selectedmodel = 1;
        EXPECT_TRUE(applymodel(catalogue, 1, model, image).ok());
        clearbuffer(image, model.config1erased, model.config2erased);
        image.flashbuffer[0] = 0x0123;  // a loaded image, to see whether it survives
        app.label_hex = "blink.hex";
    }
    void run(std::string answer) {
        window.inputanswers = {std::move(answer)};
        menumodel(app, catalogue, model, image, settings, window);
    }
};

TEST(ModelChange, NewModelIsSavedAppliedAndClearedFor) {
    ModelShell shell;
    shell.model.progtime = 5;  // set by hand; the new model brings its own
    shell.run("3");
    EXPECT_EQ(shell.app.selectedmodel, 3);
    EXPECT_EQ(shell.backend.get("Microcontroller Model"), std::optional<std::string>("3"));
    EXPECT_EQ(shell.model.modelname, "16F876");
    EXPECT_EQ(shell.model.progtime, 8);
    EXPECT_EQ(shell.image.flashbuffer, std::vector<std::int32_t>(8192, 0x3FFF));
    EXPECT_EQ(shell.app.label_hex, "");
    const std::vector<std::string> expected{"input:" + modelprompt(shell.catalogue), "disable", "events",
                                            "updatedisplay", "status:", "enable", "events"};
    EXPECT_EQ(shell.window.calls, expected);
    ASSERT_EQ(shell.window.inputs.size(), 1U);
    EXPECT_EQ(shell.window.inputs[0].proposed, "1");
}

TEST(ModelChange, KeepingTheModelKeepsEverything) {
    for (const char* answer : {"1", "", "0", "4", "abc", "1.4"}) {
        ModelShell shell;
        shell.run(answer);
        EXPECT_EQ(shell.app.selectedmodel, 1) << answer;
        EXPECT_EQ(shell.image.flashbuffer[0], 0x0123) << answer;
        EXPECT_EQ(shell.app.label_hex, "blink.hex") << answer;
        EXPECT_TRUE(shell.backend.values().empty()) << answer;
        const std::vector<std::string> onlyasked{"input:" + modelprompt(shell.catalogue)};
        EXPECT_EQ(shell.window.calls, onlyasked) << answer;
        EXPECT_TRUE(shell.window.messages.empty()) << answer;
    }
}

TEST(ModelChange, ModelTheImageCannotHoldIsRefusedWithItsReason) {
    ModelShell shell;
    shell.catalogue = vornalt::testing::catalogueofmodels(
        {{"16f84a", "1024", "64", "3FFF,3FFF", "10"}, {"broken", "0", "0", "3FFF,3FFF", "1"}});
    shell.run("2");
    ASSERT_EQ(shell.window.messages.size(), 1U);
    EXPECT_NE(shell.window.messages[0].find("devices.cfg"), std::string::npos) << shell.window.messages[0];
    EXPECT_EQ(shell.app.selectedmodel, 1);
    EXPECT_EQ(shell.model.modelname, "16F84A");
    EXPECT_EQ(shell.image.flashbuffer[0], 0x0123);
    EXPECT_FALSE(shell.backend.contains("Microcontroller Model"));
}

}  // namespace
}  // namespace vornalt
