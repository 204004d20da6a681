#include "gui/window/form_layout.h"

#include <array>

namespace vornalt::gui {
namespace {

constexpr Rgb k_pale_green{192, 255, 192};
constexpr Rgb k_white{255, 255, 255};
constexpr Rgb k_grey{224, 224, 224};
constexpr Rgb k_pink{255, 192, 192};
constexpr Rgb k_pale_yellow{255, 255, 192};
constexpr Rgb k_peach{255, 224, 192};

constexpr std::string_view k_reload_tip = "Click to reload";
constexpr std::string_view k_edit_tip = "Click to edit!";

using K = ControlKind;
constexpr std::array k_controls{
    ControlLayout{"Label7", K::clickable_label, 60, 120, 1755, 255, "Loaded HEX File", k_reload_tip, &k_pale_green},
    ControlLayout{"label_hex", K::clickable_label, 1860, 120, 3975, 255, "", k_reload_tip, &k_white},
    ControlLayout{"Command1", K::button, 60, 480, 1155, 315, "Program All", "", nullptr},
    ControlLayout{"Command2", K::button, 1260, 480, 1095, 315, "Read All", "", nullptr},
    ControlLayout{"Command3", K::button, 2400, 480, 1095, 315, "Erase All", "", nullptr},
    ControlLayout{"Command4", K::button, 3540, 480, 1155, 315, "Blank Check", "", nullptr},
    ControlLayout{"Command5", K::button, 4740, 480, 1095, 315, "Verify", "", nullptr},
    ControlLayout{"Label1", K::label, 60, 900, 2055, 255, "Microcontroller Model", "", &k_grey},
    ControlLayout{"label_ime", K::label, 2160, 900, 1215, 255, "16F877A", "", &k_pink},
    ControlLayout{"label_info", K::label, 3420, 900, 2415, 255, "FLASH: 8192,  EEPROM: 256", "", &k_pale_yellow},
    ControlLayout{"Label3", K::label, 60, 1260, 1575, 255, "FLASH Memory", "", &k_peach},
    ControlLayout{"tabla_flash", K::flash_view, 60, 1560, 5775, 2055,
                "0000: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF", "", nullptr},
    ControlLayout{"Command0", K::button, 60, 1560, 255, 255, "X", "", nullptr},
    ControlLayout{"Label4", K::label, 60, 3660, 1575, 255, "EEPROM Memory", "", &k_peach},
    ControlLayout{"tabla_eeprom", K::eeprom_view, 60, 3960, 3855, 2055, "0000: FF FF FF FF FF FF FF FF\r\n", "",
                &k_white},
    ControlLayout{"Label6", K::label, 4080, 3960, 1755, 255, "Config. Word (2007h)", "", &k_pale_green},
    ControlLayout{"label_conf1", K::clickable_label, 4380, 4260, 1215, 255, "3FFF", k_edit_tip, &k_white},
    ControlLayout{"Label2", K::label, 4080, 4560, 1755, 255, "Config. Word (2008h)", "", &k_pale_green},
    ControlLayout{"label_conf2", K::clickable_label, 4380, 4860, 1215, 255, "3FFF", k_edit_tip, &k_white},
    ControlLayout{"Label5", K::label, 4080, 5460, 1755, 255, "Status", "", &k_pink},
    ControlLayout{"label_status", K::label, 4080, 5760, 1755, 255, "", "", &k_white},
};

}  // namespace

std::span<const ControlLayout> formcontrols() { return k_controls; }

}  // namespace vornalt::gui
