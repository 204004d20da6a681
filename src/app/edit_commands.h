#pragma once
// The Edit menu's two commands and the clicks on the configuration words: one location of the
// memory image changed through input boxes. An empty answer (Cancel too) ends a command
// silently and changes nothing; an answer that is not a hex number of the field's width, or lies
// outside the field's range, gives "Out of range." and changes nothing. A successful edit
// forgets the loaded file's name (the image no longer matches it) and redraws the window.
// These commands leave the window's commands enabled; whether they may run while a chip
// operation is busy is the window's decision, taken before it calls them.
#include <cstdint>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "catalogue/config_fields.h"
#include "image/memory_image.h"
#include "platform/window_services.h"

namespace vornalt {

inline constexpr std::string_view k_out_of_range = "Out of range.";
inline constexpr std::string_view k_no_eeprom = "This model do not feature EEPROM memory.";

// A typed answer completed to a field of `width` hex digits: padded on the left with "0" and
// upper-cased ("1f" -> "001F" for width 4). An answer longer than the field stays longer, so
// fromhex2/fromhex4 refuse it.
std::string completehex(std::string_view answer, std::size_t width);

// "&FLASH Memory Location": asks for the address, then the new word (0000-3FFF).
void menueditflash(AppState& app, MemoryImage& image, WindowServices& window);
// "&EEPROM Memory Location": asks for the address, then the new byte (00-FF). Addresses have two
// digits, so on a model with more than 256 EEPROM bytes only bytes 00-FF can be edited.
void menuediteeprom(AppState& app, MemoryImage& image, WindowServices& window);
// A click on the CONFIG1 or CONFIG2 word: asks for the new word (0000-3FFF).
void label_conf1_click(AppState& app, MemoryImage& image, WindowServices& window);
void label_conf2_click(AppState& app, MemoryImage& image, WindowServices& window);
// "Change ID Words": asks for the four user ID words at once, as hex words separated by blanks
// (0000-3FFF each), with the image's words filled in. Cancel or an empty answer changes nothing;
// anything but four valid words is reported and changes nothing.
void menueditidwords(AppState& app, MemoryImage& image, WindowServices& window);
// The image's ID words as the prompt and the window show them: "3FFF 3FFF 3FFF 3FFF".
std::string idwordstext(const MemoryImage& image);
// OK of "Configuration Bits...": both words written as a click on their labels writes one
// (CONFIG2 only when the image has one).
void setconfigwords(AppState& app, MemoryImage& image, WindowServices& window, const ConfigWords& words);

}  // namespace vornalt
