#include "sim/chip_file.h"

#include <cctype>
#include <vector>

#include "base/file_io.h"
#include "base/text_lines.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

constexpr std::int32_t k_row_words = 8;  // 16 data bytes per record
constexpr std::int32_t k_file_eeprom = 0x2100;

void record(std::string& out, std::int32_t byteaddress, std::int32_t type, const std::vector<std::int32_t>& bytes) {
    std::string body = tohex2(static_cast<std::int32_t>(bytes.size())) + tohex4(byteaddress) + tohex2(type);
    for (const std::int32_t b : bytes) body += tohex2(b);
    out += ":" + body + hexchecksum(body) + "\r\n";
}

// Words as little-endian byte pairs, one record per run of up to eight.
void words(std::string& out, std::int32_t wordaddress, const std::vector<std::int32_t>& values) {
    std::vector<std::int32_t> bytes;
    for (const std::int32_t w : values) {
        bytes.push_back(w & 0xFF);
        bytes.push_back((w >> 8) & 0xFF);
    }
    record(out, wordaddress * 2, 0x00, bytes);
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
    } else if (word >= k_config_space && word < k_config_space + k_idwords) {
        merge(memory.id[static_cast<std::size_t>(word - k_config_space)]);
    } else if (word > k_config_space + k_idwords - 1 && word < k_chip_config1_address) {
        // 2004h-2006h: reserved words and the device ID, which belongs to the part, not the file.
    } else if (word == k_chip_config1_address) {
        merge(memory.config1);
    } else if (word == k_chip_config2_address && model.has_config2) {
        merge(memory.config2);
    } else if (hascalword(model) && word == calwordaddress(model)) {
        merge(memory.calword);
    } else if (hascalword2(model) && word == k_calword2_address) {
        merge(memory.calword2);
    } else if (word >= k_file_eeprom && word < k_file_eeprom + model.eeprombytes) {
        if (!high) memory.eeprom[static_cast<std::size_t>(word - k_file_eeprom)] = value;
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::string chipfiletext(const ChipModel& model, const ChipMemory& memory) {
    std::string out;
    record(out, 0x0000, 0x04, {0x00, 0x00});
    for (std::int32_t base = 0; base < model.programwords; base += k_row_words) {
        const auto first = memory.program.begin() + base;
        std::vector<std::int32_t> row(first, first + k_row_words);
        bool blank = true;
        for (const std::int32_t w : row) blank = blank && w == k_word_mask;
        if (!blank) words(out, base, row);
    }
    words(out, k_config_space, {memory.id.begin(), memory.id.end()});
    if (model.has_config2 && hascalword(model)) {
        words(out, k_chip_config1_address, {memory.config1, memory.config2, memory.calword});
    } else if (model.has_config2) {
        words(out, k_chip_config1_address, {memory.config1, memory.config2});
    } else if (hascalword2(model)) {
        words(out, k_chip_config1_address, {memory.config1, memory.calword, memory.calword2});
    } else if (hascalword(model)) {
        words(out, k_chip_config1_address, {memory.config1, memory.calword});
    } else {
        words(out, k_chip_config1_address, {memory.config1});
    }
    for (std::int32_t base = 0; base < model.eeprombytes; base += k_row_words) {
        std::vector<std::int32_t> row;
        bool blank = true;
        for (std::int32_t i = base; i < base + k_row_words && i < model.eeprombytes; ++i) {
            row.push_back(memory.eeprom[static_cast<std::size_t>(i)]);
            blank = blank && row.back() == 0xFF;
        }
        if (!blank) words(out, k_file_eeprom + base, row);
    }
    record(out, 0x0000, 0x01, {});
    return out;
}

Result<ChipMemory> parsechipfile(std::string_view text, const ChipModel& model, std::string_view name) {
    ChipMemory memory = erasedmemory(model);
    std::int32_t linenumber = 0;
    bool ended = false;
    LineReader reader(text);
    std::string_view physical;
    while (!ended && reader.next(physical)) {
        std::string line(physical);
        ++linenumber;
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
        if (line.empty()) continue;
        for (char& c : line) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

        if (line[0] != ':' || line.size() < 11 || line.size() % 2 == 0) {
            return Error{where(name, linenumber) + "not an Intel HEX record. The simulated chip file is damaged; "
                                                   "delete it to start from a new chip."};
        }
        std::vector<std::int32_t> bytes;
        std::int32_t sum = 0;
        for (std::size_t i = 1; i < line.size(); i += 2) {
            const std::int32_t b = fromhex2(line.substr(i, 2));
            if (b < 0) return Error{where(name, linenumber) + "\"" + line.substr(i, 2) + "\" is not a hex byte."};
            bytes.push_back(b);
            sum += b;
        }
        const std::int32_t count = bytes[0];
        if (static_cast<std::size_t>(count) + 5 != bytes.size()) {
            return Error{where(name, linenumber) + "the record's length does not match its byte count."};
        }
        if (sum % 256 != 0) {
            return Error{where(name, linenumber) + "checksum error. The simulated chip file is damaged; "
                                                   "delete it to start from a new chip."};
        }
        const std::int32_t address = bytes[1] * 256 + bytes[2];
        const std::int32_t type = bytes[3];
        switch (type) {
            case 0x00:
                for (std::int32_t i = 0; i < count; ++i) {
                    if (!place(memory, model, address + i, bytes[4 + static_cast<std::size_t>(i)])) {
                        return Error{where(name, linenumber) + "address " + tohex4((address + i) / 2) +
                                     "h is not in a " + std::string(model.name) +
                                     ". The file was saved from another part; select that part or delete the file."};
                    }
                }
                break;
            case 0x01:
                ended = true;
                break;
            case 0x02:
            case 0x04:
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
