#pragma once
// A simulated bench for tests: the real port driver and transfers on a virtual clock, talking to
// the simulated board with a chip in its socket.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "port/driver_state.h"
#include "port/port_driver.h"
#include "port/port_fakes.h"
#include "port/transfers.h"
#include "sim/sim_board.h"
#include "sim/sim_chip.h"

namespace vornalt::testing {

struct SimRig {
    VirtualClock clock;
    CountingWindow window;
    EventPump pump{window, clock};
    SimBoard board{clock};
    DriverState state;
    PortDriver driver{state, board, pump, clock};
    Transfers transfers{driver, pump, clock};

    explicit SimRig(std::string_view model) {
        board.insert(makechip(model));
        driver.setidle();
    }
    explicit SimRig(std::unique_ptr<SimChip> chip) {
        board.insert(std::move(chip));
        driver.setidle();
    }

    SimChip& chip() { return *board.chip(); }

    // The transfers as a script line performs them: the transfer, then the settle delay.
    void command(std::int32_t code) {
        transfers.sendcommand(code);
        transfers.settledelay();
    }
    void load(std::int32_t code, std::int32_t word) {
        transfers.sendcommanddata(code, word);
        transfers.settledelay();
    }
    std::int32_t read(std::int32_t code) {
        const std::int32_t word = transfers.readdata(code);
        transfers.settledelay();
        return word;
    }
    void wait_ms(std::int32_t ms) { clock.sleep_ms(ms); }
    void wait_us(std::int32_t us) { clock.busy_wait_us(us); }
    void increment(std::int32_t times = 1) {
        for (std::int32_t i = 0; i < times; ++i) command(0x06);
    }

    // A script fragment, each step {code}, {code, word} or {-1, ms}.
    using Steps = std::vector<std::vector<std::int32_t>>;
    void run(const Steps& steps) {
        for (const auto& step : steps) {
            if (step[0] < 0) {
                wait_ms(step[1]);
            } else if (step.size() == 2) {
                load(step[0], step[1]);
            } else {
                command(step[0]);
            }
        }
    }

    // Fresh entry into programming mode (PC 0, latches cleared).
    void reenter(std::int32_t powerorder) {
        transfers.powerdown();
        transfers.powerup(PowerOrder{powerorder});
    }
};

}  // namespace vornalt::testing
