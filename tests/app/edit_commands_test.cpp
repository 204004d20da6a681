#include "app/edit_commands.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/fake_window.h"

namespace vornalt {
namespace {

using Command = void (*)(AppState&, MemoryImage&, WindowServices&);

MemoryImage blankimage(std::int32_t flashsize, std::int32_t eepromsize) {
    MemoryImage image;
    image.flashsize = flashsize;
    image.eepromsize = eepromsize;
    clearbuffer(image, 0x3FFF, 0x3FFF);
    return image;
}

// Remembers the file name the window would show at each redraw.
class RedrawWindow : public FakeWindow {
public:
    explicit RedrawWindow(const AppState& app) : app_(app) {}
    std::vector<std::string> shownnames;
    void updatedisplay() override {
        FakeWindow::updatedisplay();
        shownnames.push_back(app_.label_hex);
    }

private:
    const AppState& app_;
};

struct EditCase {
    const char* what;
    Command command;
    std::int32_t flashsize, eepromsize;
    std::vector<std::string> answers;  // every answer ready; only the first `asked` are taken
    std::size_t asked;
    std::string message;                       // "" when none is expected
    std::function<void(MemoryImage&)> change;  // empty: the image must stay as it was
};

TEST(EditCommands, AnswersChangeOneLocationOrNothing) {
    const auto flash = [](std::size_t a, std::int32_t v) {
        return [=](MemoryImage& i) { i.flashbuffer[a] = v; };
    };
    const auto eeprom = [](std::size_t a, std::int32_t v) {
        return [=](MemoryImage& i) { i.eeprombuffer[a] = v; };
    };
    const auto ids = [](std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
        return [=](MemoryImage& i) { i.idwords = {a, b, c, d}; };
    };
    const std::string out = "Out of range.";
    const std::vector<EditCase> cases{
        {"id: four words, short and lower-case", menueditidwords, 1024, 64, {"1 2a  3ffe 0"}, 1, "",
         ids(1, 0x2A, 0x3FFE, 0)},
        {"id: three words", menueditidwords, 1024, 64, {"1 2 3"}, 1, out, {}},
        {"id: five words", menueditidwords, 1024, 64, {"1 2 3 4 5"}, 1, out, {}},
        {"id: word too large", menueditidwords, 1024, 64, {"1 2 3 4000"}, 1, out, {}},
        {"id: not hex", menueditidwords, 1024, 64, {"1 2 3 G"}, 1, out, {}},
        {"id: cancelled", menueditidwords, 1024, 64, {""}, 1, "", {}},
        {"flash: short upper-case address",
         menueditflash,
         8192,
         256,
         {"1F", "1234"},
         2,
         "",
         flash(0x1F, 0x1234)},
        {"flash: lower-case address and data",
         menueditflash,
         8192,
         256,
         {"1f", "3ffe"},
         2,
         "",
         flash(0x1F, 0x3FFE)},
        {"flash: one digit each", menueditflash, 8192, 256, {"7", "A"}, 2, "", flash(7, 0x000A)},
        {"flash: last address", menueditflash, 8192, 256, {"1FFF", "0"}, 2, "", flash(0x1FFF, 0)},
        {"flash: address past the end", menueditflash, 8192, 256, {"2000", "0"}, 1, out, {}},
        {"flash: end of a small model", menueditflash, 1024, 64, {"400", "0"}, 1, out, {}},
        {"flash: five digits", menueditflash, 8192, 256, {"12345", "0"}, 1, out, {}},
        {"flash: not hex", menueditflash, 8192, 256, {"1G", "0"}, 1, out, {}},
        {"flash: blank inside", menueditflash, 8192, 256, {" 1F", "0"}, 1, out, {}},
        {"flash: data too large", menueditflash, 8192, 256, {"10", "4000"}, 2, out, {}},
        {"flash: highest data", menueditflash, 8192, 256, {"10", "3FFF"}, 2, "", flash(0x10, 0x3FFF)},
        {"flash: data five digits", menueditflash, 8192, 256, {"10", "03FFF"}, 2, out, {}},
        {"flash: cancel at address", menueditflash, 8192, 256, {""}, 1, "", {}},
        {"flash: cancel at data", menueditflash, 8192, 256, {"10", ""}, 2, "", {}},
        {"eeprom: address and data", menuediteeprom, 1024, 128, {"7f", "a5"}, 2, "", eeprom(0x7F, 0xA5)},
        {"eeprom: one digit each", menuediteeprom, 1024, 128, {"3", "0"}, 2, "", eeprom(3, 0)},
        {"eeprom: address past the end", menuediteeprom, 1024, 128, {"80", "00"}, 1, out, {}},
        {"eeprom: three-digit address", menuediteeprom, 1024, 128, {"001", "00"}, 1, out, {}},
        {"eeprom: data three digits", menuediteeprom, 1024, 128, {"01", "100"}, 2, out, {}},
        {"eeprom: cancel at data", menuediteeprom, 1024, 128, {"01", ""}, 2, "", {}},
        // Two-digit addresses reach only the first 256 bytes of a larger EEPROM.
        {"eeprom: large, last reachable", menuediteeprom, 1024, 512, {"FF", "12"}, 2, "", eeprom(0xFF, 0x12)},
        {"eeprom: large, beyond FF", menuediteeprom, 1024, 512, {"100", "12"}, 1, out, {}},
        {"config1: accepted",
         label_conf1_click,
         1024,
         64,
         {"3f72"},
         1,
         "",
         [](MemoryImage& i) { i.config1word = 0x3F72; }},
        {"config1: too large", label_conf1_click, 1024, 64, {"4000"}, 1, out, {}},
        {"config1: cancel", label_conf1_click, 1024, 64, {""}, 1, "", {}},
        {"config2: accepted",
         label_conf2_click,
         1024,
         64,
         {"3FFF"},
         1,
         "",
         [](MemoryImage& i) { i.config2word = 0x3FFF; }},
        {"config2: short",
         label_conf2_click,
         1024,
         64,
         {"2"},
         1,
         "",
         [](MemoryImage& i) { i.config2word = 0x0002; }},
        {"config2: too large", label_conf2_click, 1024, 64, {"4000"}, 1, out, {}},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryImage image = blankimage(c.flashsize, c.eepromsize);
        image.config2word = 0x0100;  // differs from every value the cases type
        MemoryImage expected = image;
        if (c.change) c.change(expected);
        AppState app;
        app.label_hex = "blink.hex";
        RedrawWindow window(app);
        window.inputanswers.assign(c.answers.begin(), c.answers.end());

        c.command(app, image, window);

        EXPECT_EQ(image.flashbuffer, expected.flashbuffer);
        EXPECT_EQ(image.eeprombuffer, expected.eeprombuffer);
        EXPECT_EQ(image.idwords, expected.idwords);
        EXPECT_EQ(image.config1word, expected.config1word);
        EXPECT_EQ(image.config2word, expected.config2word);
        EXPECT_EQ(window.messages, c.message.empty() ? std::vector<std::string>{} : std::vector{c.message});
        if (c.change) {
            // Redrawn once, with the loaded file already forgotten.
            EXPECT_EQ(window.shownnames, std::vector<std::string>{""});
            EXPECT_EQ(app.label_hex, "");
        } else {
            EXPECT_EQ(window.updatecount, 0);
            EXPECT_EQ(app.label_hex, "blink.hex");
        }
        EXPECT_EQ(window.inputs.size(), c.asked) << "a refused or cancelled answer ends the command";
        EXPECT_EQ(window.disablecount + window.enablecount, 0);
    }
}

struct PromptCase {
    const char* what;
    Command command;
    std::int32_t flashsize, eepromsize;
    std::vector<std::string> prompts;
};

TEST(EditCommands, PromptsShowTheRangeOfTheModel) {
    const std::string data4 = "Enter new data to be written [0000-3FFF].";
    const std::vector<PromptCase> cases{
        {"flash 8192",
         menueditflash,
         8192,
         256,
         {"Enter the address of FLASH memory location to edit [0000-1FFF].", data4}},
        {"flash 1024",
         menueditflash,
         1024,
         64,
         {"Enter the address of FLASH memory location to edit [0000-03FF].", data4}},
        {"eeprom 128",
         menuediteeprom,
         1024,
         128,
         {"Enter the address of EEPROM memory location to edit [00-7F].",
          "Enter new data to be written [00-FF]."}},
        {"eeprom 512 shows the low byte",
         menuediteeprom,
         1024,
         512,
         {"Enter the address of EEPROM memory location to edit [00-FF].",
          "Enter new data to be written [00-FF]."}},
        {"config1", label_conf1_click, 1024, 64, {data4}},
        {"config2", label_conf2_click, 1024, 64, {data4}},
    };
    for (const PromptCase& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryImage image = blankimage(c.flashsize, c.eepromsize);
        AppState app;
        FakeWindow window;
        window.inputanswers.assign(c.prompts.size(), "1");
        c.command(app, image, window);
        ASSERT_EQ(window.inputs.size(), c.prompts.size());
        for (std::size_t i = 0; i < c.prompts.size(); ++i) {
            EXPECT_EQ(window.inputs[i].prompt, c.prompts[i]);
            EXPECT_EQ(window.inputs[i].proposed, "");
        }
    }
}

TEST(EditCommands, EepromEditOnAModelWithoutEepromOnlySaysSo) {
    MemoryImage image = blankimage(1024, 0);
    const MemoryImage before = image;
    AppState app;
    app.label_hex = "blink.hex";
    FakeWindow window;
    window.inputanswers = {"0", "0"};
    menuediteeprom(app, image, window);
    EXPECT_EQ(window.calls, std::vector<std::string>{"message:This model do not feature EEPROM memory."});
    EXPECT_EQ(image.eeprombuffer, before.eeprombuffer);
    EXPECT_EQ(app.label_hex, "blink.hex");
}

TEST(EditCommands, BufferSmallerThanTheModelIsNeverWrittenPast) {
    // The image was not cleared after a size change: the address the prompt offers does not exist.
    MemoryImage image = blankimage(16, 8);
    image.flashsize = 32;
    image.eepromsize = 16;
    AppState app;
    FakeWindow window;
    window.inputanswers = {"1F", "0F", "0"};
    menueditflash(app, image, window);
    menuediteeprom(app, image, window);
    EXPECT_EQ(window.messages, (std::vector<std::string>{"Out of range.", "Out of range."}));
    EXPECT_EQ(image.flashbuffer.size(), 16u);
    EXPECT_EQ(window.updatecount, 0);
}

TEST(EditCommands, CompleteHexPadsAndUpperCasesWithinTheField) {
    struct Case {
        std::string answer;
        std::size_t width;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"1f", 4, "001F"}, {"abcd", 4, "ABCD"}, {"12345", 4, "12345"}, {"f", 2, "0F"},
        {"ff", 2, "FF"},   {"1gz", 2, "1GZ"},   {"\xE9", 2, "0\xE9"},
    };
    for (const Case& c : cases) EXPECT_EQ(completehex(c.answer, c.width), c.expected) << c.answer;
}

}  // namespace
}  // namespace vornalt
