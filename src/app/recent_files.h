#pragma once
// The File menu's most recent HEX files, newest first, kept in the settings store as
// "Recent File 1" .. "Recent File 4" (full names).
#include <cstddef>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace vornalt {

inline constexpr std::size_t k_recent_count = 4;

std::vector<std::string> recentfiles(SettingsStore& settings);

// Puts fullname first; an earlier entry of the same name moves up instead of repeating, and the
// oldest beyond four drops off.
void addrecentfile(SettingsStore& settings, const std::string& fullname);

}  // namespace vornalt
