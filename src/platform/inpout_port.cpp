#include "platform/inpout_port.h"

#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/port_backend.h"
#include "platform/running_program.h"
#include "platform/unavailable_port.h"

namespace vornalt {

namespace {

#if defined(_WIN64)
constexpr const char* k_library = "inpoutx64.dll";
constexpr const wchar_t* k_widelibrary = L"inpoutx64.dll";
#else
constexpr const char* k_library = "inpout32.dll";
constexpr const wchar_t* k_widelibrary = L"inpout32.dll";
#endif

// The running program's folder, with its trailing backslash; empty when Windows cannot say.
std::wstring programfolder() {
    Result<std::filesystem::path> program = running_program_path();
    if (!program) return {};
    const std::wstring path = program.value().native();
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring systemfolder() {
    wchar_t buffer[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::wstring(buffer, length) + L"\\";
}

// The library from the program's own folder, else from the system folder, each by its full
// path. Never by bare name: that would also search the current folder (and PATH), where
// anyone who can drop a file could have a DLL of theirs run with the program's rights.
HMODULE loadportlibrary(DWORD& failure) {
    failure = ERROR_MOD_NOT_FOUND;
    for (const std::wstring& folder : {programfolder(), systemfolder()}) {
        if (folder.empty()) continue;
        const std::wstring path = folder + k_widelibrary;
        // The library's own dependencies are looked up beside it rather than in the current folder.
        if (HMODULE library = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)) return library;
        const DWORD error = ::GetLastError();
        // A library that is there but cannot load says more than one that is missing elsewhere.
        if (error != ERROR_MOD_NOT_FOUND || failure == ERROR_MOD_NOT_FOUND) failure = error;
    }
    return nullptr;
}

// The library's entry points take and return 16-bit signed values; only the low byte of a
// value is a register.
using Out32Fn = void(__stdcall*)(short, short);
using Inp32Fn = short(__stdcall*)(short);
using DriverOpenFn = BOOL(__stdcall*)();

template <typename Fn>
Fn entrypoint(HMODULE library, const char* name) {
    // FARPROC to a typed pointer: both are function pointers, the cast is what the API expects.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

class InpoutPort final : public PortIo {
public:
    InpoutPort(HMODULE library, Out32Fn out, Inp32Fn in) : library_(library), out_(out), in_(in) {}
    ~InpoutPort() override { FreeLibrary(library_); }
    InpoutPort(const InpoutPort&) = delete;
    InpoutPort& operator=(const InpoutPort&) = delete;

    // Addresses above 32767 pass as the same 16 bits; the library reads them back unsigned.
    void write(std::uint16_t address, std::uint8_t value) override {
        out_(static_cast<short>(address), static_cast<short>(value));
    }
    std::uint8_t read(std::uint16_t address) override {
        return static_cast<std::uint8_t>(in_(static_cast<short>(address)) & 0xFF);
    }

private:
    HMODULE library_;
    Out32Fn out_;
    Inp32Fn in_;
};

}  // namespace

std::unique_ptr<PortIo> openinpout(std::int32_t portaddress) {
    if (!validportaddress(portaddress)) {
        return std::make_unique<UnavailablePort>(portaddressrangereason(portaddress));
    }
    DWORD failure = 0;
    HMODULE library = loadportlibrary(failure);
    if (library == nullptr) {
        return std::make_unique<UnavailablePort>(
            std::string("Cannot load ") + k_library + " (Windows error " + std::to_string(failure) +
            "). Put " + k_library + " beside the program, or install it in the Windows system folder, and "
            "start the program again.");
    }
    const auto out = entrypoint<Out32Fn>(library, "Out32");
    const auto in = entrypoint<Inp32Fn>(library, "Inp32");
    if (out == nullptr || in == nullptr) {
        FreeLibrary(library);
        return std::make_unique<UnavailablePort>(std::string(k_library) +
                                                 " has no Out32/Inp32 entry points: replace it with a current "
                                                 "copy of the library.");
    }
    // Newer builds of the library say whether their kernel driver could be started.
    if (const auto driveropen = entrypoint<DriverOpenFn>(library, "IsInpOutDriverOpen");
        driveropen != nullptr && !driveropen()) {
        FreeLibrary(library);
        return std::make_unique<UnavailablePort>(std::string(k_library) +
                                                 " could not start its port driver: run the program once as "
                                                 "administrator so the driver gets installed.");
    }
    return std::make_unique<InpoutPort>(library, out, in);
}

}  // namespace vornalt
