#pragma once
// Test doubles for the port layer: a port that records every register access, a window that
// counts event passes, and a rig that wires them to a driver and its transfers.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/port_io.h"
#include "port/driver_state.h"
#include "port/port_driver.h"
#include "port/transfers.h"
#include "support/silent_window.h"

namespace vornalt::testing {

using CountingWindow = SilentWindow;

struct Access {
    bool write;
    std::uint16_t address;
    std::uint8_t value;
    std::int64_t time_ns;
};

// Records every access. Reads answer `status`, or what `respond` says when it is set (it sees
// the accesses so far, so it can play a chip that reacts to the lines).
class RecordingPort final : public PortIo {
public:
    explicit RecordingPort(const Clock& clock) : clock_(clock) {}

    std::vector<Access> log;
    std::uint8_t status = 0;
    std::function<std::uint8_t(const std::vector<Access>&)> respond;

    void write(std::uint16_t address, std::uint8_t value) override {
        log.push_back({true, address, value, clock_.now_ns()});
    }
    std::uint8_t read(std::uint16_t address) override {
        const std::uint8_t v = respond ? respond(log) : status;
        log.push_back({false, address, v, clock_.now_ns()});
        return v;
    }

private:
    const Clock& clock_;
};

// One line operation as it reached the port: the two register writes and the status read.
struct PortWrite {
    std::uint8_t data;
    std::uint8_t control;
    std::int64_t time_ns;
};

// Groups the log into whole writeports at base 888; any other pattern fails the caller's test.
inline std::vector<PortWrite> portwrites(const std::vector<Access>& log, std::uint16_t base = 888) {
    std::vector<PortWrite> out;
    for (std::size_t i = 0; i + 2 < log.size(); i += 3) {
        const bool shaped = log[i].write && log[i].address == base && log[i + 1].write &&
                            log[i + 1].address == base + 2 && !log[i + 2].write &&
                            log[i + 2].address == base + 1;
        if (!shaped) return {};
        out.push_back({log[i].value, log[i + 1].value, log[i].time_ns});
    }
    if (log.size() % 3 != 0) return {};
    return out;
}

// The four output lines under the default wiring, decoded by hand from the data register:
// VDD pin 4 (bit 2), VPP pin 5 (bit 3), CLOCK pin 3 inverted (bit 1), DATA OUT pin 2 inverted (bit 0).
struct DefaultLines {
    bool vdd, vpp, clock, dataout;
};

inline DefaultLines decode_default(std::uint8_t data) {
    return {(data & 0x04) != 0, (data & 0x08) != 0, (data & 0x02) == 0, (data & 0x01) == 0};
}

struct Rig {
    DriverState state;
    VirtualClock clock;
    CountingWindow window;
    EventPump pump{window, clock};
    RecordingPort port{clock};
    PortDriver driver{state, port, pump, clock};
    Transfers transfers{driver, pump, clock};
};

}  // namespace vornalt::testing
