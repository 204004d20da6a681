#include "engine/instruction.h"

#include <array>

#include "base/ascii_case.h"
#include "base/numeric_value.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

// Characters first..first+count-1 of the line (counted from 1), upper-cased, parsed as hex.
// Characters past the end of the line are missing, which makes the parse fail as it should.
template <std::size_t Count>
std::int32_t hexat(std::string_view line, std::size_t first) {
    std::array<char, Count> digits{};
    std::size_t taken = 0;
    for (std::size_t i = 0; i < Count && first - 1 + i < line.size(); ++i, ++taken) {
        digits[i] = asciiupper(line[first - 1 + i]);
    }
    const std::string_view text(digits.data(), taken);
    return Count == 2 ? fromhex2(text) : fromhex4(text);
}

Instruction make(Op op, std::int32_t code = -1) {
    Instruction instruction;
    instruction.op = op;
    instruction.code = code;
    return instruction;
}

struct Keyword {
    std::string_view text;
    Op op;
};

// The lines that must equal a keyword, in their order of recognition. "wprog" comes after the
// forms that begin with "s" but cannot clash with them, so it can be tested with the others.
constexpr std::array k_keywords{
    Keyword{"begin", Op::begin},
    Keyword{"end", Op::end},
    Keyword{"calcflash", Op::calcflash},
    Keyword{"calceeprom", Op::calceeprom},
    Keyword{"setflashloop", Op::setflashloop},
    Keyword{"seteepromloop", Op::seteepromloop},
    Keyword{"loop", Op::loop},
    Keyword{"calckept", Op::calckept},
};

constexpr std::array k_checks{
    Keyword{"checkblankflash", Op::checkblankflash},
    Keyword{"checkblankeeprom", Op::checkblankeeprom},
    Keyword{"checkblankconfig1", Op::checkblankconfig1},
    Keyword{"checkblankconfig2", Op::checkblankconfig2},
    Keyword{"checkflash", Op::checkflash},
    Keyword{"checkeeprom", Op::checkeeprom},
    Keyword{"checkconfig1", Op::checkconfig1},
    Keyword{"checkconfig2", Op::checkconfig2},
    Keyword{"checkid", Op::checkid},
    Keyword{"checkwrittenflash", Op::checkwrittenflash},
    Keyword{"checkwritteneeprom", Op::checkwritteneeprom},
    Keyword{"keepflash", Op::keepflash},
};

}  // namespace

Instruction decodeline(std::string_view line) {
    for (const Keyword& keyword : k_keywords) {
        if (line == keyword.text) return make(keyword.op);
    }

    const bool starts_s = !line.empty() && line.front() == 's';
    if (starts_s) {
        // Told apart by their ending; whatever stands between the code and the ending is ignored.
        if (line.ends_with("-flash")) return make(Op::sendflash, hexat<2>(line, 2));
        if (line.ends_with("-eeprom")) return make(Op::sendeeprom, hexat<2>(line, 2));
        if (line.ends_with("-config1")) return make(Op::sendconfig1, hexat<2>(line, 2));
        if (line.ends_with("-config2")) return make(Op::sendconfig2, hexat<2>(line, 2));
        if (line.ends_with("-kept")) return make(Op::sendkept, hexat<2>(line, 2));
        if (line.ends_with("-keptconfig1")) return make(Op::sendkeptconfig1, hexat<2>(line, 2));
        if (line.ends_with("-keptconfig2")) return make(Op::sendkeptconfig2, hexat<2>(line, 2));
    }

    // Told apart by their beginning; whatever follows the code is ignored.
    if (line.starts_with("flash=s")) return make(Op::readflash, hexat<2>(line, 8));
    if (line.starts_with("eeprom=s")) return make(Op::readeeprom, hexat<2>(line, 9));
    if (line.starts_with("config1=s")) return make(Op::readconfig1, hexat<2>(line, 10));
    if (line.starts_with("config2=s")) return make(Op::readconfig2, hexat<2>(line, 10));
    if (line.starts_with("temp=s")) return make(Op::readtemp, hexat<2>(line, 7));

    for (const Keyword& keyword : k_checks) {
        if (line == keyword.text) return make(keyword.op);
    }
    if (line.size() == 9 && line.starts_with("keep-")) {
        Instruction instruction = make(Op::keep);
        instruction.word = hexat<4>(line, 6);
        return instruction;
    }

    if (starts_s && line.size() == 8 && line[3] == '-') {
        Instruction instruction = make(Op::senddata, hexat<2>(line, 2));
        instruction.word = hexat<4>(line, 5);
        return instruction;
    }
    if (starts_s && line.size() == 3) return make(Op::sendcommand, hexat<2>(line, 2));

    if (line == "wprog") return make(Op::wprog);
    if (!line.empty() && line.front() == 'w') {
        Instruction instruction = make(Op::wait);
        // A negative wait cannot be kept; it waits nothing.
        const std::int32_t ms = numericvalue(line.substr(1));
        instruction.waitms = ms < 0 ? 0 : ms;
        return instruction;
    }
    return make(Op::unrecognised);
}

}  // namespace vornalt
