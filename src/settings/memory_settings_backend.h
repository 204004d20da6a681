#pragma once
// Settings kept in a map: for tests, the simulator and runs that must leave the user's
// settings alone.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings_backend.h"

namespace vornalt {

class MemorySettingsBackend final : public SettingsBackend {
public:
    std::optional<std::string> get(std::string_view name) override;
    void set(std::string_view name, std::string_view text) override;
    void remove(std::string_view name) override;

    // While read-only, set and remove do nothing, as when the storage cannot be written.
    void setreadonly(bool readonly) { readonly_ = readonly; }

    // What is stored, for inspection.
    const std::map<std::string, std::string, std::less<>>& values() const { return values_; }
    bool contains(std::string_view name) const { return values_.find(name) != values_.end(); }

private:
    std::map<std::string, std::string, std::less<>> values_;
    bool readonly_ = false;
};

}  // namespace vornalt
