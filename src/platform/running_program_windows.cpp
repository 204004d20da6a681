#include "platform/running_program.h"

#include <string>

#include <windows.h>

namespace vornalt {

Result<std::filesystem::path> running_program_path() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return Error{"GetModuleFileName failed", static_cast<int>(::GetLastError())};
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);  // cut short: ask again with more room
    }
}

}  // namespace vornalt
