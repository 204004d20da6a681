#include "app/edit_commands.h"

#include <algorithm>
#include <array>
#include <optional>

#include "base/ascii_case.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

constexpr std::int32_t k_max_word = 0x3FFF;
constexpr std::int32_t k_max_byte = 0xFF;

// One input box: the value typed, or nothing when the command stops here (Cancel, an empty
// answer, or a value outside 0..highest, which has then been reported).
std::optional<std::int32_t> askhex(WindowServices& window, const std::string& prompt, std::size_t width,
                                   std::int32_t highest) {
    const std::string answer = window.input(prompt, "");
    if (answer.empty()) return std::nullopt;
    const std::string text = completehex(answer, width);
    const std::int32_t value = width == 4 ? fromhex4(text) : fromhex2(text);
    if (value < 0 || value > highest) {
        window.message(k_out_of_range);
        return std::nullopt;
    }
    return value;
}

// The highest index of a buffer's visible part. It equals the model's size - 1 whenever the
// image was cleared for the model; should it ever not, no index outside the buffer is accepted.
std::int32_t lastindex(std::span<std::int32_t> locations) {
    return static_cast<std::int32_t>(locations.size()) - 1;
}

std::string dataprompt4() { return "Enter new data to be written [0000-" + tohex4(k_max_word) + "]."; }

// The image changed under the loaded file: forgotten before the redraw, which shows the name.
void edited(AppState& app, WindowServices& window) {
    app.label_hex.clear();
    app.unsaved = true;
    window.updatedisplay();
}

void editconfigword(std::int32_t& word, AppState& app, WindowServices& window) {
    const auto data = askhex(window, dataprompt4(), 4, k_max_word);
    if (!data) return;
    word = *data;
    edited(app, window);
}

}  // namespace

std::string completehex(std::string_view answer, std::size_t width) {
    std::string text;
    if (answer.size() < width) text.assign(width - answer.size(), '0');
    text += answer;
    return asciiupper(text);
}

void menueditflash(AppState& app, MemoryImage& image, WindowServices& window) {
    const auto words = flashwords(image);
    const auto address = askhex(
        window,
        "Enter the address of FLASH memory location to edit [0000-" + tohex4(image.flashsize - 1) + "].", 4,
        lastindex(words));
    if (!address) return;
    const auto data = askhex(window, dataprompt4(), 4, k_max_word);
    if (!data) return;
    words[static_cast<std::size_t>(*address)] = *data;
    edited(app, window);
}

void menuediteeprom(AppState& app, MemoryImage& image, WindowServices& window) {
    if (image.eepromsize <= 0) {
        window.message(k_no_eeprom);
        return;
    }
    const auto bytes = eeprombytes(image);
    const auto address = askhex(
        window,
        "Enter the address of EEPROM memory location to edit [00-" + tohex2(image.eepromsize - 1) + "].", 2,
        lastindex(bytes));
    if (!address) return;
    const auto data =
        askhex(window, "Enter new data to be written [00-" + tohex2(k_max_byte) + "].", 2, k_max_byte);
    if (!data) return;
    bytes[static_cast<std::size_t>(*address)] = *data;
    edited(app, window);
}

void label_conf1_click(AppState& app, MemoryImage& image, WindowServices& window) {
    editconfigword(image.config1word, app, window);
}

void label_conf2_click(AppState& app, MemoryImage& image, WindowServices& window) {
    editconfigword(image.config2word, app, window);
}

std::string idwordstext(const MemoryImage& image) {
    std::string text;
    for (const std::int32_t word : image.idwords) {
        if (!text.empty()) text += ' ';
        text += tohex4(word);
    }
    return text;
}

void menueditidwords(AppState& app, MemoryImage& image, WindowServices& window) {
    const std::string answer = window.input(
        "Enter the four ID words [0000-" + tohex4(k_max_word) + " each], separated by blanks.", idwordstext(image));
    if (answer.find_first_not_of(' ') == std::string::npos) return;
    std::array<std::int32_t, k_idwords> words{};
    std::size_t count = 0;
    std::size_t at = 0;
    bool valid = true;
    while (valid && (at = answer.find_first_not_of(' ', at)) != std::string::npos) {
        const std::size_t end = std::min(answer.find(' ', at), answer.size());
        const std::string_view word = std::string_view(answer).substr(at, end - at);
        const std::int32_t value = word.size() <= 4 ? fromhex4(completehex(word, 4)) : -1;
        valid = count < words.size() && value >= 0 && value <= k_max_word;
        if (valid) words[count++] = value;
        at = end;
    }
    if (!valid || count != words.size()) {
        window.message(k_out_of_range);
        return;
    }
    image.idwords = words;
    edited(app, window);
}

void setconfigwords(AppState& app, MemoryImage& image, WindowServices& window, const ConfigWords& words) {
    image.config1word = words[0] & k_max_word;
    if (image.config2word >= 0) image.config2word = words[1] & k_max_word;
    edited(app, window);
}

}  // namespace vornalt
