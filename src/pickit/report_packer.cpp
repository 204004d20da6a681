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
    ScriptBytes body;
    if (!script.empty()) {
        body.push_back(execute_script);
        body.push_back(static_cast<std::uint8_t>(script.size()));
        body.insert(body.end(), script.begin(), script.end());
    }
    body.insert(body.end(), commands.begin(), commands.end());
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
