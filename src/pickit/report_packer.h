#pragma once
// Script pieces packed into 64-byte reports: each report is EXECUTE_SCRIPT with as many whole
// pieces as fit, then any firmware commands that must follow the script (UPLOAD_DATA,
// READ_STATUS), then END_OF_BUFFER to the end. A piece never straddles two reports, so a
// command and its data frame are clocked without a USB gap inside them.
#include <cstdint>
#include <span>
#include <vector>

#include "pickit/script_encoder.h"
#include "platform/hid_transport.h"

namespace vornalt::pickit {

// Script bytes one report can carry: the report less EXECUTE_SCRIPT and its length byte.
inline constexpr int k_max_script = 62;

class ReportPacker {
public:
    // Adds a piece of whole script instructions (at most k_max_script bytes). Returns the
    // reports this closed, which the caller sends at once.
    std::vector<HidReport> add(std::span<const std::uint8_t> piece);
    // Closes the open report with the given firmware commands after its script (in a report of
    // their own when they do not fit) and returns what is left to send. Nothing when there is
    // neither script nor command.
    std::vector<HidReport> finish(std::span<const std::uint8_t> commands = {});
    bool empty() const { return script_.empty(); }
    void clear() { script_.clear(); }

private:
    ScriptBytes script_;
};

// A report holding `body` and END_OF_BUFFER after it.
HidReport makereport(std::span<const std::uint8_t> body);

}  // namespace vornalt::pickit
