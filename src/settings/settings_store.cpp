#include "settings/settings_store.h"

#include <cstddef>
#include <utility>

#include "base/numeric_value.h"
#include "settings/setting_names.h"

namespace vornalt {
namespace {

// Characters of a UTF-8 text: every byte that is not a continuation byte starts one.
std::size_t charactercount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0U) != 0x80U) ++count;
    }
    return count;
}

}  // namespace

std::string SettingsStore::readsetting(std::string_view name) { return readsetting(name, settingdefault(name)); }

std::int32_t SettingsStore::readnumber(std::string_view name) { return numericvalue(readsetting(name)); }

std::string SettingsStore::readsetting(std::string_view name, std::string_view defaulttext) {
    std::optional<std::string> stored = backend_.get(name);
    if (stored && charactercount(*stored) <= k_setting_maxlength) return std::move(*stored);
    backend_.set(name, defaulttext);
    checksaved();
    return std::string(defaulttext);
}

void SettingsStore::writesetting(std::string_view name, std::string_view text) {
    // A plain replace: the backend swaps the value in one step, so there is no moment at which
    // a crash would leave the setting missing.
    backend_.set(name, text);
    checksaved();
}

void SettingsStore::checksaved() {
    if (reported_ || !report_) return;
    const std::string reason = backend_.saveproblem();
    if (reason.empty()) return;
    reported_ = true;
    report_(reason);
}

}  // namespace vornalt
