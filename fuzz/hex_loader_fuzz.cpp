// Feeds arbitrary text to the HEX loader. Besides the sanitizers' own checks it stops on any
// broken promise of the loader: values outside their ranges in the image, a failure without
// its number, line or message, and a successful load that does not survive a save and reload.
//
// Random bytes almost never carry a valid record checksum, so each input is also loaded a
// second time with the checksums of its records recomputed; that lets the fuzzer reach the
// record checks behind the checksum.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "image/hex_loader.h"
#include "image/hex_record.h"
#include "image/hex_text.h"
#include "image/hex_writer.h"

namespace {

using namespace vornalt;

struct Shape {
    std::int32_t flashsize, eepromsize, config1erased, config2erased;
    bool config2used;
};

constexpr Shape k_shapes[] = {
    {1024, 64, 0x3FFF, -1, false},
    {8192, 256, 0x3FFF, 0x3FFF, true},
    {2048, 0, 0x3FFF, -1, false},
};

void require(bool promise) {
    if (!promise) __builtin_trap();
}

MemoryImage blank(const Shape& shape) {
    MemoryImage image;
    image.flashsize = shape.flashsize;
    image.eepromsize = shape.eepromsize;
    clearbuffer(image, shape.config1erased, shape.config2erased);
    return image;
}

bool in_range(std::int32_t value, std::int32_t high) { return value >= 0 && value <= high; }

// Every line that starts with ':' gets the checksum its other characters call for.
std::string with_checksums_repaired(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        std::size_t used = line.size();
        while (used > 0 && line[used - 1] == ' ') --used;
        if (used >= 11 && line[0] == ':') line.replace(used - 2, 2, hexchecksum(std::string_view(line).substr(1, used - 3)));
        out += line;
        if (end == text.size()) break;
        out += text[end];
        start = end + 1;
    }
    return out;
}

void check_load(std::string_view text, const Shape& shape) {
    MemoryImage image = blank(shape);
    const HexLoadResult result = loadhex_text(text, image);

    require(image.flashbuffer.size() == static_cast<std::size_t>(shape.flashsize));
    require(image.eeprombuffer.size() == static_cast<std::size_t>(shape.eepromsize > 0 ? shape.eepromsize : 1));
    for (std::int32_t word : image.flashbuffer) require(in_range(word, 0x3FFF));
    for (std::int32_t byte : image.eeprombuffer) require(in_range(byte, 0xFF));
    require(in_range(image.config1word, 0x3FFF));
    require(shape.config2erased < 0 ? image.config2word == shape.config2erased : in_range(image.config2word, 0x3FFF));
    require(in_range(image.loadedwords, shape.flashsize));

    if (!result.ok) {
        const auto error = static_cast<std::int32_t>(result.error);
        require(error >= 1 && error <= 12);
        require(result.linenumber >= 1);
        // The error's own text comes first; some errors add a line that says more.
        require(result.message.rfind(hexerrormessage(result.error, result.linenumber), 0) == 0);
        return;
    }
    require(result.error == HexError::none);

    // What loaded must save and load back to the same image.
    const Result<std::string> saved = hexfiletext(image, shape.config2used);
    require(saved.ok());
    MemoryImage again = blank(shape);
    require(loadhex_text(saved.value(), again).ok);
    require(again.flashbuffer == image.flashbuffer);
    require(again.eeprombuffer == image.eeprombuffer);
    require(again.idwords == image.idwords);
    require(again.config1word == image.config1word);
    require(again.config2word == image.config2word);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const Shape& shape = k_shapes[size % std::size(k_shapes)];
    check_load(text, shape);
    check_load(with_checksums_repaired(text), shape);
    return 0;
}
