#include "image/hex_record.h"

#include "image/hex_text.h"

namespace vornalt {

RecordFault splitrecord(std::string_view line, HexRecordFields& fields) {
    if (line.empty() || line.front() != ':') return RecordFault::no_colon;
    if (line.size() < k_record_min_chars) return RecordFault::too_short;
    const std::string_view body = line.substr(1);
    if (hexchecksum(body.substr(0, body.size() - 2)) != body.substr(body.size() - 2)) return RecordFault::checksum;
    fields.count = fromhex2(body.substr(0, 2));
    fields.address = fromhex4(body.substr(2, 4));
    fields.type = fromhex2(body.substr(6, 2));
    fields.data = body.substr(8, body.size() - 10);
    return RecordFault::none;
}

std::string hexchecksum(std::string_view body) {
    std::int32_t sum = 0;
    for (std::size_t i = 0; i + 1 < body.size(); i += 2) sum += fromhex2(body.substr(i, 2));
    return tohex2(256 - sum % 256);  // % keeps the sign of the sum, as the record format's rule does
}

std::size_t decodebytes(std::string_view digits, std::vector<std::int32_t>& bytes) {
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        const std::int32_t b = fromhex2(digits.substr(i, 2));
        if (b < 0) return i;
        bytes.push_back(b);
    }
    return std::string_view::npos;
}

bool recordsumok(const std::vector<std::int32_t>& bytes) {
    std::int32_t sum = 0;
    for (const std::int32_t b : bytes) sum += b;
    return sum % 256 == 0;
}

std::string formatrecord(std::int32_t type, std::int32_t byteaddress, std::string_view datadigits) {
    const std::string body = tohex2(static_cast<std::int32_t>(datadigits.size() / 2)) + tohex4(byteaddress) +
                             tohex2(type) + std::string(datadigits);
    return ":" + body + hexchecksum(body);
}

std::string worddigits(std::int32_t word) {
    const std::string digits = tohex4(word);
    return digits.substr(2, 2) + digits.substr(0, 2);
}

std::int32_t digitsword(std::string_view digits) {
    if (digits.size() != 4) return -1;
    const char swapped[4] = {digits[2], digits[3], digits[0], digits[1]};
    return fromhex4(std::string_view(swapped, 4));
}

}  // namespace vornalt
