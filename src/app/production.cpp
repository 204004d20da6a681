#include "app/production.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "base/ascii_case.h"
#include "base/file_io.h"
#include "base/path_text.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

constexpr std::int32_t k_retlw = 0x3400;

// "1A0", "0x1A0", "1A0h": a hex number, or -1.
std::int32_t hexaddress(std::string_view text) {
    if (text.starts_with("0x") || text.starts_with("0X")) text.remove_prefix(2);
    if (text.ends_with('h') || text.ends_with('H')) text.remove_suffix(1);
    std::int32_t value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return -1;
    return value;
}

// A field quoted when it holds a comma, a quote or a line break; quotes doubled.
std::string csvfield(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// A message's lines on one line of the log.
std::string oneline(std::string_view text) {
    std::string line;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' || text[at] == '\n') {
            if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
            line += " / ";
        } else {
            line += text[at];
        }
    }
    return line;
}

}  // namespace

Result<SerialPlace> parseserialplace(std::string_view text, std::int32_t flashwords) {
    SerialPlace place;
    if (text.empty()) return Error{"No address is given for the serial number.", 0};
    if (asciilower(text) == "id") {
        place.idwords = true;
        return place;
    }
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const std::int32_t address = hexaddress(item);
        if (address < 0 || address >= flashwords) {
            std::string message = "\"";
            message.append(item).append("\" is no program memory address: give hex addresses from 0000 to ");
            message.append(tohex4(flashwords - 1)).append(", separated by commas, or ID for the user ID words.");
            return Error{std::move(message), 0};
        }
        if (std::find(place.addresses.begin(), place.addresses.end(), address) != place.addresses.end()) {
            return Error{"Address " + tohex4(address) + " is given twice for the serial number.", 0};
        }
        place.addresses.push_back(address);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return place;
}

Status putserial(MemoryImage& image, const SerialPlace& place, std::int64_t serial) {
    if (place.idwords) {
        if (serial < 0 || serial > 0xFFFF) {
            return Error{"Serial number " + std::to_string(serial) + " does not fit in the ID words (0 to 65535).", 0};
        }
        for (std::size_t i = 0; i < image.idwords.size(); ++i) {
            image.idwords[i] = static_cast<std::int32_t>((serial >> (4 * (image.idwords.size() - 1 - i))) & 0xF);
        }
        return {};
    }
    const std::size_t bytes = place.addresses.size();
    const bool fits = serial >= 0 && (bytes >= 8 || serial < (std::int64_t{1} << (8 * bytes)));
    if (!fits) {
        return Error{"Serial number " + std::to_string(serial) + " does not fit in " + std::to_string(bytes) +
                         " byte" + (bytes == 1 ? "" : "s") + ".",
                     0};
    }
    const auto flash = flashwords(image);
    for (std::size_t i = 0; i < bytes; ++i) {
        const auto address = static_cast<std::size_t>(place.addresses[i]);
        if (address >= flash.size()) return Error{"Serial address " + tohex4(place.addresses[i]) + " is past program memory.", 0};
    }
    for (std::size_t i = 0; i < bytes; ++i) {
        const int shift = static_cast<int>(8 * (bytes - 1 - i));
        const auto byte = shift < 64 ? static_cast<std::int32_t>((serial >> shift) & 0xFF) : 0;
        flash[static_cast<std::size_t>(place.addresses[i])] = k_retlw | byte;
    }
    return {};
}

std::string csvheader() { return "time,model,file,sha256,device_id,serial,result,duration_ms,message\r\n"; }

std::string csvrow(const ChipRecord& r) {
    return csvfield(r.time) + "," + csvfield(r.model) + "," + csvfield(r.file) + "," + r.sha256 + "," +
           (r.deviceid >= 0 ? tohex4(r.deviceid) : std::string()) + "," +
           (r.serial >= 0 ? std::to_string(r.serial) : std::string()) + "," + (r.passed ? "pass" : "fail") + "," +
           std::to_string(r.duration_ms) + "," + csvfield(oneline(r.message)) + "\r\n";
}

Status appendlogrow(const std::string& path, const ChipRecord& record) {
    std::string log;
    std::error_code error;
    if (std::filesystem::exists(pathfromutf8(path), error)) {
        Result<std::string> old = read_file(path);
        if (!old) return old.error();  // never replaced by a log that lost its rows
        log = std::move(old).value();
    }
    if (log.empty()) log = csvheader();
    return write_file_whole(path, log + csvrow(record));
}

std::string utcstamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace vornalt
