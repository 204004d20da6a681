#pragma once
// Intel HEX records, the one codec for program images and the simulator's chip files: the fields
// of a record line, its checksum, and 14-bit words as the files hold them (low byte first).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vornalt {

inline constexpr std::int32_t k_record_data = 0x00;
inline constexpr std::int32_t k_record_end = 0x01;
inline constexpr std::int32_t k_record_extended_segment = 0x02;
inline constexpr std::int32_t k_record_extended_linear = 0x04;
inline constexpr std::int32_t k_record_start_linear = 0x05;
inline constexpr std::int64_t k_extended_words = 0x8000;  // word addresses per extended-address unit (64 KiB)
inline constexpr std::size_t k_record_min_chars = 11;     // ":LLAAAATTCC"

// The fields of ":LLAAAATT<data>CC"; a field that is not upper-case hex digits is -1.
struct HexRecordFields {
    std::int32_t count = -1;
    std::int32_t address = -1;  // byte address
    std::int32_t type = -1;
    std::string_view data;      // the data digits, as many as the line holds
};

enum class RecordFault { none, no_colon, too_short, checksum };

// Splits one line (trailing blanks already removed) and checks its checksum against the text:
// lower-case digits therefore practically never check out.
RecordFault splitrecord(std::string_view line, HexRecordFields& fields);

// Intel HEX checksum of a record body (no ':' and no checksum): two's complement of the byte
// sum. A final odd character is ignored; an invalid pair counts -1, so a body with lower-case
// digits practically never checks out.
std::string hexchecksum(std::string_view body);

// Decodes pairs of upper-case hex digits into bytes; the offset of the first pair that is not
// one, or npos when all are.
std::size_t decodebytes(std::string_view digits, std::vector<std::int32_t>& bytes);
// Whether the bytes of a whole record (count to checksum) add up to a multiple of 256.
bool recordsumok(const std::vector<std::int32_t>& bytes);

// ":" + LL AAAA TT data CC for the data digits (whose length gives LL).
std::string formatrecord(std::int32_t type, std::int32_t byteaddress, std::string_view datadigits);

// A 14-bit word as a file holds it: low byte, then high byte ("3FFF" -> "FF3F").
std::string worddigits(std::int32_t word);
// The word of four data digits, low byte first; -1 when they are not upper-case hex.
std::int32_t digitsword(std::string_view digits);

}  // namespace vornalt
