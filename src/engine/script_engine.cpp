#include "engine/script_engine.h"

#include <algorithm>
#include <span>
#include <string>

#include "catalogue/config_fields.h"
#include "engine/engine_messages.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

// The index of the last location that is not blank, -1 when all are.
std::int32_t lastused(std::span<const std::int32_t> locations, std::int32_t blank) {
    for (std::size_t a = locations.size(); a-- > 0;) {
        if (locations[a] != blank) return static_cast<std::int32_t>(a);
    }
    return -1;
}

// RETLW k: the instruction an oscillator calibration word in program memory holds.
constexpr std::int32_t k_retlw = 0x3400;
constexpr std::int32_t k_retlw_mask = 0x3F00;

// The EEPROM elements a script may step through: eepromsize of them, and the buffer's one
// element when eepromsize is 0. Never more than the buffer holds.
std::span<std::int32_t> eepromcells(MemoryImage& image) {
    const std::size_t wanted = static_cast<std::size_t>(std::max(image.eepromsize, 1));
    return std::span<std::int32_t>(image.eeprombuffer).first(std::min(wanted, image.eeprombuffer.size()));
}

// Decodes the whole working list and points every loop header at the line after the first
// "loop" line that follows it: where the header jumps once its loop is over.
void decodeworklist(EngineState& state) {
    state.decoded.resize(state.worklist.size());
    std::int32_t afterloop = 0;
    state.recoveryline = 0;
    for (std::size_t i = state.worklist.size(); i-- > 0;) {
        Instruction& instruction = state.decoded[i];
        instruction = decodeline(state.worklist[i]);
        if (instruction.op == Op::onfail) {
            state.recoveryline = static_cast<std::int32_t>(i);
        } else if (instruction.op == Op::setflashloop || instruction.op == Op::seteepromloop) {
            instruction.loopexit = afterloop;
        } else if (instruction.op == Op::loop) {
            afterloop = static_cast<std::int32_t>(i) + 1;
        }
    }
}

}  // namespace

void preparerun(EngineState& state, const Script& script, const MemoryImage& image) {
    // A script with no lines at all (no model applied) runs as the one empty line an empty
    // catalogue field gives, which the engine refuses: nothing is reported done that never ran.
    const std::size_t lines = script.empty() ? 1 : script.size();
    state.worklist.assign(lines + 1, std::string());
    for (std::size_t i = 0; i < script.size(); ++i) state.worklist[i + 1] = script[i];
    state.lastline = static_cast<std::int32_t>(lines);
    decodeworklist(state);

    state.lastflashaddress = image.flashsize - 1;
    state.lasteepromaddress = image.eepromsize - 1;
    state.addresscounter = 0;
    state.failureflag = false;
    state.checkfailure = {};
    state.runstopped = false;
    state.loopstatus = LoopStatus::none;
    state.passstartaddress = 0;
    state.keptcalibration.clear();
    state.deviceidrefused = false;
    state.deviceidread = -1;
    state.verifying = false;
}

ScriptEngine::ScriptEngine(EngineState& state, MemoryImage& image, const AppliedModel& model,
                           Transfers& transfers, WindowServices& window, EventPump& pump,
                           const StopRequest& stop)
    : state_(state),
      image_(image),
      model_(model),
      transfers_(transfers),
      window_(window),
      pump_(pump),
      stop_(stop) {
    deferred_.reserve(k_max_deferred);  // the steps of a run allocate nothing
    loopstarts_.reserve(k_max_planned_loops + 1);
}

void ScriptEngine::runtoend() {
    if (state_.decoded.size() != state_.worklist.size()) decodeworklist(state_);
    planloops();
    loopsbefore_ = -1;
    loopline_ = 0;
    state_.linecounter = 1;
    while (state_.linecounter <= state_.lastline) enginestep();
    // The last lines may still be queued for a USB adapter; a run is done once they are out and
    // their reads and checks settled.
    if (!state_.runstopped && settle()) {
        if (const Status sent = transfers_.flush(); !sent) stoprun(sent.error().message);
    }
    deferred_.clear();
}

void ScriptEngine::enginestep() {
    // A working list filled by hand rather than through preparerun still has to be decoded.
    if (state_.decoded.size() != state_.worklist.size()) decodeworklist(state_);
    const std::int32_t line = state_.linecounter;
    if (line < 0 || line > state_.lastline || static_cast<std::size_t>(line) >= state_.decoded.size()) return;
    if (stop_.requested()) {
        stoprun({});
        return;
    }
    // A programmer that stopped answering (a USB adapter pulled out) ends the run.
    if (const Status link = transfers_.linkstatus(); !link) {
        stoprun(link.error().message);
        return;
    }
    step(state_.decoded[static_cast<std::size_t>(line)]);
}

void ScriptEngine::step(const Instruction& in) {
    EngineState& s = state_;
    // Only reads, their checks, bare commands and loop lines may run ahead of deferred values.
    switch (in.op) {
    case Op::read:
    case Op::checkblank:
    case Op::check:
    case Op::senddata:
    case Op::sendcommand:
    case Op::setflashloop:
    case Op::seteepromloop:
    case Op::loop: break;
    default:
        if (!settle()) return;
        break;
    }
    bool done = true;  // the line ran to its end: the counters move on
    switch (in.op) {
    case Op::begin: transfers_.powerup(model_.powerorder, stop_); break;
    case Op::end: transfers_.powerdown(); break;
    case Op::calcflash: calcflash(); break;
    case Op::calceeprom: calceeprom(); break;
    case Op::calckept:
        s.lastflashaddress = -1;
        raisetokept();
        break;
    case Op::onfail:
        // The run got here without a failed check: the recovery section is not for it.
        s.linecounter = s.lastline + 1;
        return;
    case Op::setflashloop: looptop(in, s.lastflashaddress); return;
    case Op::seteepromloop: looptop(in, s.lasteepromaddress); return;
    case Op::loop: loopback(); return;
    case Op::send:
    case Op::sendkept: done = send(in); break;
    case Op::read: done = read(in); break;
    case Op::checkblank:
    case Op::check:
    case Op::checkwritten: done = check(in); break;
    case Op::keep: done = keep(in); break;
    case Op::checkkept: done = checkkept(in); break;
    case Op::checkid: done = checkid(); break;
    case Op::senddata:
        transfers_.sendcommanddata(in.code, in.word);
        transfers_.settledelay();
        break;
    case Op::sendcommand:
        transfers_.sendcommand(in.code);
        transfers_.settledelay();
        break;
    case Op::wprog: wait(model_.progtime); break;
    case Op::wait: wait(in.waitms); break;
    case Op::unrecognised: stoprun(unrecognisedmessage(currentline())); return;
    }
    if (!done) return;
    if (memorystepping(in)) ++s.addresscounter;
    ++s.linecounter;
}

// Where each cell lives and how it is treated: a new cell is one case here (and its forms in
// decodeline). index is the address counter, or one below it for checkwritten.
ScriptEngine::CellAt ScriptEngine::cellat(Cell cell, std::int32_t index) const {
    CellAt at;
    // A stepping cell: its element at index, null outside the elements a script may address.
    const auto inregion = [&at, index](std::span<std::int32_t> region, MemoryRegion kind, std::size_t shown) {
        at.stepping = true;
        at.region = kind;
        at.size = static_cast<std::int32_t>(shown);
        at.cells = static_cast<std::int32_t>(region.size());
        const auto at_index = static_cast<std::size_t>(index);
        if (index >= 0 && at_index < region.size()) at.value = &region[at_index];
    };
    switch (cell) {
    case Cell::flash:
        inregion(flashwords(image_), MemoryRegion::flash, flashwords(image_).size());
        at.address = index;
        at.calibrated = true;
        break;
    case Cell::eeprom:
        // A model without EEPROM still has the one element of its buffer that scripts may address.
        inregion(eepromcells(image_), MemoryRegion::eeprom, eeprombytes(image_).size());
        at.address = k_eeprom_address + index;
        at.erased = k_blank_byte;
        at.byte = true;
        break;
    case Cell::config1:
        at = fixedcell(image_.config1word, k_config1_address, model_.config1erased, model_.config1mask,
                       "CONF1:");
        break;
    case Cell::config2:
        at = fixedcell(image_.config2word, k_config2_address, model_.config2erased, model_.config2mask,
                       "CONF2:");
        break;
    case Cell::userid0:
    case Cell::userid1:
    case Cell::userid2:
    case Cell::userid3: {
        // All 14 bits of an ID word are written and read back, on a protected chip too.
        const auto word = static_cast<std::size_t>(cell) - static_cast<std::size_t>(Cell::userid0);
        at = fixedcell(image_.idwords[word], k_id_address + static_cast<std::int32_t>(word), k_blank_word,
                       k_blank_word, "ID:");
        at.calibrated = false;
        break;
    }
    case Cell::temp: at.value = &state_.tempvalue; break;
    case Cell::none: break;
    }
    return at;
}

// A configuration word: one address, shown by its status text, may hold calibration bits.
ScriptEngine::CellAt ScriptEngine::fixedcell(std::int32_t& value, std::int32_t address, std::int32_t erased,
                                             std::int32_t bits, std::string_view status) {
    CellAt at;
    at.value = &value;
    at.address = address;
    at.erased = erased;
    at.bits = bits;
    at.calibrated = true;
    at.status = status;
    return at;
}

ScriptEngine::CellAt ScriptEngine::reach(const Instruction& in, std::int32_t index) {
    const CellAt at = cellat(in.cell, index);
    if (at.value == nullptr) {
        // checkwritten has always given the elements it may address (a model without EEPROM: 1)
        // where the forms that move the counter give the region's size.
        const std::int32_t size = in.op == Op::checkwritten ? at.cells : at.size;
        stoprun(outsidememorymessage(state_.linecounter, currentline(), at.region == MemoryRegion::flash,
                                     at.address, size));
    }
    return at;
}

// sCC-<cell>: the image's value; sCC-kept<cell>: only the kept bits go in, every other bit is
// sent erased, which writes nothing.
bool ScriptEngine::send(const Instruction& in) {
    const CellAt at = reach(in, state_.addresscounter);
    if (at.value == nullptr) return false;
    progress(at);
    const std::int32_t value = in.op == Op::sendkept ? at.erased & k_blank_word : *at.value;
    transfers_.sendcommanddata(in.code, at.calibrated ? tosend(at.address, value) : value);
    transfers_.settledelay();
    return true;
}

bool ScriptEngine::read(const Instruction& in) {
    const CellAt at = reach(in, state_.addresscounter);
    if (at.value == nullptr) return false;
    progress(at);
    Deferred item;
    item.word = transfers_.queueread(in.code);
    item.target = at.value;
    item.byte = at.byte;
    const bool settled = defer(item, false);
    transfers_.settledelay();
    return settled;
}

// checkblank, check, checkwritten: the temp register against the cell's erased value or the
// image's. A failed check is no end of the line: the run goes on at the script's last line.
bool ScriptEngine::check(const Instruction& in) {
    EngineState& s = state_;
    // Inside a write loop the send before has already moved the address counter (and reported
    // the location), so the location written is the one below it.
    const bool written = in.op == Op::checkwritten;
    if (written) pump_.yield();
    const CellAt at = reach(in, written ? s.addresscounter - 1 : s.addresscounter);
    if (at.value == nullptr) return false;
    if (!written) progress(at);
    Deferred item;
    item.blank = in.op == Op::checkblank;
    item.byte = at.byte;
    item.address = at.address;
    item.expected = item.blank ? at.erased : at.calibrated ? tosend(at.address, *at.value) : *at.value;
    item.bits = at.calibrated ? at.bits & comparedbits(at.address, item.blank) : at.bits;
    item.line = s.linecounter;
    // A failed write stops Program All before the next one: checkwritten settles at once.
    return defer(item, written);
}

bool ScriptEngine::defer(const Deferred& item, bool now) {
    deferred_.push_back(item);
    if (now || !transfers_.batched() || deferred_.size() >= k_max_deferred) return settle();
    return true;
}

bool ScriptEngine::settle() {
    if (deferred_.empty()) return true;
    if (transfers_.batched()) {
        if (const Status sent = transfers_.flush(); !sent) {
            deferred_.clear();
            stoprun(sent.error().message);
            return false;
        }
    }
    for (const Deferred& item : deferred_) {
        if (item.target != nullptr) {
            const std::int32_t value = transfers_.wordof(item.word);
            *item.target = item.byte ? value % 256 : value;
            continue;
        }
        const std::int32_t got = item.byte ? state_.tempvalue % 256 : state_.tempvalue;
        if (item.byte ? got == item.expected : ((got ^ item.expected) & item.bits) == 0) continue;
        const auto hex = [&item](std::int32_t value) { return item.byte ? tohex2(value) : tohex4(value); };
        deferred_.clear();
        state_.checkfailure = {item.address, got, item.expected, item.blank, item.byte};
        std::string message = item.blank ? blankmessage(tohex4(item.address), hex(got))
                                         : verifymessage(tohex4(item.address), hex(got), hex(item.expected));
        if (state_.verifying && !item.blank && got == 0 &&
            codeprotected(model_.configfields, {image_.config1word, image_.config2word})) {
            message += protectedverifyline();
        }
        fail(message, item.line);
        return false;
    }
    deferred_.clear();
    return true;
}

bool ScriptEngine::keep(const Instruction& in) {
    std::int32_t address = in.word;  // keep-AAAA
    if (in.cell != Cell::none) {
        const CellAt at = reach(in, state_.addresscounter);
        if (at.value == nullptr) return false;
        address = at.address;
    }
    keepvalue(address, state_.tempvalue);
    return !state_.runstopped;
}

// The read-back of a calibration cell after its value was written back: the kept bits (or the
// image's, where the chip had lost them) must be there, or every later run would keep the wrong
// value as the factory's.
bool ScriptEngine::checkkept(const Instruction& in) {
    EngineState& s = state_;
    std::int32_t address = in.word;  // checkkept-AAAA
    if (in.cell != Cell::none) {
        const CellAt at = reach(in, s.addresscounter - 1);
        if (at.value == nullptr) return false;
        address = at.address;
    }
    const std::int32_t index = calindex(address);
    const std::int32_t keptvalue = kept(index);
    if (keptvalue < 0) return true;  // not a cell, or nothing kept in this run
    const std::int32_t mask = model_.calibration[static_cast<std::size_t>(index)].mask;
    const std::int32_t read = s.tempvalue & k_blank_word;
    if (((read ^ tosend(address, 0)) & mask) == 0) return true;
    fail(calibrationnotrestoredmessage(address, read, imagevalue(address) >= 0, keptvalue), s.linecounter);
    return false;
}

// The run goes on at the script's last line (normally the power-down), or at its recovery
// section when it fails before it; a recovery that fails goes to the last line. A failing last
// line would run itself again for ever, so that run is stopped instead.
void ScriptEngine::fail(std::string_view message, std::int32_t failedline) {
    EngineState& s = state_;
    s.failureflag = true;
    const bool recover = s.recoveryline > 0 && failedline < s.recoveryline;
    s.linecounter = recover ? s.recoveryline + 1 : s.lastline;
    if (recover) {
        // The section starts afresh: its loops begin at address 0.
        s.addresscounter = 0;
        s.loopstatus = LoopStatus::none;
    }
    window_.message(message);
    if (!recover && failedline == s.lastline) stoprun(lastlinefailedmessage(failedline, currentline()));
}

// The identifying bits of the word read at 2006h against the model's. Runs before anything is
// written: a wrong part or an empty socket stops the run unless the user (or the front end's
// option) lets it go on.
bool ScriptEngine::checkid() {
    EngineState& s = state_;
    const std::int32_t read = s.tempvalue & k_blank_word;
    s.deviceidread = read;
    const std::int32_t mask = model_.deviceidmask;
    std::string problem;
    if (model_.deviceid >= 0) {
        if (read == 0 || read == k_blank_word) {
            problem = nochipmessage(read, model_.modelname);
        } else if ((read & mask) != (model_.deviceid & mask)) {
            problem = wrongdevicemessage(read & mask, model_.modelname, model_.deviceid & mask);
        }
    } else {
        for (const KnownDeviceId& other : model_.otherdeviceids) {
            if (read == 0 || read == k_blank_word || (read & other.mask) != (other.deviceid & other.mask)) continue;
            problem = otherpartmessage(read, other.modelname, model_.modelname);
            break;
        }
    }
    if (!problem.empty()) {
        if (s.ignoredeviceid) {
            window_.message(problem);
        } else {
            // Power off before asking: the chip must not wait on the user.
            transfers_.shutdown();
            if (!window_.question(goonanywayquestion(problem))) {
                stoprun({});  // the question has said it all
                s.deviceidrefused = true;
                return false;
            }
            transfers_.powerup(model_.powerorder);
        }
    }
    return true;
}

void ScriptEngine::keepvalue(std::int32_t address, std::int32_t value) {
    const std::int32_t index = calindex(address);
    if (index < 0) return;  // keepflash at an address without a cell keeps nothing
    EngineState& s = state_;
    if (s.keptcalibration.size() < model_.calibration.size()) s.keptcalibration.resize(model_.calibration.size(), -1);
    const std::int32_t mask = model_.calibration[static_cast<std::size_t>(index)].mask;
    const std::int32_t word = value & k_blank_word;
    s.keptcalibration[static_cast<std::size_t>(index)] = word;
    const std::int32_t image = imagevalue(address);
    const bool imageholds = image >= 0 && calibrationvalue(index, image);
    if ((word & mask) == mask) {
        // All ones is a possible factory value of a few bits, so only a whole calibration word
        // that reads erased, or bits the image can restore, are worth a word to the user.
        if (imageholds || mask == k_blank_word) {
            window_.message(calibrationlostmessage(address, word, imageholds ? image & mask : -1));
        }
    } else if (!calibrationvalue(index, word)) {
        // Something else stands there (a protected chip may read 0000h): writing it back would
        // make it the factory value of every later run. Keeps come before any write.
        if (imageholds) {
            window_.message(calibrationinvalidmessage(address, word, image & mask));
        } else {
            stoprun(calibrationinvalidmessage(address, word, -1));
        }
    }
}

// A FLASH calibration word is an oscillator calibration RETLW k (34xxh); calibration bits of a
// configuration word are a value unless they read erased.
bool ScriptEngine::calibrationvalue(std::int32_t index, std::int32_t value) const {
    const CalibrationCell& cell = model_.calibration[static_cast<std::size_t>(index)];
    if (cell.address < k_config_space) return (value & k_retlw_mask) == k_retlw;
    return (value & cell.mask) != cell.mask;
}

// The cell a calibration address names: a FLASH word, or a fixed cell at that address. A part
// without CONFIG2 has no image cell at 2008h (the 16F690 family keeps a calibration word there).
std::int32_t ScriptEngine::imagevalue(std::int32_t address) const {
    if (address == k_config2_address && !model_.config2used) return -1;
    for (std::uint8_t c = 0; c < k_cellcount; ++c) {
        const CellAt at = cellat(static_cast<Cell>(c), address);
        if (at.calibrated && at.value != nullptr && at.address == address) return *at.value;
    }
    return -1;
}

std::int32_t ScriptEngine::calindex(std::int32_t address) const {
    for (std::size_t i = 0; i < model_.calibration.size(); ++i) {
        if (model_.calibration[i].address == address) return static_cast<std::int32_t>(i);
    }
    return -1;
}

std::int32_t ScriptEngine::kept(std::int32_t index) const {
    const auto at = static_cast<std::size_t>(index);
    return index >= 0 && at < state_.keptcalibration.size() ? state_.keptcalibration[at] : -1;
}

// The kept bits replace the image's (or the erased value's), except when the chip had already
// lost them (they read erased, or as no RETLW) and the image holds a value for them: then the
// image's value restores the cell.
std::int32_t ScriptEngine::tosend(std::int32_t address, std::int32_t value) const {
    const std::int32_t index = calindex(address);
    const std::int32_t keptvalue = kept(index);
    if (keptvalue < 0) return value;
    const std::int32_t mask = model_.calibration[static_cast<std::size_t>(index)].mask;
    const std::int32_t image = imagevalue(address);
    const bool lost = !calibrationvalue(index, keptvalue);
    const bool imageholds = image >= 0 && calibrationvalue(index, image);
    const std::int32_t source = lost && imageholds ? image : keptvalue;
    return (value & ~mask) | (source & mask);
}

// Blank Check never looks at calibration bits; Verify compares them against the kept value,
// and leaves them out when this run kept none.
std::int32_t ScriptEngine::comparedbits(std::int32_t address, bool blankcheck) const {
    const std::int32_t index = calindex(address);
    if (index < 0) return -1;
    if (!blankcheck && kept(index) >= 0) return -1;
    return ~model_.calibration[static_cast<std::size_t>(index)].mask;
}

void ScriptEngine::looptop(const Instruction& in, std::int32_t bound) {
    EngineState& s = state_;
    if (s.linecounter != loopline_) {  // the header of the next loop, not another pass
        loopline_ = s.linecounter;
        ++loopsbefore_;
    }
    s.loopstartline = s.linecounter;
    s.loopendaddress = bound;
    if (s.addresscounter <= s.loopendaddress) {
        s.loopstatus = LoopStatus::running;
        s.passstartaddress = s.addresscounter;
        ++s.linecounter;
        return;
    }
    s.addresscounter = 0;
    s.loopstatus = LoopStatus::ended;
    s.passstartaddress = 0;
    if (in.loopexit == 0) {
        stoprun(noloopendmessage(s.linecounter, currentline()));
        return;
    }
    s.linecounter = in.loopexit;
}

// Every jump back must find its header still running and the address counter moved since the
// header let the pass start; otherwise the same lines would run again for ever.
void ScriptEngine::loopback() {
    EngineState& s = state_;
    switch (s.loopstatus) {
    case LoopStatus::none:
        stoprun(noloopheadermessage(s.linecounter, currentline()));
        return;
    case LoopStatus::ended:
        stoprun(loopendedmessage(s.linecounter, currentline()));
        return;
    case LoopStatus::running:
        // A pass that moved no address loops for ever only if its header would let the same
        // address in again; a bound lowered inside the pass ("calcflash") ends the loop there.
        if (s.addresscounter == s.passstartaddress && s.addresscounter <= headerbound()) {
            stoprun(loopstuckmessage(s.linecounter, currentline()));
            return;
        }
        s.linecounter = s.loopstartline;
        return;
    }
}

// The bound the running loop's header compares the address counter with when it runs next.
std::int32_t ScriptEngine::headerbound() const {
    const std::int32_t line = state_.loopstartline;
    const bool eeprom = line >= 0 && static_cast<std::size_t>(line) < state_.decoded.size() &&
                        state_.decoded[static_cast<std::size_t>(line)].op == Op::seteepromloop;
    return eeprom ? state_.lasteepromaddress : state_.lastflashaddress;
}

void ScriptEngine::calcflash() {
    state_.lastflashaddress = lastused(flashwords(image_), k_blank_word);
    // A kept calibration word above the image's last word is written back too.
    raisetokept();
}

void ScriptEngine::raisetokept() {
    for (std::size_t i = 0; i < model_.calibration.size(); ++i) {
        const std::int32_t address = model_.calibration[i].address;
        if (address < image_.flashsize && kept(static_cast<std::int32_t>(i)) >= 0 && address > state_.lastflashaddress) {
            state_.lastflashaddress = address;
        }
    }
}

void ScriptEngine::calceeprom() { state_.lasteepromaddress = lastused(eeprombytes(image_), k_blank_byte); }

void ScriptEngine::planloops() {
    loopstarts_.assign(1, 0);
    bool flashcalc = false;
    bool eepromcalc = false;
    for (const Instruction& in : state_.decoded) {
        if (in.op == Op::onfail) break;  // a run that goes well never gets past it
        flashcalc = flashcalc || in.op == Op::calcflash;
        eepromcalc = eepromcalc || in.op == Op::calceeprom;
        std::int32_t last = 0;
        if (in.op == Op::setflashloop) {
            last = flashcalc ? lastused(flashwords(image_), k_blank_word) : image_.flashsize - 1;
        } else if (in.op == Op::seteepromloop) {
            last = eepromcalc ? lastused(eeprombytes(image_), k_blank_byte) : image_.eepromsize - 1;
        } else {
            continue;
        }
        if (loopstarts_.size() > k_max_planned_loops) {  // no room without allocating: no share shown
            loopstarts_.clear();
            return;
        }
        loopstarts_.push_back(loopstarts_.back() + std::max(last + 1, 0));
    }
}

// Progress before a transfer or check: the fixed cell's text ("CONF1:") on the status line, or
// the address in the FLASH or EEPROM loop as numbers the window shows as it likes ("F:3/1024"
// by default). The temp register reports nothing.
void ScriptEngine::progress(const CellAt& at) {
    if (at.stepping) {
        // A loop that writes a block at a time goes on to the end of its last block, past the
        // loop's end address: that is still the last of the work, not more than all of it.
        const std::int64_t total = std::int64_t{state_.loopendaddress} + 1;
        const std::int64_t done = std::min(std::int64_t{state_.addresscounter} + 1, total);
        window_.progress(at.region, done, total);
        const auto k = static_cast<std::size_t>(loopsbefore_);
        if (loopsbefore_ >= 0 && k + 1 < loopstarts_.size() && loopstarts_.back() > 0) {
            const double size = static_cast<double>(loopstarts_[k + 1] - loopstarts_[k]);
            const double located = static_cast<double>(loopstarts_[k]) +
                                   size * static_cast<double>(done) / static_cast<double>(total);
            window_.runshare(located / static_cast<double>(loopstarts_.back()));
        }
    } else if (!at.status.empty()) {
        window_.set_status(at.status);
    } else {
        return;
    }
    pump_.yield();
}

// Ends early on a stop request; the next step then powers the chip down. Behind a USB adapter
// what the script sent before goes out first, or the adapter times the wait itself.
void ScriptEngine::wait(std::int32_t ms) {
    if (ms > 0) static_cast<void>(transfers_.wait_ms(ms, stop_));
}

void ScriptEngine::stoprun(std::string_view message) {
    // Power first: the message box waits for the user, the chip must not. Reads and checks
    // still waiting for their values are forgotten with the queue.
    deferred_.clear();
    transfers_.shutdown();
    state_.failureflag = true;
    state_.runstopped = true;
    state_.linecounter = state_.lastline + 1;
    if (!message.empty()) window_.message(message);
}

std::string_view ScriptEngine::currentline() const {
    const std::int32_t line = state_.linecounter;
    if (line < 0 || static_cast<std::size_t>(line) >= state_.worklist.size()) return {};
    return state_.worklist[static_cast<std::size_t>(line)];
}

}  // namespace vornalt
