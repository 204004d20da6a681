#pragma once
// The programmer board with a socket for one simulated chip. On the parallel port it decodes the
// writes to the data and control registers into levels on the connector pins, turns them into the
// programmer's lines through its buffers, and composes the status register from DATA IN. The same
// board hangs on a USB adapter's bit-bang data bits D0-D7 instead: pin numbers are then bit numbers,
// the adapter drives the pins and samples all eight (see drivebits and samplebits).
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

// What the board's five lines hang on: the 25-pin parallel connector (pins 1-25) or the eight data
// bits of a bit-bang adapter (pins 0-7).
enum class BoardConnector : std::uint8_t { parallel, bitbang };

// The classic board on an adapter's data bits: CLOCK on D0, DATA OUT on D1, DATA IN on D3, VPP on
// D5 and VDD on D6, buffers as on the parallel port. VDD and VPP sit on pins that are inputs until
// bit-bang mode starts, so plugging the adapter in never switches the chip's supplies on.
inline constexpr BoardWiring k_bitbang_wiring{{6, false}, {5, false}, {0, true}, {1, true}, {3, true}};

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
    // A board on an adapter's data bits (BoardConnector::bitbang); register accesses reach nothing.
    SimBoard(const Clock& clock, BoardConnector connector, const BoardWiring& wiring);

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
    // What savechipfile would write now (settled first); empty with no chip in the socket.
    std::string chipfiletext();

    void write(std::uint16_t address, std::uint8_t value) override;
    std::uint8_t read(std::uint16_t address) override;

    // Bit-bang connector: the adapter drives the bits set in `outputs` to the levels in `value`,
    // and reads all eight pins back. A bit that neither side drives reads low (the board's
    // pull-downs). Does nothing on the parallel connector.
    BoardConnector connector() const { return connector_; }
    void drivebits(std::uint8_t value, std::uint8_t outputs);
    std::uint8_t samplebits() const;

private:
    bool pinlevel(std::int32_t pin) const;
    bool linelevel(const BoardLine& line) const { return pinlevel(line.pin) != line.inverted; }
    bool dataline() const;
    void update();
    std::uint8_t status() const;

    const Clock& clock_;
    BoardConnector connector_ = BoardConnector::parallel;
    std::int32_t portaddress_;
    BoardWiring wiring_;
    std::unique_ptr<SimChip> chip_;
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0;
    std::uint8_t bits_ = 0;        // bit-bang connector: levels the adapter drives
    std::uint8_t bitoutputs_ = 0;  // and which bits it drives
    std::int64_t accesscost_ns_ = 0;
    std::int64_t charged_ns_ = 0;
    std::int64_t accesses_ = 0;
};

}  // namespace vornalt
