#pragma once
// The handful of process-wide values the shell shares.
#include <cstdint>
#include <string>

namespace vornalt {

inline constexpr const char* k_window_title = "Tremwick Vornalt";

struct AppState {
    std::string windowtitle = k_window_title;  // title of every message and input box
    std::string applicationfolder;             // folder of the program, with its trailing separator
    std::string lastpath;                      // folder of the last HEX file opened or saved, with separator
    std::int32_t selectedmodel = 0;            // 1-based model number; 1..modelcount after the load sequence
    std::string label_hex;                     // name of the loaded HEX file; empty: nothing to reload
    // The image holds work no file has: edited by hand or read from a chip since it was last
    // loaded, saved or cleared.
    bool unsaved = false;
};

}  // namespace vornalt
