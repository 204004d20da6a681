#include "engine/script_engine.h"

#include <algorithm>
#include <span>
#include <string>

#include "engine/engine_messages.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

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
    for (std::size_t i = state.worklist.size(); i-- > 0;) {
        Instruction& instruction = state.decoded[i];
        instruction = decodeline(state.worklist[i]);
        if (instruction.op == Op::setflashloop || instruction.op == Op::seteepromloop) {
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
    state.runstopped = false;
    state.loopstatus = LoopStatus::none;
    state.passstartaddress = 0;
    state.keptcalibration.clear();
    state.deviceidrefused = false;
}

ScriptEngine::ScriptEngine(EngineState& state, MemoryImage& image, const AppliedModel& model,
                           Transfers& transfers, Clock& clock, WindowServices& window, EventPump& pump,
                           const StopRequest& stop)
    : state_(state),
      image_(image),
      model_(model),
      transfers_(transfers),
      clock_(clock),
      window_(window),
      pump_(pump),
      stop_(stop) {}

void ScriptEngine::runtoend() {
    state_.linecounter = 1;
    while (state_.linecounter <= state_.lastline) enginestep();
    // The last lines may still be queued for a USB adapter; a run is done once they are out.
    if (!state_.runstopped) {
        if (const Status sent = transfers_.flush(); !sent) stoprun(sent.error().message);
    }
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
    switch (in.op) {
    case Op::begin:
        transfers_.powerup(model_.powerorder, stop_);
        ++s.linecounter;
        return;
    case Op::end:
        transfers_.powerdown();
        ++s.linecounter;
        return;
    case Op::calcflash:
        calcflash();
        ++s.linecounter;
        return;
    case Op::calceeprom:
        calceeprom();
        ++s.linecounter;
        return;
    case Op::calckept:
        s.lastflashaddress = -1;
        for (std::size_t i = 0; i < model_.calibration.size(); ++i) {
            const std::int32_t address = model_.calibration[i].address;
            if (address < image_.flashsize && kept(static_cast<std::int32_t>(i)) >= 0 && address > s.lastflashaddress) {
                s.lastflashaddress = address;
            }
        }
        ++s.linecounter;
        return;
    case Op::setflashloop:
        looptop(in, s.lastflashaddress);
        return;
    case Op::seteepromloop:
        looptop(in, s.lasteepromaddress);
        return;
    case Op::loop:
        loopback();
        return;
    default:
        break;
    }

    if (memorystepping(in.op) && !insidebuffer(in.op)) return;

    switch (in.op) {
    case Op::sendflash:
    case Op::sendeeprom:
    case Op::sendconfig1:
    case Op::sendconfig2: {
        progress(in.op);
        std::int32_t word = 0;
        if (in.op == Op::sendconfig1) {
            word = tosend(k_config1_address, image_.config1word);
        } else if (in.op == Op::sendconfig2) {
            word = tosend(k_config2_address, image_.config2word);
        } else {
            std::int32_t* cell = memorycell(in.op);
            if (cell == nullptr) return;
            word = in.op == Op::sendflash ? tosend(s.addresscounter, *cell) : *cell;
        }
        transfers_.sendcommanddata(in.code, word);
        transfers_.settledelay();
        if (memorystepping(in.op)) ++s.addresscounter;
        ++s.linecounter;
        return;
    }
    case Op::readflash:
    case Op::readeeprom:
    case Op::readconfig1:
    case Op::readconfig2:
    case Op::readtemp: {
        if (in.op != Op::readtemp) progress(in.op);
        const std::int32_t value = transfers_.readdata(in.code);
        if (in.op == Op::readconfig1) {
            image_.config1word = value;
        } else if (in.op == Op::readconfig2) {
            image_.config2word = value;
        } else if (in.op == Op::readtemp) {
            s.tempvalue = value;
        } else {
            std::int32_t* cell = memorycell(in.op);
            if (cell == nullptr) return;
            *cell = in.op == Op::readeeprom ? value % 256 : value;
        }
        transfers_.settledelay();
        if (memorystepping(in.op)) ++s.addresscounter;
        ++s.linecounter;
        return;
    }
    case Op::checkblankflash:
    case Op::checkblankeeprom:
    case Op::checkblankconfig1:
    case Op::checkblankconfig2:
    case Op::checkflash:
    case Op::checkeeprom:
    case Op::checkconfig1:
    case Op::checkconfig2:
    case Op::checkwrittenflash:
    case Op::checkwritteneeprom:
        check(in.op);
        return;
    case Op::sendkept:
    case Op::sendkeptconfig1:
    case Op::sendkeptconfig2: {
        progress(in.op);
        // Only the kept bits go in; every other bit is sent erased, which writes nothing.
        const std::int32_t address = in.op == Op::sendkept          ? s.addresscounter
                                     : in.op == Op::sendkeptconfig1 ? k_config1_address
                                                                    : k_config2_address;
        const std::int32_t erased = in.op == Op::sendkept          ? k_blank_word
                                    : in.op == Op::sendkeptconfig1 ? model_.config1erased
                                                                   : model_.config2erased;
        transfers_.sendcommanddata(in.code, tosend(address, erased & k_blank_word));
        transfers_.settledelay();
        if (memorystepping(in.op)) ++s.addresscounter;
        ++s.linecounter;
        return;
    }
    case Op::keepflash:
        keep(s.addresscounter, s.tempvalue);
        if (s.runstopped) return;
        ++s.addresscounter;
        ++s.linecounter;
        return;
    case Op::keep:
        keep(in.word, s.tempvalue);
        if (s.runstopped) return;
        ++s.linecounter;
        return;
    case Op::checkid:
        checkid();
        return;
    case Op::senddata:
        transfers_.sendcommanddata(in.code, in.word);
        transfers_.settledelay();
        ++s.linecounter;
        return;
    case Op::sendcommand:
        transfers_.sendcommand(in.code);
        transfers_.settledelay();
        ++s.linecounter;
        return;
    case Op::wprog:
        wait(model_.progtime);
        ++s.linecounter;
        return;
    case Op::wait:
        wait(in.waitms);
        ++s.linecounter;
        return;
    default:
        stoprun(unrecognisedmessage(currentline()));
        return;
    }
}

void ScriptEngine::check(Op op) {
    EngineState& s = state_;
    progress(op);
    const std::int32_t temp = s.tempvalue;
    const std::int32_t tempbyte = temp % 256;
    const std::int32_t address = s.addresscounter;
    bool passed = false;
    std::string message;
    switch (op) {
    case Op::checkblankflash:
        passed = ((temp ^ k_blank_word) & comparedbits(address, true)) == 0;
        if (!passed) message = blankmessage(tohex4(address), tohex4(temp));
        break;
    case Op::checkblankeeprom:
        passed = tempbyte == k_blank_byte;
        if (!passed) message = blankmessage(tohex4(k_eeprom_address + address), tohex2(tempbyte));
        break;
    case Op::checkblankconfig1:
        passed = ((temp ^ model_.config1erased) & model_.config1mask & comparedbits(k_config1_address, true)) == 0;
        if (!passed) message = blankmessage("2007", tohex4(temp));
        break;
    case Op::checkblankconfig2:
        passed = ((temp ^ model_.config2erased) & model_.config2mask & comparedbits(k_config2_address, true)) == 0;
        if (!passed) message = blankmessage("2008", tohex4(temp));
        break;
    case Op::checkflash:
    case Op::checkeeprom: {
        const std::int32_t* cell = memorycell(op);
        if (cell == nullptr) return;
        const std::int32_t expected = op == Op::checkflash ? tosend(address, *cell) : *cell;
        if (op == Op::checkflash) {
            passed = ((temp ^ expected) & comparedbits(address, false)) == 0;
            if (!passed) message = verifymessage(tohex4(address), tohex4(temp), tohex4(expected));
        } else {
            passed = tempbyte == expected;
            if (!passed) message = verifymessage(tohex4(k_eeprom_address + address), tohex2(tempbyte), tohex2(expected));
        }
        break;
    }
    case Op::checkwrittenflash:
    case Op::checkwritteneeprom: {
        // Verify inside a write loop: the send before has already moved the address counter,
        // so the location written is the one below it. The counter stays where it is.
        const bool flash = op == Op::checkwrittenflash;
        const std::span<std::int32_t> region = flash ? flashwords(image_) : eepromcells(image_);
        const std::int32_t written = address - 1;
        if (written < 0 || static_cast<std::size_t>(written) >= region.size()) {
            stoprun(outsidememorymessage(s.linecounter, currentline(), flash,
                                         flash ? written : k_eeprom_address + written,
                                         static_cast<std::int32_t>(region.size())));
            return;
        }
        const std::int32_t cell = region[static_cast<std::size_t>(written)];
        if (flash) {
            const std::int32_t expected = tosend(written, cell);
            passed = ((temp ^ expected) & comparedbits(written, false)) == 0;
            if (!passed) message = verifymessage(tohex4(written), tohex4(temp), tohex4(expected));
        } else {
            passed = tempbyte == cell;
            if (!passed) message = verifymessage(tohex4(k_eeprom_address + written), tohex2(tempbyte), tohex2(cell));
        }
        break;
    }
    case Op::checkconfig1: {
        const std::int32_t expected = tosend(k_config1_address, image_.config1word);
        passed = ((temp ^ expected) & model_.config1mask & comparedbits(k_config1_address, false)) == 0;
        if (!passed) message = verifymessage("2007", tohex4(temp), tohex4(expected));
        break;
    }
    case Op::checkconfig2: {
        const std::int32_t expected = tosend(k_config2_address, image_.config2word);
        passed = ((temp ^ expected) & model_.config2mask & comparedbits(k_config2_address, false)) == 0;
        if (!passed) message = verifymessage("2008", tohex4(temp), tohex4(expected));
        break;
    }
    default:
        return;
    }

    if (passed) {
        if (memorystepping(op)) ++s.addresscounter;
        ++s.linecounter;
        return;
    }

    // The run goes on at the script's last line (normally the power-down). A failing last line
    // would run itself again for ever, so that run is stopped instead.
    const std::int32_t failedline = s.linecounter;
    s.failureflag = true;
    s.linecounter = s.lastline;
    window_.message(message);
    if (failedline == s.lastline) stoprun(lastlinefailedmessage(failedline, currentline()));
}

// The identifying bits of the word read at 2006h against the model's. Runs before anything is
// written: a wrong part or an empty socket stops the run unless the user (or the front end's
// option) lets it go on.
void ScriptEngine::checkid() {
    EngineState& s = state_;
    const std::int32_t read = s.tempvalue & k_blank_word;
    const std::int32_t mask = model_.deviceidmask;
    std::string problem;
    if (model_.deviceid >= 0) {
        if (read == 0 || read == k_blank_word) {
            problem = nochipmessage(read, model_.modelname);
        } else if ((read & mask) != (model_.deviceid & mask)) {
            problem = wrongdevicemessage(read & mask, model_.modelname, model_.deviceid & mask);
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
                return;
            }
            transfers_.powerup(model_.powerorder);
        }
    }
    ++s.linecounter;
}

void ScriptEngine::keep(std::int32_t address, std::int32_t value) {
    const std::int32_t index = calindex(address);
    if (index < 0) return;  // keepflash at an address without a cell keeps nothing
    EngineState& s = state_;
    if (s.keptcalibration.size() < model_.calibration.size()) s.keptcalibration.resize(model_.calibration.size(), -1);
    const std::int32_t mask = model_.calibration[static_cast<std::size_t>(index)].mask;
    const std::int32_t word = value & k_blank_word;
    s.keptcalibration[static_cast<std::size_t>(index)] = word;
    // All ones is a possible factory value of a few bits, so only a whole calibration word that
    // reads erased, or bits the image can restore, are worth a word to the user.
    const std::int32_t image = imagevalue(address);
    const bool imageholds = image >= 0 && (image & mask) != mask;
    if ((word & mask) == mask && (imageholds || mask == k_blank_word)) {
        window_.message(calibrationlostmessage(address, word, imageholds ? image & mask : -1));
    }
}

std::int32_t ScriptEngine::imagevalue(std::int32_t address) const {
    if (address >= 0 && address < image_.flashsize && static_cast<std::size_t>(address) < image_.flashbuffer.size()) {
        return image_.flashbuffer[static_cast<std::size_t>(address)];
    }
    if (address == k_config1_address) return image_.config1word;
    if (address == k_config2_address) return image_.config2word;
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
// lost them (they read erased) and the image holds a value for them: then the image's value
// restores the cell.
std::int32_t ScriptEngine::tosend(std::int32_t address, std::int32_t value) const {
    const std::int32_t index = calindex(address);
    const std::int32_t keptvalue = kept(index);
    if (keptvalue < 0) return value;
    const std::int32_t mask = model_.calibration[static_cast<std::size_t>(index)].mask;
    const std::int32_t image = imagevalue(address);
    const bool lost = (keptvalue & mask) == mask;
    const bool imageholds = image >= 0 && (image & mask) != mask;
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
    const auto words = flashwords(image_);
    state_.lastflashaddress = -1;
    for (std::size_t a = words.size(); a-- > 0;) {
        if (words[a] != k_blank_word) {
            state_.lastflashaddress = static_cast<std::int32_t>(a);
            break;
        }
    }
    // A kept calibration word above the image's last word is written back too.
    for (std::size_t i = 0; i < model_.calibration.size(); ++i) {
        const std::int32_t address = model_.calibration[i].address;
        if (address < image_.flashsize && kept(static_cast<std::int32_t>(i)) >= 0 && address > state_.lastflashaddress) {
            state_.lastflashaddress = address;
        }
    }
}

void ScriptEngine::calceeprom() {
    const auto bytes = eeprombytes(image_);
    state_.lasteepromaddress = -1;
    for (std::size_t a = bytes.size(); a-- > 0;) {
        if (bytes[a] != k_blank_byte) {
            state_.lasteepromaddress = static_cast<std::int32_t>(a);
            return;
        }
    }
}

// Progress before a transfer or check: "CONF1:", "CONF2:" on the status line, or the address
// in the FLASH or EEPROM loop as numbers the window shows as it likes ("F:3/1024" by default).
void ScriptEngine::progress(Op op) {
    switch (op) {
    case Op::sendconfig1:
    case Op::sendkeptconfig1:
    case Op::readconfig1:
    case Op::checkblankconfig1:
    case Op::checkconfig1:
        window_.set_status("CONF1:");
        break;
    case Op::sendconfig2:
    case Op::sendkeptconfig2:
    case Op::readconfig2:
    case Op::checkblankconfig2:
    case Op::checkconfig2:
        window_.set_status("CONF2:");
        break;
    case Op::checkwrittenflash:
    case Op::checkwritteneeprom:
        break;  // the send before it has reported this location
    default:
        window_.progress(flashstepping(op) ? MemoryRegion::flash : MemoryRegion::eeprom,
                         std::int64_t{state_.addresscounter} + 1, std::int64_t{state_.loopendaddress} + 1);
        break;
    }
    pump_.yield();
}

// Ends early on a stop request; the next step then powers the chip down. Behind a USB adapter
// what the script sent before goes out first, or the adapter times the wait itself.
void ScriptEngine::wait(std::int32_t ms) {
    if (ms > 0) static_cast<void>(transfers_.wait_ms(ms, stop_));
}

std::int32_t* ScriptEngine::memorycell(Op op) {
    // A model without EEPROM still has the one element of its buffer that scripts may address.
    const std::span<std::int32_t> region = flashstepping(op) ? flashwords(image_) : eepromcells(image_);
    const std::int32_t address = state_.addresscounter;
    if (address >= 0 && static_cast<std::size_t>(address) < region.size()) {
        return &region[static_cast<std::size_t>(address)];
    }
    const bool flash = flashstepping(op);
    stoprun(outsidememorymessage(state_.linecounter, currentline(), flash,
                                 flash ? address : k_eeprom_address + address,
                                 static_cast<std::int32_t>(flash ? region.size() : eeprombytes(image_).size())));
    return nullptr;
}

bool ScriptEngine::insidebuffer(Op op) { return memorycell(op) != nullptr; }

void ScriptEngine::stoprun(std::string_view message) {
    // Power first: the message box waits for the user, the chip must not.
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
