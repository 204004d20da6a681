#include "settings/memory_settings_backend.h"

namespace vornalt {

std::optional<std::string> MemorySettingsBackend::get(std::string_view name) {
    const auto found = values_.find(name);
    if (found == values_.end()) return std::nullopt;
    return found->second;
}

void MemorySettingsBackend::set(std::string_view name, std::string_view text) {
    if (readonly_) return;
    values_.insert_or_assign(std::string(name), std::string(text));
}

void MemorySettingsBackend::remove(std::string_view name) {
    if (readonly_) return;
    const auto found = values_.find(name);
    if (found != values_.end()) values_.erase(found);
}

}  // namespace vornalt
