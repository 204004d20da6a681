#pragma once
// The saved settings as the command-line program sees them: read through, never written, with
// this run's choices laid over them. The shared load sequence can then run unchanged: what it
// would create or rewrite in the store is simply dropped.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "settings/settings_backend.h"

namespace vornalt {

class SettingsOverlay final : public SettingsBackend {
public:
    explicit SettingsOverlay(SettingsBackend& saved) : saved_(saved) {}

    // This run's value of a setting, whatever is saved.
    void override(std::string_view name, std::string_view text) { overrides_[std::string(name)] = std::string(text); }
    // The setting reads as missing, so its reader takes its default.
    void hide(std::string_view name) { hidden_.insert(std::string(name)); }

    std::optional<std::string> get(std::string_view name) override;
    // The saved settings are never changed by a command-line run.
    void set(std::string_view, std::string_view) override {}
    void remove(std::string_view) override {}

private:
    SettingsBackend& saved_;
    std::map<std::string, std::string, std::less<>> overrides_;
    std::set<std::string, std::less<>> hidden_;
};

// Hides the pin and inversion settings of every programmer: the lines are placed as the
// defaults place them.
void usedefaulthardware(SettingsOverlay& overlay);

}  // namespace vornalt
