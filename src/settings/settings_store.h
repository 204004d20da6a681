#pragma once
// Named text settings, read with a default that is stored when the value is missing.
#include <string>
#include <string_view>

#include "settings/settings_backend.h"

namespace vornalt {

class SettingsStore {
public:
    explicit SettingsStore(SettingsBackend& backend) : backend_(backend) {}

    // The stored text; when it is missing or unreadable (longer than 254 characters), the
    // default is stored under the name and returned.
    std::string readsetting(std::string_view name, std::string_view defaulttext);
    // Stores the text under the name, replacing what was there.
    void writesetting(std::string_view name, std::string_view text);

private:
    SettingsBackend& backend_;
};

}  // namespace vornalt
