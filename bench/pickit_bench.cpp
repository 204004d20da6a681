// Program All and Verify of a full 16F877A image (8192 words, 256 EEPROM bytes) through the
// shipped catalogue's scripts, once through the simulated parallel port with 1 us charged per
// register access and once through the emulated PICkit 2 with 1 ms per USB report each way.
// Prints the predicted wire time of each and their ratio; asserts nothing. Each run checks
// that the chip verified, so a run that programmed nothing cannot look fast.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/chip_operations.h"
#include "catalogue/catalogue.h"
#include "pickit/pickit_link.h"
#include "platform/clock.h"
#include "session/session.h"
#include "session/session_internals.h"
#include "settings/memory_settings_backend.h"
#include "settings/settings_store.h"
#include "sim/pickit2_emulator.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"
#include "support/silent_window.h"

namespace vornalt {
namespace {

constexpr std::int64_t k_access_cost_ns = 1'000;

struct Figures {
    double wire_s = 0;
    double cpu_s = 0;
    std::int64_t reports = 0;
    bool verified = false;
};

Figures run(const DeviceCatalogue& catalogue, std::int32_t model, bool pickit) {
    VirtualClock clock;
    SilentWindow window;
    MemorySettingsBackend settings;
    SettingsStore store{settings};
    SessionOptions options;
    options.backend = BackendKind::simulator;
    options.clock = &clock;
    Session session{window, store, AppState{}, DeviceCatalogue{}, options};
    SessionInternals inside = internals(session);
    Figures figures;
    if (!applymodel(catalogue, model, inside.model(), inside.image()).ok()) return figures;
    MemoryImage& image = inside.image();
    clearbuffer(image, inside.model().config1erased, inside.model().config2erased);
    auto words = flashwords(image);
    for (std::size_t a = 0; a < words.size(); ++a) words[a] = (static_cast<std::int32_t>(a) * 0x0765 + 0x11) & 0x3FFF;
    auto bytes = eeprombytes(image);
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = (static_cast<std::int32_t>(k) * 37 + 5) & 0xFF;
    image.config1word = 0x3F72;

    session.board()->insert(makechip(inside.model().modelname));
    session.board()->setaccesscost_ns(pickit ? 0 : k_access_cost_ns);
    session.openport();
    Pickit2Emulator emulator(clock);
    emulator.insert(makechip(inside.model().modelname));
    pickit::PickitLink link(emulator);
    if (pickit) {
        if (!link.open().ok()) return figures;
        inside.transfers().setlink(&link);
    }
    const std::int64_t start = session.board()->now_ns();
    const auto cpu0 = std::chrono::steady_clock::now();
    session.run(ChipOperation::programall);
    const RunOutcome verified = session.run(ChipOperation::verify);
    const auto cpu1 = std::chrono::steady_clock::now();
    figures.wire_s = static_cast<double>(session.board()->now_ns() - start) / 1e9;
    figures.cpu_s = std::chrono::duration<double>(cpu1 - cpu0).count();
    figures.reports = emulator.reportswritten();
    figures.verified = !inside.engine().failureflag;
    static_cast<void>(verified);
    inside.transfers().setlink(nullptr);
    return figures;
}

}  // namespace
}  // namespace vornalt

int main() {
    using namespace vornalt;
    Result<DeviceCatalogue> catalogue = loadcatalogue(VORNALT_SHIPPED_CATALOGUE);
    if (!catalogue) {
        std::fprintf(stderr, "pickit_bench: %s\n", catalogue.error().message.c_str());
        return 1;
    }
    const std::vector<std::string> names = modelnames(catalogue.value());
    std::int32_t model = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == "16F877A") model = static_cast<std::int32_t>(i) + 1;
    }
    const Figures parallel = run(catalogue.value(), model, false);
    const Figures pickit = run(catalogue.value(), model, true);
    std::printf("16F877A Program All + Verify, full image\n");
    std::printf("parallel port (1 us per access): wire %.3f s, simulator cpu %.2f s, %s\n", parallel.wire_s,
                parallel.cpu_s, parallel.verified ? "verified" : "NOT VERIFIED");
    std::printf("PICkit 2 (1 ms per report):      wire %.3f s, simulator cpu %.2f s, %lld reports out, %s\n",
                pickit.wire_s, pickit.cpu_s, static_cast<long long>(pickit.reports),
                pickit.verified ? "verified" : "NOT VERIFIED");
    if (parallel.wire_s > 0) std::printf("ratio PICkit / parallel: %.2f (target at most 1.25)\n", pickit.wire_s / parallel.wire_s);
    return parallel.verified && pickit.verified ? 0 : 1;
}
