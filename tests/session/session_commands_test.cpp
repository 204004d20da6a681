// The session's commands as a front end calls them: the clicks that would change the image are
// ignored while a run has it, and the named-file commands of vornalt-cli say whether they worked.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "app/shell_fixture.h"
#include "support/session_rig.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using testing::SessionRig;
using testing::TempFolder;

TEST(SessionCommands, ImageClicksDoNothingWhileARunHasTheImage) {
    struct Case {
        const char* name;
        std::function<void(Session&)> click;
    };
    const Case cases[] = {{"reload", [](Session& s) { s.reload_hex_file(); }},
                          {"config1", [](Session& s) { s.edit_config1(); }},
                          {"config2", [](Session& s) { s.edit_config2(); }}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SessionRig rig;
        rig.app.label_hex = "missing.hex";
        rig.model.programscript = {"begin", "s06", "end"};
        bool clicked = false;
        rig.window.onevents = [&] {
            if (clicked || !rig.session->busy()) return;
            clicked = true;
            c.click(*rig.session);
        };
        rig.run(ChipOperation::programall);
        ASSERT_TRUE(clicked);
        EXPECT_TRUE(rig.window.inputs.empty());
        EXPECT_TRUE(rig.window.messages.empty());
        EXPECT_EQ(rig.app.label_hex, "missing.hex");

        // The same click once the run is over is heard: it asks, or says the file is gone.
        rig.window.onevents = nullptr;
        c.click(*rig.session);
        EXPECT_EQ(rig.window.inputs.size() + rig.window.messages.size(), 1u);
    }
}

TEST(SessionCommands, NamedFilesSaveAndLoadAndSayWhenTheyCannot) {
    TempFolder temp;
    SessionRig rig;
    rig.image.flashbuffer[1] = 0x2805;
    const std::string file = temp.folder() + "out.hex";
    ASSERT_TRUE(rig.session->save_hex_file(file).ok());
    EXPECT_FALSE(rig.session->save_hex_file(temp.folder() + "no/such/folder/out.hex").ok());

    rig.image.flashbuffer[1] = 0x3FFF;
    EXPECT_TRUE(rig.session->load_hex_file(file));
    EXPECT_EQ(rig.session->loaded_file(), "out.hex");
    EXPECT_EQ(rig.image.flashbuffer[1], 0x2805);
    // Rebuilt since: Verify loads it again, and its end text says so after the run's own texts.
    std::ofstream(file) << ":00000001FF\n";
    rig.model.verifyscript = {"begin", "end"};
    rig.run(ChipOperation::verify);
    EXPECT_EQ(rig.window.status, "Chip verified (file reloaded)");
    EXPECT_EQ(rig.image.flashbuffer[1], 0x3FFF);

    rig.window.messages.clear();
    EXPECT_FALSE(rig.session->load_hex_file(temp.folder() + "missing.hex"));
    EXPECT_EQ(rig.session->loaded_file(), "");
    EXPECT_EQ(rig.window.messages.size(), 1u);
}

TEST(SessionCommands, UnsavedImageIsThrownAwayOnlyAfterYes) {
    const std::string question = "The memory image has changes that are not saved. Discard them?";
    // What was done to the image since it was clean: edited (e), read from the chip (r), saved
    // (s), cleared (c), in that order.
    const auto work = [](SessionRig& rig, const std::string& steps, const std::string& folder) {
        for (const char step : steps) {
            rig.window.inputanswers = {"0", "1234"};
            rig.window.saveanswers = {folder + "saved.hex"};
            if (step == 'e') rig.session->edit_flash();
            if (step == 'r') rig.session->run(ChipOperation::readall);
            if (step == 's') rig.session->save_buffer();
            if (step == 'c') rig.session->clear_buffer();
        }
    };
    struct Case {
        const char* steps;
        bool unsaved;
    };
    const Case cases[] = {{"e", true}, {"r", true}, {"es", false}, {"ec", false}, {"", false}};
    for (const Case& c : cases) {
        for (const bool yes : {false, true}) {
            SCOPED_TRACE(std::string(c.steps) + (yes ? ", Yes" : ", No"));
            TempFolder temp;
            SessionRig rig;
            rig.inside.catalogue() = testing::threemodels();
            ASSERT_TRUE(rig.session->apply_model(1).ok());
            work(rig, c.steps, temp.folder());
            const std::int32_t word = rig.image.flashbuffer[0];
            rig.window.calls.clear();
            rig.window.questionanswers = {yes};
            rig.window.inputanswers = {"2"};
            rig.session->change_model();
            const bool asked = !rig.window.calls.empty() && rig.window.calls[1] == "question:" + question;
            EXPECT_EQ(asked, c.unsaved);
            const bool kept = c.unsaved && !yes;
            EXPECT_EQ(rig.app.selectedmodel, kept ? 1 : 2);
            EXPECT_EQ(rig.image.flashbuffer[0], kept ? word : 0x3FFF);

            // Open HEX File asks before its dialog; No leaves the dialog unshown.
            if (!c.unsaved || yes) continue;
            rig.window.calls.clear();
            rig.window.questionanswers = {false};
            rig.session->open_hex_file();
            EXPECT_EQ(rig.window.calls, std::vector<std::string>{"question:" + question});
        }
    }
}

}  // namespace
}  // namespace vornalt
