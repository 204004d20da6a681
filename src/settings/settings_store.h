#pragma once
// Named text settings, read with a default that is stored when the value is missing.
#include <cstdint>
#include <functional>
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
    // The same with the default the program ships for that name.
    std::string readsetting(std::string_view name);
    // That text as a number, read as every numeric setting is.
    std::int32_t readnumber(std::string_view name);
    // Stores the text under the name, replacing what was there.
    void writesetting(std::string_view name, std::string_view text);

    // Called once, with the backend's reason, at the first write that could not be kept: the
    // change then works until the program ends, and the user hears why it will not last.
    void on_save_failure(std::function<void(std::string_view reason)> report) { report_ = std::move(report); }

private:
    void checksaved();

    SettingsBackend& backend_;
    std::function<void(std::string_view)> report_;
    bool reported_ = false;
};

}  // namespace vornalt
