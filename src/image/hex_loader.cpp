#include "image/hex_loader.h"

#include <array>
#include <cstdio>
#include <utility>

#include "base/file_io.h"
#include "base/text_lines.h"
#include "image/hex_record.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

constexpr std::array<std::string_view, 13> k_error_texts = {
    "",
    ": The record does not begin with ':' simbol.",
    ": The record is too short.",
    ": Invalid 'checksum' field in the record.",
    ": Invalid 'record type' field in the record.",
    ": Invalid '04 type' record.",
    ": Invalid 'number of bytes' field in the record.",
    ": Invalid 'address' field in the record.",
    ": Field 'number of bytes' in the record must contain an even value.",
    ": Field 'address' in the record must contain an even value.",
    ": The record does not contain the specified number of bytes.",
    ": Invalid data byte in the record.",
    ": Address out of range.",
};

std::string_view trim_trailing_spaces(std::string_view line) {
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    return line;
}

// Stores one word at word address w, or names the check it fails.
HexError store_word(MemoryImage& image, std::int64_t w, std::int32_t value, bool& configset) {
    const auto flash = flashwords(image);
    const auto eeprom = eeprombytes(image);
    const bool fits14 = value >= 0 && value <= 0x3FFF;
    if (w < static_cast<std::int64_t>(flash.size())) {
        if (!fits14) return HexError::data_value;
        flash[static_cast<std::size_t>(w)] = value;
        if (w + 1 > image.loadedwords) image.loadedwords = static_cast<std::int32_t>(w + 1);
        return HexError::none;
    }
    if (w == k_config1_address) {
        // Compilers commonly write CONFIG1 as a 16-bit word with the two unused top bits set
        // (FF18h for 3F18h); those bits carry nothing. Any other value above 3FFFh is refused.
        const bool top_bits_set = value >= 0xC000 && value <= 0xFFFF;
        if (!fits14 && !top_bits_set) return HexError::data_value;
        image.config1word = value & 0x3FFF;
        configset = true;
        return HexError::none;
    }
    if (w == k_config2_address) {
        if (value < 0) return HexError::data_value;
        // A model whose erased CONFIG2 is undefined keeps its marker; otherwise the low 14 bits.
        if (image.config2word >= 0) image.config2word = value & 0x3FFF;
        configset = true;
        return HexError::none;
    }
    if (w >= k_id_address && w < k_id_address + k_idwords) {
        if (!fits14) return HexError::data_value;
        image.idwords[static_cast<std::size_t>(w - k_id_address)] = value;
        return HexError::none;
    }
    if (w >= k_config_space && w <= k_config_space_last) {
        // The device ID and reserved words are the chip's own; a file cannot set them.
        return fits14 ? HexError::none : HexError::data_value;
    }
    if (w < k_eeprom_address || w >= k_eeprom_address + static_cast<std::int64_t>(eeprom.size())) {
        return HexError::address_range;
    }
    if (value < 0) return HexError::data_value;
    eeprom[static_cast<std::size_t>(w - k_eeprom_address)] = value & 0xFF;
    return HexError::none;
}

HexError load_data_record(MemoryImage& image, std::int32_t count, std::int32_t address, std::string_view data,
                          std::int64_t extended, std::int64_t& w, bool& configset) {
    if (data.empty()) return HexError::none;  // nothing to store, so nothing to check
    if (count < 0) return HexError::byte_count;
    if (address < 0) return HexError::address;
    if (count % 2 != 0) return HexError::odd_byte_count;
    if (address % 2 != 0) return HexError::odd_address;
    if (data.size() != 2 * static_cast<std::size_t>(count)) return HexError::data_length;
    w = address / 2 + extended * k_extended_words;
    for (std::size_t at = 0; at < data.size(); at += 4, ++w) {
        const HexError error = store_word(image, w, digitsword(data.substr(at, 4)), configset);
        if (error != HexError::none) return error;
    }
    return HexError::none;
}

std::string wordhex(std::int64_t w) {
    char text[24];
    std::snprintf(text, sizeof text, "%04llXh", static_cast<unsigned long long>(w));
    return text;
}

// A word outside the model's memory usually means a file built for another part: the address
// and where this model's memory ends say which.
std::string rangehint(std::int64_t w, const MemoryImage& image) {
    std::string where;
    if (w < k_eeprom_address) {
        where = "this model's FLASH ends at " + wordhex(image.flashsize - 1);
    } else if (image.eepromsize > 0) {
        where = "this model's EEPROM ends at " + wordhex(k_eeprom_address + image.eepromsize - 1);
    } else {
        where = "this model has no EEPROM";
    }
    return "Word address " + wordhex(w) + " is not in the chip: " + where + " (wrong model?)";
}

}  // namespace

std::string hexerrormessage(HexError error, std::int64_t linenumber) {
    const auto index = static_cast<std::size_t>(error);
    const std::string_view text = index < k_error_texts.size() ? k_error_texts[index] : std::string_view();
    return "Input program file in Intel Hex Format contains errors.\r\nLine number " +
           std::to_string(linenumber) + std::string(text);
}

HexLoadResult loadhex_text(std::string_view text, MemoryImage& image) {
    LineReader reader(text);
    std::int64_t linenumber = 0;
    std::int64_t extended = 0;
    HexError error = HexError::none;
    std::int64_t word = 0;
    bool configset = false;
    std::string_view line;
    while (error == HexError::none && reader.next(line)) {
        ++linenumber;
        line = trim_trailing_spaces(line);
        if (line.empty() || line.front() == ';') continue;
        HexRecordFields fields;
        const RecordFault fault = splitrecord(line, fields);
        if (fault != RecordFault::none) {
            error = fault == RecordFault::no_colon    ? HexError::no_colon
                    : fault == RecordFault::too_short ? HexError::too_short
                                                      : HexError::checksum;
            break;
        }
        const std::int32_t count = fields.count;
        const std::int32_t address = fields.address;
        const std::int32_t type = fields.type;
        const std::string_view data = fields.data;
        if (type == k_record_end) break;
        if (type == k_record_start_linear) continue;
        if (type == k_record_extended_linear) {
            const std::int32_t value = data.size() == 4 && address == 0 ? fromhex4(data) : -1;
            if (value < 0) {
                error = HexError::extended_address;
            } else {
                extended = value;
            }
            continue;
        }
        if (type != k_record_data) {
            error = HexError::record_type;
            break;
        }
        error = load_data_record(image, count, address, data, extended, word, configset);
    }
    if (error == HexError::none) {
        HexLoadResult loaded;
        loaded.configset = configset;
        return loaded;
    }
    std::string message = hexerrormessage(error, linenumber);
    if (error == HexError::address_range) message += "\r\n" + rangehint(word, image);
    return {false, error, linenumber, std::move(message)};
}

HexLoadResult loadhex(const std::string& path, MemoryImage& image) {
    Result<std::string> text = read_file(path, k_max_hex_bytes);
    if (!text) return {false, HexError::none, 0, text.error().message, false};
    return loadhex_text(text.value(), image);
}

}  // namespace vornalt
