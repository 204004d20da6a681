#pragma once
// The five chip operations (Program All, Read All, Erase All, Blank Check, Verify). A runner
// knows nothing of the chip: it loads the applied model's script for its operation into the
// engine, locks the user's commands, runs the script to its end and reports the outcome on
// the status line.
#include <cstdint>
#include <string_view>

#include "app/app_state.h"
#include "catalogue/catalogue.h"
#include "engine/engine_state.h"
#include "image/memory_image.h"
#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/stop_request.h"
#include "platform/window_services.h"
#include "port/port_driver.h"
#include "port/transfers.h"

namespace vornalt {

enum class ChipOperation : std::uint8_t { programall, readall, eraseall, blankcheck, verify };

// What a run touches. The stop request may be set from outside while the run goes on (the
// window closing, an abort, a signal); the runner clears it when the run is over.
struct OperationParts {
    AppState& app;
    EngineState& engine;
    MemoryImage& image;
    const AppliedModel& model;
    PortDriver& driver;
    Transfers& transfers;
    Clock& clock;
    WindowServices& window;
    EventPump& pump;
    StopRequest& stop;
    // How a message names a programmer that is not the parallel port ("FTDI adapter A50285BI");
    // empty: the parallel port's words, by its number.
    std::string programmer = {};
    // Added to the run's end text: what the user should know of the run's input (a HEX file
    // loaded again just before it).
    std::string endnote = {};
};

enum class RunOutcome : std::uint8_t {
    notstarted,  // the port cannot be reached; the user was told why
    succeeded,   // the script ran to its end and no check failed
    failed,      // a check failed, or the run had to be stopped
};

struct OperationTexts {
    std::string_view start;      // status line when the run begins
    std::string_view succeeded;  // status line after a run without a failure
    std::string_view failed;     // status line after a failed run
    // After a run that was stopped (a script the engine cannot carry out, a stop request): a
    // text that blames no chip. The failure text where it already blames none.
    std::string_view stopped;
};

OperationTexts operationtexts(ChipOperation operation);
const Script& operationscript(const AppliedModel& model, ChipOperation operation);

// Runs one operation from start to end text.
RunOutcome runoperation(ChipOperation operation, OperationParts parts);
// The end text of a run the user stopped: "Program all stopped".
std::string stoppedbyusertext(ChipOperation operation);
// Any of VDD, VPP, CLOCK, DATA OUT still on (a script that ended without its power-down).
bool anyoutputon(const PortDriver& driver);

inline RunOutcome programall(OperationParts parts) { return runoperation(ChipOperation::programall, parts); }
inline RunOutcome readall(OperationParts parts) { return runoperation(ChipOperation::readall, parts); }
inline RunOutcome eraseall(OperationParts parts) { return runoperation(ChipOperation::eraseall, parts); }
inline RunOutcome blankcheck(OperationParts parts) { return runoperation(ChipOperation::blankcheck, parts); }
inline RunOutcome verify(OperationParts parts) { return runoperation(ChipOperation::verify, parts); }

}  // namespace vornalt
