#pragma once
// Where a program run begins, before its session exists: the application folder, the window
// title and the device catalogue, found where the desktop program looks for them or read from a
// named file; and the program's version for the front ends' --version.
//
// Value types passed on to the front ends: Startup (AppState, DeviceCatalogue), k_window_title,
// Result and Status.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"
#include "base/result.h"

namespace vornalt {

// The application folder of the running program and the catalogue it finds (see startup()).
Result<Startup> start_program();
// The application folder of the running program and the catalogue read from `path`.
Result<Startup> start_program_with_catalogue(const std::string& path);

// The program's version as the build gives it ("0.1.0").
std::string_view program_version();

// One catalogue model as a listing shows it.
struct ModelSummary {
    std::string name;  // as written in the catalogue
    std::int32_t flash_words = 0;
    std::int32_t eeprom_bytes = 0;
};
std::vector<ModelSummary> model_summaries(const DeviceCatalogue& catalogue);

}  // namespace vornalt
