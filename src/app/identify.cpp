#include "app/identify.h"

#include "app/port_selection.h"
#include "engine/script_engine.h"
#include "image/hex_text.h"
#include "port/port_driver.h"

namespace vornalt {

Result<std::int32_t> readdeviceid(OperationParts parts) {
    Script idpass;
    for (const std::string& line : parts.model.readscript) {
        if (line == "checkid") break;
        idpass.push_back(line);
    }
    if (idpass.size() == parts.model.readscript.size()) {
        return Error{"The read script of " + parts.model.modelname + " has no device ID pass (no checkid line)."};
    }
    idpass.push_back("end");
    if (!portready(parts.window, parts.driver)) return Error{"The programmer cannot be reached."};

    // Nothing of the pass reaches the user's image.
    MemoryImage scratch = parts.image;
    preparerun(parts.engine, idpass, scratch);
    ScriptEngine engine(parts.engine, scratch, parts.model, parts.transfers, parts.window, parts.pump, parts.stop);
    engine.runtoend();
    parts.stop.clear();
    if (anyoutputon(parts.driver)) parts.transfers.shutdown();
    if (parts.engine.runstopped || parts.engine.failureflag) return Error{"The device ID was not read to the end."};
    return parts.engine.tempvalue & k_blank_word;
}

std::vector<std::string> partswithid(const DeviceCatalogue& catalogue, std::int32_t id) {
    std::vector<std::string> parts;
    for (const KnownDeviceId& known : knowndeviceids(catalogue)) {
        if ((id & known.mask) == (known.deviceid & known.mask)) parts.push_back(known.modelname);
    }
    return parts;
}

std::string identitytext(std::int32_t id, const std::vector<std::string>& parts) {
    std::string text = "Device ID " + tohex4(id) + "h: ";
    if (id == 0 || id == k_blank_word) return text + "no chip answered.";
    if (parts.empty()) return text + "no model of the catalogue has this ID.";
    for (std::size_t i = 0; i < parts.size(); ++i) text += (i == 0 ? "" : " or ") + parts[i];
    return text;
}

}  // namespace vornalt
