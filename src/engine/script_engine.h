#pragma once
// The script engine: runs an operation script one line per step against the memory image and
// the programmer. The runners prepare a run with preparerun, set linecounter to 1 and call
// enginestep while linecounter <= lastline; the engine moves linecounter itself.
//
// A run that cannot go on safely (an unknown instruction, a script that could never end or
// would step outside the image, a stop request) is stopped: VDD and VPP go off (VDD first),
// CLOCK and DATA OUT go off, the failure flag and runstopped are set and linecounter moves past
// lastline, so the runner's loop ends. The image and the program are kept.
#include <cstdint>
#include <string_view>

#include "catalogue/catalogue.h"
#include "engine/engine_state.h"
#include "engine/stop_request.h"
#include "image/memory_image.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/window_services.h"
#include "port/transfers.h"

namespace vornalt {

// Loads the script into the working list (entry 0 empty, lines 1..n) and decodes it; sets
// lastline, the loop bounds from the image's sizes, the address counter to 0, and clears the
// failure flag and the run's stop state. Loop start line, loop end address and the temp
// register keep what the previous run left.
void preparerun(EngineState& state, const Script& script, const MemoryImage& image);

class ScriptEngine {
public:
    ScriptEngine(EngineState& state, MemoryImage& image, const AppliedModel& model, Transfers& transfers,
                 Clock& clock, WindowServices& window, EventPump& pump, const StopRequest& stop);

    // Executes the line at linecounter and moves linecounter. Does nothing when linecounter is
    // outside 0..lastline. A pending stop request is honoured instead of running the line.
    void enginestep();

    // Runs steps from line 1 until linecounter passes lastline.
    void runtoend();

private:
    void step(const Instruction& instruction);
    void looptop(const Instruction& instruction, std::int32_t bound);
    void loopback();
    std::int32_t headerbound() const;
    void calcflash();
    void calceeprom();

    void check(Op op);
    void checkid();
    void keep(std::int32_t address, std::int32_t value);

    // Calibration cells (AppliedModel::calibration): the cell at a word address, its value kept
    // in this run (-1 when none was read), the word to write there in place of the image's or
    // erased value, and the bits of it a check compares.
    std::int32_t calindex(std::int32_t address) const;
    std::int32_t imagevalue(std::int32_t address) const;  // the image's word there, -1 for none
    std::int32_t kept(std::int32_t index) const;
    std::int32_t tosend(std::int32_t address, std::int32_t value) const;
    std::int32_t comparedbits(std::int32_t address, bool blankcheck) const;
    void progress(Op op);
    void wait(std::int32_t ms);
    // The FLASH word or EEPROM byte at the address counter; when the counter lies outside the
    // region the run is stopped and the result is null.
    std::int32_t* memorycell(Op op);
    bool insidebuffer(Op op);

    // Powers down, lines off, marks the run stopped; shows message unless it is empty.
    void stoprun(std::string_view message);
    std::string_view currentline() const;

    EngineState& state_;
    MemoryImage& image_;
    const AppliedModel& model_;
    Transfers& transfers_;
    Clock& clock_;
    WindowServices& window_;
    EventPump& pump_;
    const StopRequest& stop_;
};

}  // namespace vornalt
