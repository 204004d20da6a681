#pragma once
// The main window's controls as data: where each sits, what it says and how it is coloured.
// Positions are kept in twips, the unit the layout was drawn in, and turned into pixels at 96
// dots per inch (15 twips a pixel); Qt scales pixels on high-density screens.
#include <span>
#include <string_view>

namespace vornalt::gui {

inline constexpr int k_twips_per_pixel = 15;
constexpr int pixels(int twips) { return twips / k_twips_per_pixel; }

struct Rgb {
    int red, green, blue;
};

enum class ControlKind { label, clickable_label, button, flash_view, eeprom_view };

struct ControlLayout {
    std::string_view name;  // objectName, as the program's handlers know it
    ControlKind kind;
    int left, top, width, height;  // twips inside the client area
    std::string_view text;         // design-time caption
    std::string_view tooltip;      // empty: none
    const Rgb* background;         // null: the toolkit's own
};

inline constexpr int k_client_width = 5895;  // twips
inline constexpr int k_client_height = 6090;
inline constexpr Rgb k_window_background{215, 230, 202};

// Every control of the main window, in no particular order; the tab order is set apart.
std::span<const ControlLayout> formcontrols();

// The font of the memory views: Courier New where it is installed, the system's fixed font
// otherwise. Its point size.
inline constexpr int k_view_point_size = 10;
// Labels and buttons.
inline constexpr int k_caption_point_size = 8;

}  // namespace vornalt::gui
