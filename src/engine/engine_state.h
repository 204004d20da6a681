#pragma once
// The script engine's state: the running script, its counters and bounds, the temp register and
// the outcome of the run. Owned by the engine; the operation runners set it up through
// preparerun and read the outcome.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/instruction.h"

namespace vornalt {

// Where the most recent loop header of the current run left things.
enum class LoopStatus : std::uint8_t {
    none,     // no header has run in this run
    running,  // the header let its body run
    ended,    // the header found its loop over and jumped past it
};

// The compare that failed a Verify or Blank Check, as data for a front end that reports it so.
struct CheckFailure {
    std::int32_t address = -1;  // -1: no compare failed in this run
    std::int32_t read = 0;
    std::int32_t expected = 0;  // the image's value (Verify) or the blank value (Blank Check)
    bool blank = false;         // a Blank Check compare
    bool byte = false;          // an EEPROM byte rather than a 14-bit word
};

struct EngineState {
    // Lines 1..lastline of the running script exactly as the model holds them; entry 0 is
    // always empty. Changed only through preparerun, which keeps `decoded` in step with it.
    std::vector<std::string> worklist{std::string()};
    std::int32_t lastline = 0;
    // The first "onfail" line, 0 for none: a failed check before it goes on after it, so the
    // script can put back what a run must not leave undone (calibration after an erase).
    std::int32_t recoveryline = 0;
    std::int32_t linecounter = 0;       // line the next step executes
    std::int32_t addresscounter = 0;    // word (FLASH) or byte (EEPROM) index of the stepping instructions
    std::int32_t lastflashaddress = 0;  // inclusive bound of FLASH loops, -1 for none
    std::int32_t lasteepromaddress = 0; // inclusive bound of EEPROM loops, -1 for none
    std::int32_t loopstartline = 0;     // line of the loop header that ran last (kept across runs)
    std::int32_t loopendaddress = 0;    // bound of the running loop (kept across runs)
    std::int32_t tempvalue = 0;         // value of the last "temp=s" read (kept across runs)
    bool failureflag = false;           // a check failed or the run was stopped

    // The run was stopped before its script could finish (bad line, a script that could not
    // end, a stop request). The chip is powered down and the lines are off when this is set.
    bool runstopped = false;

    // worklist decoded once per run: the step never looks at text.
    std::vector<Instruction> decoded{Instruction{}};
    // Guards against scripts that could loop for ever.
    LoopStatus loopstatus = LoopStatus::none;
    std::int32_t passstartaddress = 0;  // address counter when the running loop's header last ran

    // Per calibration cell of the model: the value read from the chip in this run, -1 before
    // it is read. Cleared by preparerun, so a value is never carried to another chip.
    std::vector<std::int32_t> keptcalibration;
    // Set by the front end: a device ID that is not the model's lets the run go on without
    // asking (vornalt-cli --ignore-id).
    bool ignoredeviceid = false;
    // This run was stopped on the device ID, before anything was written.
    bool deviceidrefused = false;
    // The word the device ID check of this run read at 2006h, -1 before (for a batch's log).
    std::int32_t deviceidread = -1;
    // Set by the runner for Verify: a compare that reads 0 from a chip the image's configuration
    // word protects says why (it cannot read protected memory).
    bool verifying = false;
    // The compare that failed in this run; cleared by preparerun.
    CheckFailure checkfailure;
};

}  // namespace vornalt
