#include "app/chip_operations.h"

#include <optional>
#include <string>
#include <utility>

#include "app/port_selection.h"
#include "base/ascii_case.h"
#include "engine/script_engine.h"

namespace vornalt {
bool anyoutputon(const PortDriver& driver) {
    return driver.lineon(Line::vdd) || driver.lineon(Line::vpp) || driver.lineon(Line::clock) ||
           driver.lineon(Line::dataout);
}

OperationTexts operationtexts(ChipOperation operation) {
    switch (operation) {
    case ChipOperation::programall:
        return {"Begin program all", "Chip programmed", "Chip programming failed", "Chip programming failed"};
    case ChipOperation::readall: return {"Begin read all", "Chip read", "Chip read failed", "Chip read failed"};
    case ChipOperation::eraseall: return {"Begin erase all", "Chip erased", "Chip erase failed", "Chip erase failed"};
    case ChipOperation::blankcheck:
        return {"Begin blank check", "Chip is blank", "Chip is not blank", "Blank check stopped"};
    case ChipOperation::verify: return {"Begin verify", "Chip verified", "Chip verify failed", "Chip verify failed"};
    }
    return {};
}

std::string stoppedbyusertext(ChipOperation operation) {
    // "Begin program all" names the operation.
    std::string name(operationtexts(operation).start.substr(std::string_view("Begin ").size()));
    if (!name.empty()) name[0] = asciiupper(name[0]);
    return name + " stopped";
}

const Script& operationscript(const AppliedModel& model, ChipOperation operation) {
    switch (operation) {
    case ChipOperation::programall: return model.programscript;
    case ChipOperation::readall: return model.readscript;
    case ChipOperation::eraseall: return model.erasescript;
    case ChipOperation::blankcheck: return model.blankcheckscript;
    case ChipOperation::verify: return model.verifyscript;
    }
    return model.programscript;
}

RunOutcome runoperation(ChipOperation operation, OperationParts parts) {
    // Work that never reached a chip must not be reported as done.
    const bool ready = parts.programmer.empty() ? portready(parts.window, parts.driver)
                                                : portready(parts.window, parts.programmer, parts.driver.io());
    if (!ready) return RunOutcome::notstarted;

    const OperationTexts texts = operationtexts(operation);
    const bool reading = operation == ChipOperation::readall;

    // Working list, bounds from the image's sizes, address counter 0 and a cleared failure
    // flag, so an earlier run's failure never colours this one.
    preparerun(parts.engine, operationscript(parts.model, operation), parts.image);
    parts.engine.verifying = operation == ChipOperation::verify;
    parts.window.disable();
    parts.window.set_status(texts.start);
    parts.pump.yield_now();

    // A read refused by the device-ID check has read nothing: the user gets back the image and
    // file name that were there, instead of an empty image.
    std::optional<MemoryImage> imagebefore;
    std::string filebefore;
    FileStamp sourcebefore;
    if (reading) {
        imagebefore = parts.image;
        filebefore = parts.app.label_hex;
        // The image is about to hold the chip, not the loaded file: a click on the file's name
        // must no longer reload the file over what was read.
        parts.app.label_hex.clear();
        sourcebefore = std::move(parts.app.source);
        parts.app.source = {};
        clearbuffer(parts.image, parts.model.config1erased, parts.model.config2erased);
        parts.window.updatedisplay();
        parts.pump.yield_now();
    }

    ScriptEngine engine(parts.engine, parts.image, parts.model, parts.transfers, parts.window,
                        parts.pump, parts.stop);
    engine.runtoend();
    parts.stop.clear();
    // A script whose last line is not "end" would leave the chip powered.
    if (anyoutputon(parts.driver)) parts.transfers.shutdown();

    const bool failed = parts.engine.failureflag;
    if (imagebefore && parts.engine.deviceidrefused) {
        parts.image = std::move(*imagebefore);
        parts.app.label_hex = std::move(filebefore);
        parts.app.source = std::move(sourcebefore);
    } else if (reading) {
        parts.app.unsaved = true;  // even a partial read replaced what was there
    }
    parts.window.enable();
    const std::string_view endtext =
        parts.engine.runstopped ? texts.stopped : failed ? texts.failed : texts.succeeded;
    parts.window.set_status(std::string(endtext) + parts.endnote);
    parts.pump.yield_now();

    if (reading) {
        parts.window.updatedisplay();
        parts.pump.yield_now();
    }
    return failed ? RunOutcome::failed : RunOutcome::succeeded;
}

}  // namespace vornalt
