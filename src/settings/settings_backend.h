#pragma once
// Where named setting texts are kept: QSettings in the programs, memory in tests.
#include <optional>
#include <string>
#include <string_view>

namespace vornalt {

class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;
    // The stored text, or nothing when the value does not exist or cannot be read.
    virtual std::optional<std::string> get(std::string_view name) = 0;
    virtual void set(std::string_view name, std::string_view text) = 0;
    virtual void remove(std::string_view name) = 0;
    // Why values set from now on will not be there at the next start ("Settings cannot be
    // saved: ..."), or the empty text while they are kept.
    virtual std::string saveproblem() const { return {}; }
};

}  // namespace vornalt
