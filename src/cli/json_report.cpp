#include "cli/json_report.h"

#include <cstdio>

namespace vornalt {

std::string jsonstring(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(byte));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string jsontext(const JsonReport& r) {
    std::string out = "{\"command\":" + jsonstring(r.command);
    out += ",\"model\":" + (r.model.empty() ? std::string("null") : jsonstring(r.model));
    out += ",\"port\":" + (r.port.empty() ? std::string("null") : jsonstring(r.port));
    out += ",\"result\":" + jsonstring(r.result);
    out += ",\"exit_status\":" + std::to_string(r.exitstatus);
    out += ",\"end_text\":" + jsonstring(r.endtext);
    out += ",\"messages\":[";
    for (std::size_t i = 0; i < r.messages.size(); ++i) out += (i == 0 ? "" : ",") + jsonstring(r.messages[i]);
    out += "]";
    if (r.check) {
        out += ",\"check\":{\"kind\":" + jsonstring(r.check->kind) + ",\"address\":" + jsonstring(r.check->address) +
               ",\"read\":" + jsonstring(r.check->read);
        if (!r.check->expected.empty()) out += ",\"expected\":" + jsonstring(r.check->expected);
        out += "}";
    }
    if (!r.deviceid.empty()) {
        out += ",\"device_id\":" + jsonstring(r.deviceid) + ",\"parts\":[";
        for (std::size_t i = 0; i < r.parts.size(); ++i) out += (i == 0 ? "" : ",") + jsonstring(r.parts[i]);
        out += "]";
    }
    out += ",\"duration_ms\":" + std::to_string(r.duration_ms) + "}";
    return out;
}

}  // namespace vornalt
