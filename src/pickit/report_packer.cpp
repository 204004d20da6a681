#include "pickit/report_packer.h"

#include <algorithm>

#include "pickit/pickit_protocol.h"

namespace vornalt::pickit {

HidReport makereport(std::span<const std::uint8_t> body) {
    HidReport report;
    report.fill(end_of_buffer);
    std::copy_n(body.begin(), std::min<std::size_t>(body.size(), report.size()), report.begin());
    return report;
}

namespace {

// EXECUTE_SCRIPT, its length, the script and the commands after it. A script of length 0 is
// an error to the firmware, so an empty one is left out.
ScriptBytes reportbody(const ScriptBytes& script, std::span<const std::uint8_t> commands) {
    // Sized once and filled in place: growing it piece by piece trips a false array-bounds
    // warning of GCC 12 at -O3.
    const std::size_t head = script.empty() ? 0 : script.size() + 2;
    ScriptBytes body(head + commands.size());
    if (!script.empty()) {
        body[0] = execute_script;
        body[1] = static_cast<std::uint8_t>(script.size());
        std::copy(script.begin(), script.end(), body.begin() + 2);
    }
    std::copy(commands.begin(), commands.end(), body.begin() + static_cast<std::ptrdiff_t>(head));
    return body;
}

}  // namespace

std::vector<HidReport> ReportPacker::add(std::span<const std::uint8_t> piece) {
    std::vector<HidReport> closed;
    if (script_.size() + piece.size() > k_max_script) {
        closed.push_back(makereport(reportbody(script_, {})));
        script_.clear();
    }
    script_.insert(script_.end(), piece.begin(), piece.end());
    return closed;
}

std::vector<HidReport> ReportPacker::finish(std::span<const std::uint8_t> commands) {
    std::vector<HidReport> reports;
    const std::size_t scriptpart = script_.empty() ? 0 : script_.size() + 2;
    if (scriptpart + commands.size() <= k_report_size) {
        if (scriptpart + commands.size() > 0) reports.push_back(makereport(reportbody(script_, commands)));
    } else {
        reports.push_back(makereport(reportbody(script_, {})));
        reports.push_back(makereport(commands));
    }
    script_.clear();
    return reports;
}

}  // namespace vornalt::pickit
