#pragma once
// vornalt-cli --json: one JSON object per run on standard output, for firmware CI and
// Makefiles that act on the outcome rather than parse the texts.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vornalt {

struct JsonCheck {
    std::string kind;      // "verify" or "blankcheck"
    std::string address;   // hex, as the message shows it
    std::string read;
    std::string expected;  // empty for a Blank Check
};

struct JsonReport {
    std::string command;
    std::string model;      // empty when no model was chosen
    std::string port;       // "sim", "1".."3", a device path, "saved"; empty for file commands
    std::string result;     // "succeeded", "failed", "stopped", "refused", "error"
    int exitstatus = 0;
    std::string endtext;    // the status line at the end
    std::vector<std::string> messages;  // every message, in order
    std::optional<JsonCheck> check;
    // identify: the ID read (hex) and the models that carry it; no ID when none was read.
    std::string deviceid;
    std::vector<std::string> parts;
    std::int64_t duration_ms = 0;
};

// A JSON string literal, quotes included; control characters as \uXXXX, other bytes unchanged
// (the texts are UTF-8).
std::string jsonstring(std::string_view text);

// The report as one line of JSON, without line end.
std::string jsontext(const JsonReport& report);

}  // namespace vornalt
