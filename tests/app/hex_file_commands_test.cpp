#include "app/hex_file_commands.h"
#include "image/load_summary.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "settings/memory_settings_backend.h"
#include "support/fake_window.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using vornalt::testing::TempFolder;
using Events = std::vector<std::string>;

constexpr const char* k_program = ":020000000528D1\r\n:02000200FF0FEE\r\n:00000001FF\r\n";

// What the window was asked to do, without the event processing in between.
Events seen(const FakeWindow& window) {
    Events kept;
    for (const std::string& call : window.calls) {
        if (call != "events") kept.push_back(call);
    }
    return kept;
}

// The pieces of the shell the HEX commands touch, with a 1K-word model loaded with a word.
struct HexShell {
    TempFolder files;
    AppState app;
    AppliedModel model;
    MemoryImage image;
    MemorySettingsBackend backend;
    SettingsStore settings{backend};
    FakeWindow window;

    HexShell() {
        model.config1erased = 0x3FFF;
        model.config2erased = 0x3FFF;
        model.config2used = true;
        image.flashsize = 1024;
        image.eepromsize = 64;
        clearbuffer(image, model.config1erased, model.config2erased);
        image.flashbuffer[7] = 0x0777;  // stale contents that a load must not keep
        image.loadedwords = 99;
        app.lastpath = "/previous/";
    }
    bool blank() const {
        MemoryImage fresh = image;
        clearbuffer(fresh, model.config1erased, model.config2erased);
        return fresh.flashbuffer == image.flashbuffer && fresh.eeprombuffer == image.eeprombuffer && fresh.idwords == image.idwords &&
               fresh.config1word == image.config1word && fresh.config2word == image.config2word;
    }
    std::optional<std::string> storedlastpath() { return backend.get("Last Path"); }
};

TEST(SplitPath, SplitsAfterTheLastSeparatorOfEitherKind) {
    const struct {
        const char* full;
        const char* folder;
        const char* name;
    } cases[] = {
        {"C:\\hex\\blink.hex", "C:\\hex\\", "blink.hex"},
        {"/home/u/hex/blink.hex", "/home/u/hex/", "blink.hex"},
        {"C:/mixed\\dir/a.hex", "C:/mixed\\dir/", "a.hex"},
        {"blink.hex", "", "blink.hex"},
        {"/blink.hex", "/", "blink.hex"},
        {"/folder/", "/folder/", ""},
    };
    for (const auto& c : cases) {
        const SplitPath parts = splitpath(c.full);
        EXPECT_EQ(parts.folder, c.folder) << c.full;
        EXPECT_EQ(parts.name, c.name) << c.full;
    }
}

TEST(OpenHexFile, LoadsTheChosenFileAndReportsTheWords) {
    HexShell shell;
    const std::string path = shell.files.write("blink.hex", k_program);
    shell.window.openanswers = {path};
    bool enabledduringmessage = true;
    shell.window.onmessage = [&](std::string_view) { enabledduringmessage = !shell.window.disabled; };

    menuopen(shell.app, shell.model, shell.image, shell.settings, shell.window);

    ASSERT_EQ(shell.window.dialogs.size(), 1u);
    EXPECT_EQ(shell.window.dialogs[0].title, "Select HEX File To Open");
    EXPECT_EQ(shell.window.dialogs[0].folder, "/previous/");
    EXPECT_EQ(shell.window.dialogs[0].filter, "Intel HEX files (*.hex)|*.hex|All files (*.*)|*.*");
    EXPECT_EQ(vornalt::testing::forwardslashes(shell.app.lastpath), shell.files.folder());
    EXPECT_EQ(vornalt::testing::forwardslashes(shell.storedlastpath().value_or("")), shell.files.folder());
    EXPECT_EQ(shell.app.label_hex, "blink.hex");
    EXPECT_EQ(shell.image.flashbuffer[0], 0x2805);
    EXPECT_EQ(shell.image.flashbuffer[1], 0x0FFF);
    EXPECT_EQ(shell.image.flashbuffer[7], 0x3FFF) << "the image is cleared before loading";
    EXPECT_EQ(shell.image.loadedwords, 2);
    const Events expected{"open:Select HEX File To Open",
                          "disable",
                          "status:",
                          "updatedisplay",
                          "message:Operation completed.\r\nTotal 2 (.001K) program words loaded.\r\n" +
                              erasedconfignote(shell.model),
                          "enable"};
    EXPECT_EQ(seen(shell.window), expected);
    EXPECT_FALSE(enabledduringmessage) << "the completion message comes before enable";
}

TEST(OpenHexFile, CancelChangesNothing) {
    HexShell shell;
    menuopen(shell.app, shell.model, shell.image, shell.settings, shell.window);
    EXPECT_EQ(seen(shell.window), Events{"open:Select HEX File To Open"});
    EXPECT_EQ(shell.app.lastpath, "/previous/");
    EXPECT_FALSE(shell.storedlastpath().has_value());
    EXPECT_EQ(shell.image.flashbuffer[7], 0x0777);
}

TEST(OpenHexFile, BadFileLeavesABlankImageAndNoReloadableName) {
    HexShell shell;
    shell.app.label_hex = "old.hex";
    // Line 3 fails after line 1 stored a word and line 2 a configuration word.
    const std::string path =
        shell.files.write("bad.hex", ":020000000528D1\r\n:02400E00F13F80\r\n:020000000040BE\r\n");
    shell.window.openanswers = {path};

    menuopen(shell.app, shell.model, shell.image, shell.settings, shell.window);

    const std::string message =
        "Input program file in Intel Hex Format contains errors.\r\nLine number 3: Invalid data byte in the "
        "record.";
    const Events expected{"open:Select HEX File To Open", "disable",       "status:",
                          "message:" + message,           "updatedisplay", "enable"};
    EXPECT_EQ(seen(shell.window), expected);
    EXPECT_TRUE(shell.blank());
    EXPECT_EQ(shell.app.label_hex, "");
    EXPECT_EQ(vornalt::testing::forwardslashes(shell.app.lastpath), shell.files.folder()) << "the folder is kept even though the file was bad";
    EXPECT_EQ(vornalt::testing::forwardslashes(shell.storedlastpath().value_or("")), shell.files.folder());
}

TEST(OpenHexFile, ClickOnTheNameReloadsTheFileFromTheLastPath) {
    HexShell shell;
    shell.app.lastpath = shell.files.folder();
    shell.files.write("blink.hex", k_program);
    shell.app.label_hex = "blink.hex";
    shell.image.flashbuffer[0] = 0x0001;  // edited since the load

    label_hex_click(shell.app, shell.model, shell.image, shell.window);

    EXPECT_EQ(shell.image.flashbuffer[0], 0x2805);
    EXPECT_EQ(shell.app.label_hex, "blink.hex");
    EXPECT_TRUE(shell.window.dialogs.empty());
    EXPECT_FALSE(shell.storedlastpath().has_value()) << "a reload stores no setting";
    EXPECT_EQ(shell.window.messages,
              std::vector<std::string>{"Operation completed.\r\nTotal 2 (.001K) program words loaded.\r\n" +
                                       erasedconfignote(shell.model)});
}

TEST(OpenHexFile, ClickWithoutALoadedFileDoesNothing) {
    HexShell shell;
    label_hex_click(shell.app, shell.model, shell.image, shell.window);
    EXPECT_TRUE(shell.window.calls.empty());
    EXPECT_EQ(shell.image.flashbuffer[7], 0x0777);
}

TEST(OpenHexFile, FileGoneSinceItWasLoadedIsReportedWithItsReason) {
    HexShell shell;
    shell.app.lastpath = shell.files.folder();
    shell.app.label_hex = "gone.hex";

    label_hex_click(shell.app, shell.model, shell.image, shell.window);

    ASSERT_EQ(shell.window.messages.size(), 1u);
    const std::string& message = shell.window.messages[0];
    EXPECT_NE(message.find(shell.files.folder() + "gone.hex"), std::string::npos) << message;
    EXPECT_NE(message.find("No such file or directory"), std::string::npos) << message;
    EXPECT_TRUE(shell.blank());
    EXPECT_EQ(shell.app.label_hex, "");
    EXPECT_FALSE(shell.window.disabled);
    EXPECT_EQ(seen(shell.window),
              (Events{"disable", "status:", "message:" + message, "updatedisplay", "enable"}));
}

TEST(OpenHexFile, CompletionMessageFigures) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {":00000001FF\r\n", "Operation completed.\r\nTotal 0 (0K) program words loaded."},
        {"", "Operation completed.\r\nTotal 0 (0K) program words loaded."},
        {":020200003412B6\r\n", "Operation completed.\r\nTotal 257 (.250K) program words loaded."},
        {":0207FE00FF3FBB\r\n", "Operation completed.\r\nTotal 1024 (1K) program words loaded."},
        {":02420000AB12FF\r\n", "Operation completed.\r\nTotal 0 (0K) program words loaded."},
    };
    for (const auto& c : cases) {
        HexShell shell;
        shell.app.lastpath = shell.files.folder();
        shell.files.write("f.hex", c.text);
        openhexfile(shell.app, shell.model, shell.image, shell.window, "f.hex");
        EXPECT_EQ(shell.window.messages, std::vector<std::string>{c.message + ("\r\n" + erasedconfignote(shell.model))})
            << c.text;
    }
}

// A file that sets CONFIG1 or CONFIG2 gets the completion message alone; one that sets neither
// (an ID word is none) gets a line more, with the erased word(s) decoded.
TEST(OpenHexFile, AFileWithoutAConfigurationWordIsToldWhatTheChipWillRunWith) {
    const std::pair<const char*, bool> cases[] = {
        {":020000000528D1\r\n:02400E00F23F7F\r\n", false}, {":02401000F23F7D\r\n", false}, {":02400000FF3F80\r\n", true}};
    for (const auto& [text, note] : cases) {
        HexShell shell;
        shell.model.configfields = configfieldsof(
            parseconfigfields("models:M\nfield:FOSC,0003,o\nvalue:RC,0003,RC oscillator\n", "c"), "M");
        shell.app.lastpath.clear();
        openhexfile(shell.app, shell.model, shell.image, shell.window, shell.files.write("f.hex", text));
        ASSERT_EQ(shell.window.messages.size(), 1u);
        const std::string added = shell.window.messages[0].substr(loadcompletedmessage(shell.image.loadedwords).size());
        EXPECT_EQ(added.empty(), !note) << text;
        EXPECT_EQ(added.find("3FFF/3FFF (RC oscillator)") != std::string::npos, note) << added;
    }
}

TEST(SaveHex, NewFileIsWrittenAndBecomesTheLoadedFile) {
    HexShell shell;
    const std::string path = (shell.files.path() / "out.hex").string();
    shell.window.saveanswers = {path};

    menusave(shell.app, shell.model, shell.image, shell.settings, shell.window);

    ASSERT_EQ(shell.window.dialogs.size(), 1u);
    EXPECT_EQ(shell.window.dialogs[0].title, "Save Buffer As");
    EXPECT_EQ(shell.window.dialogs[0].folder, "/previous/");
    EXPECT_EQ(shell.window.dialogs[0].filter, "Intel HEX files (*.hex)|*.hex|All files (*.*)|*.*");
    EXPECT_EQ(seen(shell.window), (Events{"save:Save Buffer As", "disable", "enable"}));
    EXPECT_EQ(read_file(path).value(),
              ":10000000FF3FFF3FFF3FFF3FFF3FFF3FFF3F7707C0\r\n:02400E00FF3F72\r\n:02401000FF3F70\r\n"
              ":00000001FF\r\n");
    EXPECT_EQ(shell.app.label_hex, "out.hex");
    EXPECT_EQ(vornalt::testing::forwardslashes(shell.app.lastpath), shell.files.folder());
    EXPECT_EQ(vornalt::testing::forwardslashes(shell.storedlastpath().value_or("")), shell.files.folder());
}

TEST(SaveHex, NameWithoutExtensionGetsHex) {
    const std::pair<const char*, const char*> cases[] = {{"out", "out.hex"}, {"out.HEX", "out.HEX"}, {"a.b", "a.b"},
                                                         {".hidden", ".hidden.hex"}};
    for (const auto& [typed, written] : cases) {
        HexShell shell;
        shell.window.saveanswers = {(shell.files.path() / typed).string()};
        menusave(shell.app, shell.model, shell.image, shell.settings, shell.window);
        EXPECT_TRUE(std::filesystem::exists(shell.files.path() / written)) << typed;
        EXPECT_EQ(shell.app.label_hex, written);
    }
}

TEST(SaveHex, ExistingFileIsReplacedOnlyAfterYes) {
    for (const bool yes : {false, true}) {
        HexShell shell;
        shell.app.label_hex = "loaded.hex";
        const std::string path = shell.files.write("out.hex", "old contents");
        shell.window.saveanswers = {path};
        shell.window.questionanswers = {yes};

        menusave(shell.app, shell.model, shell.image, shell.settings, shell.window);

        EXPECT_EQ(seen(shell.window)[1], "question:Do you want to overwrite file " + path + "?");
        EXPECT_EQ(read_file(path).value() == "old contents", !yes);
        EXPECT_EQ(shell.app.label_hex, yes ? "out.hex" : "loaded.hex");
        EXPECT_EQ(vornalt::testing::forwardslashes(shell.app.lastpath), shell.files.folder()) << "the folder changes even on No";
        EXPECT_EQ(vornalt::testing::forwardslashes(shell.storedlastpath().value_or("")), shell.files.folder());
        EXPECT_FALSE(shell.window.disabled);
    }
}

TEST(SaveHex, FailedSaveIsReportedAndKeepsTheOldFile) {
    HexShell shell;
    shell.app.label_hex = "loaded.hex";
    std::filesystem::create_directory(shell.files.path() / "taken.hex");
    shell.files.write("taken.hex/inside", "keep");
    const std::string path = (shell.files.path() / "taken.hex").string();
    shell.window.saveanswers = {path};
    shell.window.questionanswers = {true};

    menusave(shell.app, shell.model, shell.image, shell.settings, shell.window);

    ASSERT_EQ(shell.window.messages.size(), 1u);
    EXPECT_NE(shell.window.messages[0].find(path), std::string::npos) << shell.window.messages[0];
    EXPECT_EQ(read_file(path + "/inside").value(), "keep");
    EXPECT_EQ(shell.app.label_hex, "") << "the image matches no file";
    EXPECT_FALSE(shell.window.disabled);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(shell.files.path())) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"taken.hex"}) << "no temporary file left behind";
}

TEST(SaveHex, CancelWritesNothing) {
    HexShell shell;
    menusave(shell.app, shell.model, shell.image, shell.settings, shell.window);
    EXPECT_EQ(seen(shell.window), Events{"save:Save Buffer As"});
    EXPECT_EQ(shell.app.lastpath, "/previous/");
    EXPECT_TRUE(std::filesystem::is_empty(shell.files.path()));
}

TEST(SaveHex, SavedFileOpensToTheSameImage) {
    HexShell shell;
    shell.image.eeprombuffer[63] = 0x42;
    shell.image.config1word = 0x3F72;
    shell.image.config2word = 0x0123;
    const MemoryImage saved = shell.image;
    shell.window.saveanswers = {(shell.files.path() / "trip.hex").string()};
    menusave(shell.app, shell.model, shell.image, shell.settings, shell.window);

    clearbuffer(shell.image, shell.model.config1erased, shell.model.config2erased);
    label_hex_click(shell.app, shell.model, shell.image, shell.window);

    EXPECT_EQ(shell.image.flashbuffer, saved.flashbuffer);
    EXPECT_EQ(shell.image.eeprombuffer, saved.eeprombuffer);
    EXPECT_EQ(shell.image.config1word, 0x3F72);
    EXPECT_EQ(shell.image.config2word, 0x0123);
    EXPECT_EQ(shell.image.loadedwords, 8);
}

}  // namespace
}  // namespace vornalt
