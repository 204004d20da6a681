#include "image/hex_writer.h"

#include <span>

#include "base/file_io.h"
#include "image/hex_record.h"

namespace vornalt {
namespace {

constexpr std::size_t k_record_digits = 32;  // 16 data bytes per record
constexpr std::int64_t k_address_limit = 0x10000;

// Data records for one section: locations 0 up to the last that differs from blank.
Status append_section(std::vector<std::string>& lines, std::span<const std::int32_t> values,
                      std::int32_t blank, std::int32_t base, const char* what) {
    std::size_t used = values.size();
    while (used > 0 && values[used - 1] == blank) --used;
    if (used == 0) return {};
    // Each location takes two bytes; the last byte written must stay below 10000 (hex).
    if (base + 2 * static_cast<std::int64_t>(used) > k_address_limit) {
        return Error{std::string("The ") + what +
                         " contents reach beyond byte address FFFF, which this HEX layout "
                         "cannot address; nothing was saved.",
                     0};
    }
    std::string digits;
    digits.reserve(used * 4);
    for (std::size_t i = 0; i < used; ++i) digits += worddigits(values[i]);
    for (std::size_t at = 0; at < digits.size(); at += k_record_digits) {
        const std::string_view data = std::string_view(digits).substr(at, k_record_digits);
        const auto address = static_cast<std::int32_t>(base + at / 2);
        lines.push_back(formatrecord(k_record_data, address, data));
    }
    return {};
}

}  // namespace

Result<std::vector<std::string>> hexrecords(const MemoryImage& image, bool config2used) {
    std::vector<std::string> lines;
    if (Status s = append_section(lines, flashwords(image), k_blank_word, hexbyteaddress(0), "FLASH"); !s)
        return s.error();
    // The ID words go out only when one is set, so files of images without them stay as before;
    // a reload of such a file leaves them erased, which is the same image.
    if (image.idwords != erased_idwords()) {
        std::string digits;
        for (const std::int32_t word : image.idwords) digits += worddigits(word);
        lines.push_back(formatrecord(k_record_data, hexbyteaddress(k_id_address), digits));
    }
    lines.push_back(formatrecord(k_record_data, hexbyteaddress(k_config1_address), worddigits(image.config1word)));
    if (config2used) {
        lines.push_back(formatrecord(k_record_data, hexbyteaddress(k_config2_address), worddigits(image.config2word)));
    }
    if (Status s = append_section(lines, eeprombytes(image), k_blank_byte, hexbyteaddress(k_eeprom_address), "EEPROM");
        !s) {
        return s.error();
    }
    lines.push_back(formatrecord(k_record_end, 0, ""));
    return lines;
}

Result<std::string> hexfiletext(const MemoryImage& image, bool config2used) {
    Result<std::vector<std::string>> lines = hexrecords(image, config2used);
    if (!lines) return lines.error();
    std::string text;
    for (const std::string& line : lines.value()) {
        text += line;
        text += "\r\n";
    }
    return text;
}

Status savehex(const std::string& path, const MemoryImage& image, bool config2used, WriteOptions options) {
    Result<std::string> text = hexfiletext(image, config2used);
    if (!text) return Error{"Cannot save file " + path + ": " + text.error().message, 0};
    return write_file_whole(path, text.value(), options);
}

}  // namespace vornalt
