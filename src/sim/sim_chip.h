#pragma once
// A mid-range PIC in serial programming mode, as a state machine fed with the levels of its four
// programming inputs and the time. It knows nothing of ports or pins of a connector.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "sim/chip_memory.h"
#include "sim/chip_model.h"

namespace vornalt {

// Levels at the chip: supply, MCLR at the programming voltage, ICSP clock and ICSP data.
struct ChipPins {
    bool vdd = false;
    bool vpp = false;
    bool clock = false;
    bool data = false;
};

class SimChip {
public:
    explicit SimChip(const ChipModel& model, const FactoryCalibration& calibration = {});

    const ChipModel& model() const { return model_; }
    ChipMemory& memory() { return memory_; }
    const ChipMemory& memory() const { return memory_; }

    // The inputs as they are from now_ns on (time never goes backwards). Power changes and clock
    // edges take effect here.
    void apply(const ChipPins& pins, std::int64_t now_ns);
    // The chip's side of the wired-AND data line: false while it pulls the line low.
    bool dataoutput() const { return output_; }
    bool programming() const { return power_ == Power::programming; }
    std::int32_t pc() const { return pc_; }
    // Completes a write or erase whose time has passed by now_ns (nothing else moves).
    void settle(std::int64_t now_ns);
    // True while a write or erase is still under way.
    bool busy() const { return operation_.active; }

private:
    enum class Power { off, running, programming };
    enum class Phase { command, load, read };
    enum class Armed { none, program, data, setup1, setup };
    enum class Region { program, eeprom, config };  // config: index is the address

    struct CellChange {
        Region region;
        std::int32_t index;
        std::int32_t from;
        std::int32_t to;
    };
    struct Operation {
        bool active = false;
        bool external = false;  // runs until End Programming
        std::int64_t start_ns = 0;
        std::int64_t duration_ns = 0;
        std::vector<CellChange> changes;
    };

    void enter();
    void leave(std::int64_t now_ns, Power next);
    void risingedge(std::int64_t now_ns);
    void fallingedge(bool data, std::int64_t now_ns);
    void execute(std::int32_t code, std::int64_t now_ns);
    void finishload();
    std::int32_t readprogramword() const;
    std::int32_t readdatabyte() const;

    // Writes and erases: collect the cells that change, then run them for their time.
    void begin(bool program_only, Armed armed, std::int64_t now_ns);
    void writelatches(bool erase_first, std::int64_t duration_ns, std::int64_t now_ns);
    void writeeeprom(std::int64_t duration_ns, std::int64_t now_ns);
    void eraseprogram(bool with_config);
    void erasedata();
    void eraserow(std::int32_t rowwords);
    void change(Region region, std::int32_t index, std::int32_t to);
    void start(std::int64_t duration_ns, std::int64_t now_ns);
    // Ends the running write or erase: complete when its time has passed, else (or when cut)
    // with the cells part way.
    void finish(std::int64_t now_ns, bool cut = false);
    std::int32_t& cell(Region region, std::int32_t index);

    std::int32_t programindex() const { return pc_ & (model_.programwords - 1); }
    std::int32_t eepromindex() const { return pc_ & (model_.eeprombytes - 1); }
    bool inconfigspace() const { return pc_ >= k_config_space; }
    std::int32_t latchindex() const { return pc_ & (latchwords_ - 1); }

    const ChipModel& model_;
    const FamilyRules rules_;
    std::int32_t latchwords_;  // the part's own count
    ChipMemory memory_;
    bool osccal_hidden_;  // the OSCCAL word reads 0 under code protection
    std::int32_t stale_config1_ = -1;  // what CONFIG1 reads until the next write (config1_needs_next_write)

    Power power_ = Power::off;
    ChipPins pins_;
    std::int64_t vdd_rise_ns_ = 0;
    bool output_ = true;
    std::int64_t command_start_ns_ = 0;  // first clock of the latest command
    std::int64_t quiet_until_ns_ = 0;    // End Programming time + TDIS

    // Serial state.
    Phase phase_ = Phase::command;
    std::int32_t bits_ = 0;      // command bits latched so far
    std::int32_t shift_ = 0;     // command or data word being assembled
    std::int32_t rising_ = 0;    // rising edges of the current frame
    std::int32_t falling_ = 0;   // falling edges of the current frame
    std::int32_t command_ = 0;   // the command that owns the frame
    std::int32_t readword_ = 0;  // what a read frame shifts out

    // Programming state, reset at every entry.
    std::int32_t pc_ = 0;
    std::array<std::int32_t, 8> latches_{};
    std::int32_t datalatch_ = 0xFF;
    bool lastload_data_ = false;  // the latest Load was for data memory
    Armed armed_ = Armed::none;
    Operation operation_;
};

// A factory-fresh chip of the named part, or nullptr for a name the simulator does not know
// (the socket then stays empty).
std::unique_ptr<SimChip> makechip(std::string_view modelname);

// The value a cell is left with when its change from `from` to `to` is cut short after the
// fraction `done` (0..1) of its time: the differing bits flip from bit 0 upwards, so any write
// cut short leaves at least one bit wrong.
std::int32_t partialvalue(std::int32_t from, std::int32_t to, double done);

}  // namespace vornalt
