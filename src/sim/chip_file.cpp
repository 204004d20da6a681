#include "sim/chip_file.h"

#include <cctype>
#include <vector>

#include "base/file_io.h"
#include "base/text_lines.h"
#include "image/hex_record.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

constexpr std::int32_t k_row_words = 8;  // 16 data bytes per record

void record(std::string& out, std::int32_t type, std::int32_t byteaddress, std::string_view digits) {
    out += formatrecord(type, byteaddress, digits) + "\r\n";
}

// One data record for a run of up to eight words.
void words(std::string& out, std::int32_t wordaddress, const std::vector<std::int32_t>& values) {
    std::string digits;
    for (const std::int32_t w : values) digits += worddigits(w);
    record(out, k_record_data, hexbyteaddress(wordaddress), digits);
}

// The line as the reader takes it: no surrounding blanks, digits in upper case.
std::string normalisedline(std::string_view physical) {
    while (!physical.empty() && std::isspace(static_cast<unsigned char>(physical.front()))) physical.remove_prefix(1);
    while (!physical.empty() && std::isspace(static_cast<unsigned char>(physical.back()))) physical.remove_suffix(1);
    std::string line(physical);
    for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return line;
}

std::string where(std::string_view name, std::int32_t line) {
    return std::string(name) + ":" + std::to_string(line) + ": ";
}

// Puts one byte of the file into the cell it belongs to; false for an address the part lacks.
bool place(ChipMemory& memory, const ChipModel& model, std::int32_t byteaddress, std::int32_t value) {
    const std::int32_t word = byteaddress / 2;
    const bool high = (byteaddress & 1) != 0;
    const auto merge = [&](std::int32_t& cell) {
        cell = high ? ((cell & 0x00FF) | ((value & 0x3F) << 8)) : ((cell & 0x3F00) | value);
    };
    if (word < model.programwords) {
        merge(memory.program[static_cast<std::size_t>(word)]);
    } else if (std::int32_t* value_cell = configcellvalue(memory, model, word)) {
        merge(*value_cell);
    } else if (const ConfigCell kind = configcell(model, word); kind == ConfigCell::deviceid || kind == ConfigCell::reserved) {
        // 2004h-2006h: reserved words and the device ID, which belongs to the part, not the file.
    } else if (word >= k_eeprom_address && word < k_eeprom_address + model.eeprombytes) {
        if (!high) memory.eeprom[static_cast<std::size_t>(word - k_eeprom_address)] = value;
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::string chipfiletext(const ChipModel& model, const ChipMemory& memory) {
    std::string out;
    record(out, k_record_extended_linear, 0, "0000");
    for (std::int32_t base = 0; base < model.programwords; base += k_row_words) {
        const auto first = memory.program.begin() + base;
        std::vector<std::int32_t> row(first, first + k_row_words);
        bool blank = true;
        for (const std::int32_t w : row) blank = blank && w == k_word_mask;
        if (!blank) words(out, base, row);
    }
    words(out, k_id_address, {memory.id.begin(), memory.id.end()});
    // CONFIG1 and the configuration and calibration words that follow it on this part.
    std::vector<std::int32_t> config;
    for (std::int32_t a = k_config1_address; configcellvalue(memory, model, a) != nullptr; ++a) {
        config.push_back(*configcellvalue(memory, model, a));
    }
    words(out, k_config1_address, config);
    for (std::int32_t base = 0; base < model.eeprombytes; base += k_row_words) {
        std::vector<std::int32_t> row;
        bool blank = true;
        for (std::int32_t i = base; i < base + k_row_words && i < model.eeprombytes; ++i) {
            row.push_back(memory.eeprom[static_cast<std::size_t>(i)]);
            blank = blank && row.back() == 0xFF;
        }
        if (!blank) words(out, k_eeprom_address + base, row);
    }
    record(out, k_record_end, 0, "");
    return out;
}

Result<ChipMemory> parsechipfile(std::string_view text, const ChipModel& model, std::string_view name) {
    ChipMemory memory = erasedmemory(model);
    std::int32_t linenumber = 0;
    bool ended = false;
    LineReader reader(text);
    std::string_view physical;
    while (!ended && reader.next(physical)) {
        const std::string line = normalisedline(physical);
        ++linenumber;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() != ':' || line.size() < k_record_min_chars || line.size() % 2 == 0) {
            return Error{where(name, linenumber) + "not an Intel HEX record. The simulated chip file is damaged; "
                                                   "delete it to start from a new chip."};
        }
        std::vector<std::int32_t> bytes;
        if (const std::size_t bad = decodebytes(std::string_view(line).substr(1), bytes); bad != std::string_view::npos) {
            return Error{where(name, linenumber) + "\"" + line.substr(1 + bad, 2) + "\" is not a hex byte."};
        }
        const std::int32_t count = bytes[0];
        if (static_cast<std::size_t>(count) + 5 != bytes.size()) {
            return Error{where(name, linenumber) + "the record's length does not match its byte count."};
        }
        if (!recordsumok(bytes)) {
            return Error{where(name, linenumber) + "checksum error. The simulated chip file is damaged; "
                                                   "delete it to start from a new chip."};
        }
        const std::int32_t address = bytes[1] * 256 + bytes[2];
        const std::int32_t type = bytes[3];
        switch (type) {
            case k_record_data:
                for (std::int32_t i = 0; i < count; ++i) {
                    if (!place(memory, model, address + i, bytes[4 + static_cast<std::size_t>(i)])) {
                        return Error{where(name, linenumber) + "address " + tohex4((address + i) / 2) +
                                     "h is not in a " + std::string(model.name) +
                                     ". The file was saved from another part; select that part or delete the file."};
                    }
                }
                break;
            case k_record_end:
                ended = true;
                break;
            case k_record_start_linear:
                break;  // a start address means nothing to a PIC
            case k_record_extended_segment:
            case k_record_extended_linear:
                if (count != 2 || bytes[4] != 0 || bytes[5] != 0) {
                    return Error{where(name, linenumber) + "an extended address above 64K is not in any PIC file."};
                }
                break;
            default:
                return Error{where(name, linenumber) + "record type " + tohex2(type) + " is not used in PIC files."};
        }
    }
    if (!ended) {
        return Error{std::string(name) + ": no end-of-file record; the file was cut short. "
                                         "Delete it to start from a new chip."};
    }
    return memory;
}

Status writechipfile(const std::string& path, const ChipModel& model, const ChipMemory& memory) {
    return write_file_whole(path, chipfiletext(model, memory));
}

Result<ChipMemory> readchipfile(const std::string& path, const ChipModel& model) {
    Result<std::string> text = read_file(path, k_max_hex_bytes);
    if (!text) return text.error();
    return parsechipfile(text.value(), model, path);
}

}  // namespace vornalt
