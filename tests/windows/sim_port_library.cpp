// A stand-in for the port I/O library (inpoutx64.dll) with the simulated programmer board behind
// LPT1's registers (0x378 data, 0x379 status, 0x37A control). It lets a Windows test run
// vornalt-cli.exe through its real LoadLibrary path with no parallel port and no driver.
//
// VORNALT_TEST_SIM_MODEL names the part in the socket (default 16F84A) and VORNALT_TEST_SIM_CHIP
// the chip file its memory lives in between runs: loaded when the library loads, saved each
// time VDD goes off (the end of every chip operation) and when the library is unloaded.
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "base/path_text.h"
#include "platform/clock.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"

namespace {

constexpr std::int32_t k_lpt1 = 0x378;

std::string environmentvalue(const wchar_t* name) {
    const wchar_t* value = ::_wgetenv(name);
    return value != nullptr ? vornalt::utf8frompath(std::filesystem::path(value)) : std::string();
}

class SimulatedPort {
public:
    SimulatedPort() : chipfile_(environmentvalue(L"VORNALT_TEST_SIM_CHIP")) {
        std::string model = environmentvalue(L"VORNALT_TEST_SIM_MODEL");
        board_.insert(vornalt::makechip(model.empty() ? "16F84A" : model));
        if (board_.chip() != nullptr && !chipfile_.empty()) {
            std::error_code ignored;
            if (std::filesystem::exists(vornalt::pathfromutf8(chipfile_), ignored)) {
                static_cast<void>(board_.loadchipfile(chipfile_));
            }
        }
    }
    ~SimulatedPort() { save(); }
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    void write(std::uint16_t address, std::uint8_t value) {
        const bool powered = board_.lines().vdd;
        board_.write(address, value);
        if (powered && !board_.lines().vdd) save();
    }
    std::uint8_t read(std::uint16_t address) { return board_.read(address); }

private:
    void save() {
        if (board_.chip() != nullptr && !chipfile_.empty()) static_cast<void>(board_.savechipfile(chipfile_));
    }

    vornalt::RealClock clock_;
    vornalt::SimBoard board_{clock_, k_lpt1};
    std::string chipfile_;
};

// The library's entry points take no context, so the board lives as long as the library does:
// made on the first access, ended when the process unloads the library.
SimulatedPort& port() {
    static SimulatedPort simulated;
    return simulated;
}

}  // namespace

extern "C" {

__declspec(dllexport) void __stdcall Out32(short address, short value) {
    port().write(static_cast<std::uint16_t>(address), static_cast<std::uint8_t>(value & 0xFF));
}

__declspec(dllexport) short __stdcall Inp32(short address) {
    return static_cast<short>(port().read(static_cast<std::uint16_t>(address)));
}

__declspec(dllexport) BOOL __stdcall IsInpOutDriverOpen() { return TRUE; }

}  // extern "C"
