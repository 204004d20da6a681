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
#include <vector>

#include "catalogue/catalogue.h"
#include "engine/engine_state.h"
#include "image/memory_image.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/stop_request.h"
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
                 WindowServices& window, EventPump& pump, const StopRequest& stop);

    // Executes the line at linecounter and moves linecounter. Does nothing when linecounter is
    // outside 0..lastline. A pending stop request is honoured instead of running the line.
    void enginestep();

    // Runs steps from line 1 until linecounter passes lastline.
    void runtoend();

private:
    // An instruction's cell at one address: where its value lives and how checks, messages and
    // progress treat it. Found by cellat, the one place that knows the cells.
    struct CellAt {
        std::int32_t* value = nullptr;  // the image's value or the temp register; null outside the region
        std::int32_t address = 0;       // as the user sees it (EEPROM byte n at 2100h + n); a
                                        // calibrated cell's calibration address too
        std::int32_t erased = k_blank_word;  // what Blank Check expects; sCC-kept sends it
        std::int32_t bits = -1;              // the bits a check compares (the model's configmask)
        bool calibrated = false;             // may be a calibration cell (FLASH and configuration words)
        bool byte = false;                   // an EEPROM byte: read modulo 256, compared whole, two digits
        bool stepping = false;               // in a region the address counter steps through
        MemoryRegion region = MemoryRegion::flash;  // a stepping cell's region
        std::string_view status;                    // a fixed cell's status text before a transfer or check
        std::int32_t size = 0;   // a stepping cell's region as the user sees it (words, bytes)
        std::int32_t cells = 0;  // a stepping cell's elements a script may address
    };
    CellAt cellat(Cell cell, std::int32_t index) const;
    static CellAt fixedcell(std::int32_t& value, std::int32_t address, std::int32_t erased, std::int32_t bits,
                            std::string_view status);
    // The instruction's cell at index (the address counter, or one below it for checkwritten);
    // outside its region the run is stopped and the value is null.
    CellAt reach(const Instruction& instruction, std::int32_t index);

    void step(const Instruction& instruction);
    // The actions on a cell; each returns true when the line ran to its end (and the counters move).
    bool send(const Instruction& instruction);
    bool read(const Instruction& instruction);
    bool check(const Instruction& instruction);
    bool keep(const Instruction& instruction);
    bool checkkept(const Instruction& instruction);
    bool checkid();

    void looptop(const Instruction& instruction, std::int32_t bound);
    void loopback();
    std::int32_t headerbound() const;
    void calcflash();
    void calceeprom();
    void raisetokept();  // last FLASH address up to the highest kept FLASH calibration cell
    // The check of `line` failed: message, and the run goes on at the script's last line.
    void fail(std::string_view message, std::int32_t line);

    // Reads and checks behind a batched link (a USB adapter) wait here for their values, so
    // that a verify or blank-check loop streams instead of paying a round trip per word. They
    // are settled in order at the next flush: before a line that needs a value (a send, keep,
    // checkid, checkwritten, a power step or a wait), when the list is full, and at the end of
    // the run; the first failed check then stops the run as it would have at once. Without a
    // link each one settles at once, as the line runs.
    struct Deferred {
        PendingWord word;                // a read's bits
        std::int32_t* target = nullptr;  // a read: the cell or the temp register; null for a check
        bool byte = false;               // an EEPROM byte (read modulo 256, compared whole)
        bool blank = false;              // a check: of the erased value, else of the image's
        std::int32_t address = 0;        // a check: what it compares, and where it is reported
        std::int32_t expected = 0;
        std::int32_t bits = -1;
        std::int32_t line = 0;
    };
    static constexpr std::size_t k_max_deferred = 256;
    // Queues the item; settles at once when it must. False when settling ended the line.
    bool defer(const Deferred& item, bool now);
    // Flushes the link and settles every deferred item; false when that failed a check or
    // stopped the run.
    bool settle();

    // Calibration cells (AppliedModel::calibration): the cell at a word address, its value kept
    // in this run (-1 when none was read), the word to write there in place of the image's or
    // erased value, and the bits of it a check compares.
    void keepvalue(std::int32_t address, std::int32_t value);
    std::int32_t calindex(std::int32_t address) const;
    bool calibrationvalue(std::int32_t index, std::int32_t value) const;
    std::int32_t imagevalue(std::int32_t address) const;  // the image's word there, -1 for none
    std::int32_t kept(std::int32_t index) const;
    std::int32_t tosend(std::int32_t address, std::int32_t value) const;
    std::int32_t comparedbits(std::int32_t address, bool blankcheck) const;
    void progress(const CellAt& at);
    void wait(std::int32_t ms);

    // Powers down, lines off, marks the run stopped; shows message unless it is empty.
    void stoprun(std::string_view message);
    std::string_view currentline() const;

    EngineState& state_;
    MemoryImage& image_;
    const AppliedModel& model_;
    Transfers& transfers_;
    WindowServices& window_;
    EventPump& pump_;
    const StopRequest& stop_;
    std::vector<Deferred> deferred_;
    // The share of the run done, counted in the locations its loops step through. Before the
    // run each loop's size is planned from the image: a loop after its region's calc line
    // ends at the image's last used location, any other covers its whole region. loopstarts_
    // holds, for the k-th loop, the locations of the loops before it (and at the end all of
    // them); loopsbefore_ is the running loop's k, found by its header's line.
    void planloops();
    static constexpr std::size_t k_max_planned_loops = 16;
    std::vector<std::int64_t> loopstarts_;
    std::int32_t loopsbefore_ = -1;
    std::int32_t loopline_ = 0;
};

}  // namespace vornalt
