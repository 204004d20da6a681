#include "sim/sim_chip.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <utility>

namespace vornalt {
namespace {

constexpr std::int32_t k_frame_clocks = 16;
constexpr std::int32_t k_command_bits = 6;
constexpr std::int64_t k_vpp_after_vdd_ns = 250'000;

enum class Action {
    none,
    loadconfig,
    loadprogram,
    loaddata,
    readprogram,
    readdata,
    increment,
    begin,
    beginprogramonly,
    endprogramming,
    bulkeraseprogram,
    bulkerasedata,
    roweraseprogram,
    setup1,
    setup2,
    chiperase,
};

// The action of a command code on a family; any other code is ignored, as the chips do.
Action decode(const CommandMap& commands, std::int32_t code) {
    switch (code) {
        case 0x00: return Action::loadconfig;
        case 0x02: return Action::loadprogram;
        case 0x03: return Action::loaddata;
        case 0x04: return Action::readprogram;
        case 0x05: return Action::readdata;
        case 0x06: return Action::increment;
        default: break;
    }
    const std::pair<std::int32_t, Action> mapped[] = {
        {commands.begin, Action::begin},
        {commands.begin_program_only, Action::beginprogramonly},
        {commands.end_programming, Action::endprogramming},
        {commands.row_erase, Action::roweraseprogram},
        {commands.bulk_erase_program, Action::bulkeraseprogram},
        {commands.bulk_erase_data, Action::bulkerasedata},
        {commands.chip_erase, Action::chiperase},
        {commands.setup_sequence ? 0x01 : -1, Action::setup1},
        {commands.setup_sequence ? 0x07 : -1, Action::setup2},
    };
    for (const auto& [mappedcode, action] : mapped) {
        if (mappedcode == code) return action;
    }
    return Action::none;
}

}  // namespace

std::int32_t partialvalue(std::int32_t from, std::int32_t to, double done) {
    const std::int32_t diff = from ^ to;
    const int count = std::popcount(static_cast<std::uint32_t>(diff));
    int flips = static_cast<int>(std::floor(done * count));
    if (flips >= count) flips = count - 1;  // cut short: never complete
    std::int32_t value = from;
    for (int bit = 0; bit < 16 && flips > 0; ++bit) {
        if (diff & (1 << bit)) {
            value ^= 1 << bit;
            --flips;
        }
    }
    return value;
}

SimChip::SimChip(const ChipModel& model, const FactoryCalibration& calibration)
    : model_(model),
      rules_(partrules(model)),
      latchwords_(latchwords(model)),
      memory_(factorymemory(model, calibration)),
      osccal_hidden_(calibration.osccal_reads_0_when_protected && model.has_calibration) {
    latches_.fill(k_word_mask);
}

std::unique_ptr<SimChip> makechip(std::string_view modelname) {
    const ChipModel* model = findchipmodel(modelname);
    if (model == nullptr) return nullptr;
    return std::make_unique<SimChip>(*model);
}

void SimChip::apply(const ChipPins& pins, std::int64_t now_ns) {
    const ChipPins before = pins_;
    pins_ = pins;

    if (before.vdd && !pins.vdd) {
        leave(now_ns, Power::off);
    } else if (before.vpp && !pins.vpp && power_ == Power::programming) {
        leave(now_ns, Power::running);  // MCLR low: reset, then user code
    }

    // Entry needs the clock and data pins low while MCLR reaches VIHH, on every family.
    const bool lines_low = !pins.clock && !pins.data;
    if (!before.vdd && pins.vdd) {
        vdd_rise_ns_ = now_ns;
        power_ = Power::running;
        // MCLR already at VIHH when VDD comes up: the order every family accepts.
        if (pins.vpp && lines_low) enter();
    } else if (!before.vpp && pins.vpp && pins.vdd && power_ == Power::running && lines_low) {
        // VDD came first. The VPP-first parts have started their user program by now and stay
        // out of reach; the 16F87/88 only waits 250 us for MCLR, far less than any power sequence.
        bool allowed = false;
        switch (rules_.power) {
            case PowerRule::either: allowed = true; break;
            case PowerRule::vpp_first: allowed = false; break;
            case PowerRule::vpp_in_250us: allowed = now_ns - vdd_rise_ns_ <= k_vpp_after_vdd_ns; break;
        }
        if (allowed) enter();
    }

    if (power_ != Power::programming) return;
    if (!before.clock && pins.clock) risingedge(now_ns);
    if (before.clock && !pins.clock) fallingedge(pins.data, now_ns);
}

void SimChip::settle(std::int64_t now_ns) {
    // An externally timed write runs until End Programming, however long that takes.
    if (operation_.active && !operation_.external && now_ns - operation_.start_ns >= operation_.duration_ns) {
        finish(now_ns);
    }
}

void SimChip::enter() {
    power_ = Power::programming;
    output_ = true;
    phase_ = Phase::command;
    bits_ = shift_ = rising_ = falling_ = 0;
    pc_ = 0;
    latches_.fill(k_word_mask);
    datalatch_ = 0xFF;
    lastload_data_ = false;
    armed_ = Armed::none;
    quiet_until_ns_ = 0;
}

void SimChip::leave(std::int64_t now_ns, Power next) {
    finish(now_ns, operation_.external);  // a write still running when the power goes is cut short
    power_ = next;
    output_ = true;
    phase_ = Phase::command;
    bits_ = shift_ = 0;
}

void SimChip::risingedge(std::int64_t now_ns) {
    switch (phase_) {
        case Phase::command:
            // The first clock of the next command ends a running self-timed write or erase,
            // whether or not its time is up.
            if (bits_ == 0) {
                command_start_ns_ = now_ns;
                if (!operation_.external) finish(now_ns);
            }
            break;
        case Phase::read:
            // The chip drives the data bits from the 2nd rising edge and lets go at the 16th.
            ++rising_;
            if (rising_ >= 2 && rising_ <= 15) {
                output_ = ((readword_ >> (rising_ - 2)) & 1) != 0;
            } else {
                output_ = true;
            }
            break;
        case Phase::load:
            break;
    }
}

void SimChip::fallingedge(bool data, std::int64_t now_ns) {
    switch (phase_) {
        case Phase::command:
            if (data) shift_ |= 1 << bits_;
            if (++bits_ == k_command_bits) {
                const std::int32_t code = shift_;
                bits_ = shift_ = 0;
                execute(code, now_ns);
            }
            break;
        case Phase::load:
            // Start bit, 14 data bits LSB first, stop bit.
            ++falling_;
            if (falling_ >= 2 && falling_ <= 15 && data) shift_ |= 1 << (falling_ - 2);
            if (falling_ == k_frame_clocks) finishload();
            break;
        case Phase::read:
            if (++falling_ == k_frame_clocks) {
                phase_ = Phase::command;
                output_ = true;
            }
            break;
    }
}

void SimChip::execute(std::int32_t code, std::int64_t now_ns) {
    if (command_start_ns_ < quiet_until_ns_) return;  // within TDIS after End Programming: lost
    const Action action = decode(rules_.commands, code);
    // Only End Programming ends an externally timed write; any other command cuts it short.
    finish(now_ns, operation_.external && action != Action::endprogramming);
    const Armed previous = armed_;
    armed_ = Armed::none;  // an armed erase waits for the very next command only

    switch (action) {
        case Action::loadconfig:
        case Action::loadprogram:
        case Action::loaddata:
            command_ = code;
            phase_ = Phase::load;
            falling_ = 0;
            shift_ = 0;
            break;
        case Action::readprogram:
            readword_ = readprogramword();
            phase_ = Phase::read;
            rising_ = falling_ = 0;
            break;
        case Action::readdata:
            readword_ = readdatabyte();  // 8 data bits, then zeros
            phase_ = Phase::read;
            rising_ = falling_ = 0;
            break;
        case Action::increment:
            // Only the PC's own width wraps: user space to 0, configuration space to 2000h.
            if (pc_ == 0x1FFF) {
                pc_ = 0;
            } else if (pc_ == 0x3FFF) {
                pc_ = k_config_space;
            } else {
                ++pc_;
            }
            break;
        case Action::begin:
            begin(false, previous, now_ns);
            operation_.external = operation_.active && code == rules_.externally_timed;
            break;
        case Action::beginprogramonly:
            begin(true, Armed::none, now_ns);
            operation_.external = operation_.active && code == rules_.externally_timed;
            break;
        case Action::endprogramming:
            latches_.fill(k_word_mask);
            quiet_until_ns_ = now_ns + rules_.tdis_ns;
            break;
        case Action::bulkeraseprogram: {
            if (rules_.erase != EraseStyle::self_timed) {
                armed_ = Armed::program;
                break;
            }
            const std::int32_t config1 = readableconfig1(model_.family, memory_.config1);
            if (inconfigspace()) {
                eraseprogram(true);
                // A calibration word goes only when the erase is aimed at it.
                const ConfigCell aimed = configcell(model_, pc_);
                if (aimed == ConfigCell::calword || aimed == ConfigCell::calword2) change(Region::config, pc_, k_word_mask);
                if (rules_.config_erase_clears_protected_data && dataprotected(model_, config1)) erasedata();
            } else if (rules_.erase_clears_config_anywhere) {
                eraseprogram(true);
            } else if (rules_.erase_outside_config_ignores_protection || !anyprogramprotected(model_, config1)) {
                eraseprogram(false);
            }
            start(rules_.timing.bulk_erase_ns, now_ns);
            break;
        }
        case Action::bulkerasedata:
            if (rules_.erase != EraseStyle::self_timed) {
                armed_ = Armed::data;
                break;
            }
            if (!dataprotected(model_, readableconfig1(model_.family, memory_.config1))) erasedata();
            start(rules_.timing.bulk_erase_ns, now_ns);
            break;
        case Action::roweraseprogram:
            // Protected program memory cannot be cleared a row at a time.
            if (!anyprogramprotected(model_, readableconfig1(model_.family, memory_.config1))) {
                eraserow(rules_.row_erase_words);
            }
            start(rules_.timing.bulk_erase_ns, now_ns);
            break;
        case Action::setup1:
            armed_ = Armed::setup1;
            break;
        case Action::setup2:
            if (previous == Armed::setup1) armed_ = Armed::setup;
            break;
        case Action::chiperase:
            eraseprogram(true);
            erasedata();
            start(rules_.timing.chip_erase_ns, now_ns);
            break;
        case Action::none:
            break;
    }
}

void SimChip::finishload() {
    phase_ = Phase::command;
    const std::int32_t word = shift_ & k_word_mask;
    shift_ = 0;
    switch (command_) {
        case 0x00:
            pc_ = k_config_space;
            if (rules_.loadconfig_keeps_data) latches_[static_cast<std::size_t>(latchindex())] = word;
            lastload_data_ = false;
            break;
        case 0x02:
            latches_[static_cast<std::size_t>(latchindex())] = word;
            lastload_data_ = false;
            break;
        default:  // 0x03
            datalatch_ = word & 0xFF;
            lastload_data_ = true;
            break;
    }
}

std::int32_t SimChip::readprogramword() const {
    if (!inconfigspace()) {
        const std::int32_t index = programindex();
        const std::int32_t config1 = readableconfig1(model_.family, memory_.config1);
        const bool hidden = osccal_hidden_ && index == model_.programwords - 1 && anyprogramprotected(model_, config1);
        return hidden || programprotected(model_, config1, index) ? 0 : memory_.program[static_cast<std::size_t>(index)];
    }
    switch (configcell(model_, pc_)) {
        case ConfigCell::deviceid: return model_.deviceid;
        case ConfigCell::config1:
            return readableconfig1(model_.family, stale_config1_ >= 0 ? stale_config1_ : memory_.config1);
        case ConfigCell::config2: return readableconfig2(model_.family, memory_.config2);
        case ConfigCell::id:
        case ConfigCell::calword:
        case ConfigCell::calword2: return *configcellvalue(memory_, model_, pc_);
        case ConfigCell::reserved:
        case ConfigCell::none: break;
    }
    return 0;  // reserved and unimplemented locations
}

std::int32_t SimChip::readdatabyte() const {
    if (model_.eeprombytes == 0) return 0;  // parts without data EEPROM answer zeros
    if (dataprotected(model_, readableconfig1(model_.family, memory_.config1))) return 0;
    return memory_.eeprom[static_cast<std::size_t>(eepromindex())];
}

void SimChip::begin(bool program_only, Armed armed, std::int64_t now_ns) {
    const std::int32_t config1 = readableconfig1(model_.family, memory_.config1);
    if (!program_only && (armed == Armed::program || armed == Armed::data || armed == Armed::setup)) {
        const bool program_cp = anyprogramprotected(model_, config1);
        const bool any_cp = program_cp || dataprotected(model_, config1);
        switch (rules_.erase) {
            case EraseStyle::armed_setup_sequence:
                // A protected 16F84A ignores the plain bulk erases; only the 01/07 sequence clears
                // it, and then everything goes. On an unprotected chip the same sequence clears
                // program memory only (DS30262E, code protection section, as other programmers
                // found it): data EEPROM and CONFIG1 stay, so an erase needs 09 and 0B as well.
                if (armed == Armed::setup && program_cp) {
                    eraseprogram(inconfigspace());
                    erasedata();
                } else if (armed == Armed::setup) {
                    eraseprogram(false);
                } else if (!program_cp) {
                    // DS30262E, bulk erase: with the PC in configuration space 09 also clears
                    // the configuration memory.
                    if (armed == Armed::program) eraseprogram(inconfigspace());
                    if (armed == Armed::data) erasedata();
                }
                break;
            case EraseStyle::armed_latest_load:
                // Protected: everything goes. Otherwise the memory of the latest Load.
                if (any_cp) {
                    eraseprogram(true);
                    erasedata();
                } else if (lastload_data_) {
                    erasedata();
                } else {
                    eraseprogram(inconfigspace());
                }
                break;
            case EraseStyle::armed_unprotected_only:
            case EraseStyle::self_timed:
                // Bulk erases are refused while any protection is on; Chip Erase is the way out.
                if (!any_cp && armed == Armed::program) eraseprogram(inconfigspace());
                if (!any_cp && armed == Armed::data) erasedata();
                break;
        }
        start(rules_.timing.bulk_erase_ns, now_ns);
        return;
    }
    if (lastload_data_) {
        // A family without this write method for data memory (the 16F87xA's 18, DS39589B command
        // table) leaves the byte as it was.
        const std::int64_t duration = program_only ? rules_.timing.eeprom_program_ns : rules_.timing.eeprom_write_ns;
        if (duration > 0) writeeeprom(duration, now_ns);
        return;
    }
    const bool writesconfig1 = inconfigspace() && configcell(model_, pc_) == ConfigCell::config1;
    if (rules_.config1_needs_next_write) stale_config1_ = writesconfig1 ? memory_.config1 : -1;
    if (program_only) {
        const std::int64_t configtime = inconfigspace() ? rules_.config_write_ns : 0;
        writelatches(false, std::max(rules_.timing.program_only_ns, configtime), now_ns);
    } else if (rules_.begin_erases_row > 0) {
        eraserow(rules_.begin_erases_row);
        start(rules_.timing.write_ns, now_ns);
    } else {
        writelatches(rules_.write_erases, rules_.timing.write_ns, now_ns);
        if (rules_.begin_clears_latches) latches_.fill(k_word_mask);
    }
}

void SimChip::writelatches(bool erase_first, std::int64_t duration_ns, std::int64_t now_ns) {
    // Programming can only clear bits; an erase first makes the cell exactly the latch.
    const auto target = [erase_first](std::int32_t old, std::int32_t latch) {
        return erase_first ? latch : (old & latch);
    };
    if (inconfigspace()) {
        // Configuration memory is written one word at a time on every family; a saved calibration
        // word can be put back after erasing it.
        const std::int32_t latch = latches_[static_cast<std::size_t>(latchindex())];
        if (configcellvalue(memory_, model_, pc_) != nullptr && configcell(model_, pc_) != ConfigCell::deviceid) {
            change(Region::config, pc_, target(cell(Region::config, pc_), latch));
        }
    } else {
        const std::int32_t base = programindex() & ~(latchwords_ - 1);
        for (std::int32_t i = 0; i < latchwords_; ++i) {
            const std::int32_t index = base + i;
            change(Region::program, index, target(cell(Region::program, index), latches_[static_cast<std::size_t>(i)]));
        }
    }
    start(duration_ns, now_ns);
}

void SimChip::writeeeprom(std::int64_t duration_ns, std::int64_t now_ns) {
    if (model_.eeprombytes == 0) return;
    change(Region::eeprom, eepromindex(), datalatch_);  // EEPROM bytes erase themselves
    start(duration_ns, now_ns);
}

void SimChip::eraseprogram(bool with_config) {
    for (std::int32_t i = 0; i < model_.programwords; ++i) change(Region::program, i, k_word_mask);
    if (!with_config) return;
    for (std::int32_t i = 0; i < k_idwords; ++i) change(Region::config, k_id_address + i, k_word_mask);
    change(Region::config, k_config1_address, k_word_mask);
    stale_config1_ = -1;
    if (model_.has_config2) change(Region::config, k_config2_address, k_word_mask);
}

void SimChip::erasedata() {
    for (std::int32_t i = 0; i < model_.eeprombytes; ++i) change(Region::eeprom, i, 0xFF);
}

void SimChip::eraserow(std::int32_t rowwords) {
    if (inconfigspace()) return;
    const std::int32_t base = programindex() & ~(rowwords - 1);
    for (std::int32_t i = 0; i < rowwords && base + i < model_.programwords; ++i) {
        change(Region::program, base + i, k_word_mask);
    }
}

void SimChip::change(Region region, std::int32_t index, std::int32_t to) {
    operation_.changes.push_back({region, index, cell(region, index), to});
}

void SimChip::start(std::int64_t duration_ns, std::int64_t now_ns) {
    operation_.active = true;
    operation_.start_ns = now_ns;
    operation_.duration_ns = duration_ns;
}

void SimChip::finish(std::int64_t now_ns, bool cut) {
    if (!operation_.active) return;
    const std::int64_t elapsed = now_ns - operation_.start_ns;
    const bool complete = !cut && elapsed >= operation_.duration_ns;
    const double done = complete ? 1.0 : static_cast<double>(elapsed) / static_cast<double>(operation_.duration_ns);
    for (const CellChange& c : operation_.changes) {
        cell(c.region, c.index) = complete ? c.to : partialvalue(c.from, c.to, done);
    }
    operation_.active = false;
    operation_.external = false;
    operation_.changes.clear();
}

std::int32_t& SimChip::cell(Region region, std::int32_t index) {
    const auto at = static_cast<std::size_t>(index);
    switch (region) {
        case Region::program: return memory_.program[at];
        case Region::eeprom: return memory_.eeprom[at];
        case Region::config: return *configcellvalue(memory_, model_, index);  // callers pass cells only
    }
    return memory_.config1;  // unreachable
}

}  // namespace vornalt
