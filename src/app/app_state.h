#pragma once
// The handful of process-wide values the shell shares.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vornalt {

inline constexpr const char* k_window_title = "Tremwick Vornalt";

// A file as it was at one moment: enough to tell that it changed since.
struct FileStamp {
    std::string fullname;  // empty: no file
    std::uintmax_t size = 0;
    std::int64_t time = 0;  // last write, in the file system's ticks
    std::size_t hash = 0;   // of the contents
    bool operator==(const FileStamp&) const = default;
};

struct AppState {
    std::string windowtitle = k_window_title;  // title of every message and input box
    std::string applicationfolder;             // folder of the program, with its trailing separator
    std::string lastpath;                      // folder of the last HEX file opened or saved, with separator
    std::int32_t selectedmodel = 0;            // 1-based model number; 1..modelcount after the load sequence
    std::string label_hex;                     // name of the loaded HEX file; empty: nothing to reload
    // The image holds work no file has: edited by hand or read from a chip since it was last
    // loaded, saved or cleared.
    bool unsaved = false;
    // The file the image was last loaded from or saved to, as it was then; kept through edits
    // (which empty label_hex) so a rebuilt file can still be noticed.
    FileStamp source;
};

}  // namespace vornalt
