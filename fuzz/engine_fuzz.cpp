// Runs random catalogues on the simulated programmer: each model the text holds (the first few)
// is applied and its five operations run through the session's runner, as both programs run
// them, on a virtual clock so waits cost nothing. Whatever a script does, every run must end
// with VDD and VPP off, both on the board's lines and in the driver's view of them; a run that
// leaves either on stops the fuzzer like a crash.
//
// A script may legitimately run for a long time (a whole 8192-word chip, many times over), so
// each run has a budget of port accesses: once it is spent the run is asked to stop, which is
// what a user's Ctrl+C does, and the stop must power the chip down like any other ending.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/app_state.h"
#include "catalogue/catalogue.h"
#include "image/memory_image.h"
#include "platform/clock.h"
#include "platform/port_io.h"
#include "platform/silent_window.h"
#include "port/port_driver.h"
#include "session/session.h"
#include "settings/memory_settings_backend.h"
#include "settings/settings_store.h"
#include "sim/chip_model.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"

namespace {

using namespace vornalt;

constexpr std::int32_t k_models_run = 2;
// About half a pass over a 1024-word chip: a whole script of a small chip (the seeds shrink
// theirs) runs to its end, a large one is stopped part-way, which tries the stop as well.
constexpr std::int64_t k_access_budget = 50'000;

// Parts put in the socket when the model's name is none the simulator knows, one per family.
constexpr std::string_view k_fallback_parts[] = {"16F84A", "16F877", "16F877A", "16F628A", "12F629", "16F690", "16F88"};

constexpr ChipOperation k_operations[] = {ChipOperation::eraseall, ChipOperation::programall, ChipOperation::verify,
                                          ChipOperation::readall, ChipOperation::blankcheck};

void require(bool promise) {
    if (!promise) __builtin_trap();
}

// The board behind a meter: after the budget every further access asks the run to stop. The
// accesses still reach the board, so the power-down that follows is real.
class BudgetPort final : public PortIo {
public:
    explicit BudgetPort(PortIo& target) : target_(target) {}
    void attach(StopRequest& stop) { stop_ = &stop; }
    void startrun() { accesses_ = 0; }

    void write(std::uint16_t address, std::uint8_t value) override {
        spend();
        target_.write(address, value);
    }
    std::uint8_t read(std::uint16_t address) override {
        spend();
        return target_.read(address);
    }
    bool available() const override { return target_.available(); }
    std::string reason() const override { return target_.reason(); }

private:
    void spend() {
        if (++accesses_ == k_access_budget && stop_ != nullptr) stop_->request();
    }

    PortIo& target_;
    StopRequest* stop_ = nullptr;
    std::int64_t accesses_ = 0;
};

SessionOptions onclock(Clock& clock) {
    SessionOptions options;
    options.clock = &clock;
    return options;
}

struct Rig {
    VirtualClock clock;
    SimBoard board{clock};
    SilentWindow window;
    MemorySettingsBackend settings;
    SettingsStore store{settings};
    BudgetPort port{board};  // before the session, which powers down through it when it goes
    Session session;

    explicit Rig(DeviceCatalogue catalogue) : session(window, store, AppState{}, std::move(catalogue), onclock(clock)) {
        port.attach(session.stop());
        session.useport(port);
        session.openport();
        // The board must see what the driver switches, or the checks after each run prove nothing.
        session.transfers().powerup(PowerOrder::vddfirst);
        require(board.lines().vdd && board.lines().vpp);
        session.transfers().powerdown();
        require(!board.lines().vdd && !board.lines().vpp);
    }
};

// Some words and bytes of the input in the image, so Program and Verify have data to move and
// calcflash/calceeprom find a last address.
void fillimage(MemoryImage& image, std::string_view text) {
    if (text.empty()) return;
    for (std::size_t i = 0; i < 32 && i < image.flashbuffer.size(); ++i) {
        image.flashbuffer[i] = (static_cast<unsigned char>(text[i % text.size()]) * 0x0101 + static_cast<int>(i)) & 0x3FFF;
    }
    for (std::size_t i = 0; i < 8 && i < eeprombytes(image).size(); ++i) {
        image.eeprombuffer[i] = static_cast<unsigned char>(text[(i * 7) % text.size()]);
    }
}

void runmodel(Rig& rig, std::int32_t k, std::string_view text) {
    Session& s = rig.session;
    if (!applymodel(s.catalogue(), k, s.model(), s.image())) return;
    clearbuffer(s.image(), s.model().config1erased, s.model().config2erased);
    fillimage(s.image(), text);

    std::string_view part = s.model().modelname;
    if (findchipmodel(part) == nullptr) part = k_fallback_parts[text.size() % std::size(k_fallback_parts)];
    rig.board.insert(makechip(part));
    // Half the inputs go past a device ID that does not match (vornalt-cli --ignore-id).
    s.engine().ignoredeviceid = (text.size() & 1) != 0;

    for (const ChipOperation operation : k_operations) {
        rig.port.startrun();
        const RunOutcome outcome = s.run(operation);
        require(outcome != RunOutcome::notstarted);
        const BoardLines lines = rig.board.lines();
        require(!lines.vdd && !lines.vpp);
        require(!s.driver().lineon(Line::vdd) && !s.driver().lineon(Line::vpp));
        require(!s.stop().requested());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Result<DeviceCatalogue> loaded = parsecatalogue(text, "devices.cfg");
    if (!loaded) return 0;
    Rig rig(std::move(loaded).value());
    const std::int32_t models = rig.session.catalogue().modelcount;
    for (std::int32_t k = 1; k <= models && k <= k_models_run; ++k) runmodel(rig, k, text);
    return 0;
}
