#include "app/programmer_choice.h"

#include <algorithm>

#include "app/port_selection.h"
#include "base/numeric_value.h"
#include "port/driver_state.h"

namespace vornalt {
namespace {

bool reportsasparallelport(BackendKind kind) {
    return kind == BackendKind::parallelport || kind == BackendKind::device || kind == BackendKind::simulator;
}

std::string rowtitle(const BackendRow& row) { return std::string(row.title.empty() ? row.name : row.title); }

}  // namespace

std::vector<ProgrammerOffer> programmeroffers() {
    std::vector<ProgrammerOffer> offers{{BackendKind::parallelport, {}, rowtitle(backendrow(BackendKind::parallelport))}};
    for (const BackendRow& row : backendtable()) {
        if (!row.findall) continue;
        for (FoundProgrammer& found : row.findall()) {
            offers.push_back({row.kind, std::move(found.argument), rowtitle(row) + ": " + found.description});
        }
    }
    offers.push_back({BackendKind::simulator, {}, rowtitle(backendrow(BackendKind::simulator))});
    return offers;
}

std::string programmersettingtext(BackendKind kind, std::string_view argument) {
    const BackendRow& row = backendrow(kind);
    if (row.key.empty() || row.kind != kind) return {};
    std::string text(row.key);
    if (!argument.empty()) text += ":" + std::string(argument);
    return text;
}

std::optional<BackendChoice> programmerfromsetting(std::string_view text) {
    const std::size_t colon = text.find(':');
    const std::string_view key = text.substr(0, colon);
    for (const BackendRow& row : backendtable()) {
        if (row.key.empty() || row.key != key) continue;
        return BackendChoice{row.kind, colon == std::string_view::npos ? std::string() : std::string(text.substr(colon + 1))};
    }
    return std::nullopt;
}

std::string programmertitle(BackendKind kind, std::string_view argument) {
    std::string title = rowtitle(backendrow(kind));
    if (!argument.empty()) title += " " + std::string(argument);
    return title;
}

void showprogrammerstate(WindowServices& window, BackendKind kind, std::string_view argument,
                         std::int32_t portaddress, const PortIo& io) {
    if (reportsasparallelport(kind)) {
        showportstate(window, portaddress, io);
        return;
    }
    const std::string title = programmertitle(kind, argument);
    if (io.available()) {
        window.set_status(title + " ready");
        return;
    }
    const std::string reason = io.reason();
    window.set_status(title + " not available" + (reason.empty() ? std::string() : ": " + reason));
}

std::int32_t steprateofsetting(std::string_view text) {
    const std::int32_t rate = numericvalue(text);
    if (rate <= 0) return k_default_steprate;
    return std::clamp(rate, k_steprate_min, k_steprate_max);
}

}  // namespace vornalt
