#include <filesystem>
#include <string>
#include <system_error>

#include "app/application_folder.h"
#include "base/path_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vornalt {
namespace {

Error notfound(const std::string& reason, int code) {
    return Error{"Cannot tell where the program file lies (" + reason +
                     "), so devices.cfg cannot be found beside it. Start the program from its installed "
                     "location.",
                 code};
}

std::string utf8text(const std::filesystem::path& path) { return utf8frompath(path); }

}  // namespace

Result<std::string> programpath() {
#if defined(_WIN32)
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return notfound("GetModuleFileName failed", static_cast<int>(::GetLastError()));
        if (length < buffer.size()) {
            buffer.resize(length);
            return utf8text(std::filesystem::path(buffer));
        }
        buffer.resize(buffer.size() * 2);  // truncated: try again with more room
    }
#elif defined(__linux__)
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return notfound("/proc/self/exe: " + error.message(), error.value());
    return utf8text(self);
#else
    return notfound("not supported on this system", 0);
#endif
}

}  // namespace vornalt
