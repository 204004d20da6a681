#pragma once
// The programmer board on the parallel port, with a socket for one simulated chip. It decodes
// the writes to the data and control registers into levels on the connector pins, turns them into
// the programmer's lines through its buffers, and composes the status register from DATA IN.
#include <cstdint>
#include <memory>
#include <string>

#include "base/result.h"
#include "platform/clock.h"
#include "platform/port_io.h"
#include "sim/sim_chip.h"

namespace vornalt {

// One programmer line: the connector pin it hangs on, and whether a buffer between the pin and
// the line inverts it.
struct BoardLine {
    std::int32_t pin = 0;
    bool inverted = false;
};

// How a board is wired. The default is the classic programmer: VDD and VPP switched straight from
// pins 4 and 5, CLOCK and DATA OUT through inverting open-collector buffers from pins 3 and 2,
// the data line back to pin 10 through an inverter.
struct BoardWiring {
    BoardLine vdd{4, false};
    BoardLine vpp{5, false};
    BoardLine clock{3, true};
    BoardLine dataout{2, true};
    BoardLine datain{10, true};
};

// Levels of the programmer lines as the chip sees them (data: the wired-AND line).
struct BoardLines {
    bool vdd = false;
    bool vpp = false;
    bool clock = false;
    bool dataout = false;  // what the board drives; high means released
    bool data = false;     // the data line itself, after the chip's output
};

class SimBoard final : public PortIo {
public:
    // The clock times writes and erases; the board answers at portaddress +0, +1 and +2.
    explicit SimBoard(const Clock& clock, std::int32_t portaddress = 888, const BoardWiring& wiring = {});

    // Puts a chip in the socket (nullptr empties it); the old one is handed back.
    std::unique_ptr<SimChip> insert(std::unique_ptr<SimChip> chip);
    SimChip* chip() { return chip_.get(); }
    const SimChip* chip() const { return chip_.get(); }

    void setportaddress(std::int32_t portaddress) { portaddress_ = portaddress; }
    void setwiring(const BoardWiring& wiring);
    const BoardWiring& wiring() const { return wiring_; }

    // A modelled cost of every register access, added to the board's time so a run predicts how
    // long it would take on a real port (about 1 us each). 0 by default.
    void setaccesscost_ns(std::int64_t ns) { accesscost_ns_ = ns; }
    // Total access cost charged so far; the board's time is the clock's plus this.
    std::int64_t charged_ns() const { return charged_ns_; }
    std::int64_t now_ns() const { return clock_.now_ns() + charged_ns_; }
    std::int64_t accesses() const { return accesses_; }

    BoardLines lines() const;

    // The chip's memory from or to an Intel HEX chip file (see chip_file.h). Both need a chip in
    // the socket; saving first lets a write that has had its time finish.
    Status loadchipfile(const std::string& path);
    Status savechipfile(const std::string& path);

    void write(std::uint16_t address, std::uint8_t value) override;
    std::uint8_t read(std::uint16_t address) override;

private:
    bool pinlevel(std::int32_t pin) const;
    bool linelevel(const BoardLine& line) const { return pinlevel(line.pin) != line.inverted; }
    bool dataline() const;
    void update();
    std::uint8_t status() const;

    const Clock& clock_;
    std::int32_t portaddress_;
    BoardWiring wiring_;
    std::unique_ptr<SimChip> chip_;
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0;
    std::int64_t accesscost_ns_ = 0;
    std::int64_t charged_ns_ = 0;
    std::int64_t accesses_ = 0;
};

}  // namespace vornalt
