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

Instruction make(Op op, Cell cell = Cell::none, std::int32_t code = -1) {
    Instruction instruction;
    instruction.op = op;
    instruction.cell = cell;
    instruction.code = code;
    return instruction;
}

// A keyword form: its text, its action and its cell. A new cell adds a row for each form it
// takes, here and among the endings and beginnings in decodeline.
struct Form {
    std::string_view text;
    Op op;
    Cell cell = Cell::none;
};

// The lines that must equal a keyword, in their order of recognition. "wprog" comes after the
// forms that begin with "s" but cannot clash with them, so it can be tested with the others.
constexpr std::array k_keywords{
    Form{"begin", Op::begin},
    Form{"end", Op::end},
    Form{"calcflash", Op::calcflash},
    Form{"calceeprom", Op::calceeprom},
    Form{"setflashloop", Op::setflashloop},
    Form{"seteepromloop", Op::seteepromloop},
    Form{"loop", Op::loop},
    Form{"calckept", Op::calckept},
    Form{"onfail", Op::onfail},
};

constexpr std::array k_checks{
    Form{"checkblankflash", Op::checkblank, Cell::flash},
    Form{"checkblankeeprom", Op::checkblank, Cell::eeprom},
    Form{"checkblankconfig1", Op::checkblank, Cell::config1},
    Form{"checkblankconfig2", Op::checkblank, Cell::config2},
    Form{"checkflash", Op::check, Cell::flash},
    Form{"checkeeprom", Op::check, Cell::eeprom},
    Form{"checkconfig1", Op::check, Cell::config1},
    Form{"checkconfig2", Op::check, Cell::config2},
    Form{"checkid", Op::checkid},
    Form{"checkwrittenflash", Op::checkwritten, Cell::flash},
    Form{"checkwritteneeprom", Op::checkwritten, Cell::eeprom},
    Form{"keepflash", Op::keep, Cell::flash},
    Form{"checkkeptflash", Op::checkkept, Cell::flash},
};

// "userid0".."userid3": that user ID word's cell; anything else names none.
Cell useridcell(std::string_view name) {
    constexpr std::array cells{Cell::userid0, Cell::userid1, Cell::userid2, Cell::userid3};
    if (name.size() != 7 || !name.starts_with("userid") || name[6] < '0' || name[6] > '3') return Cell::none;
    return cells[static_cast<std::size_t>(name[6] - '0')];
}

}  // namespace

Instruction decodeline(std::string_view line) {
    for (const Form& form : k_keywords) {
        if (line == form.text) return make(form.op, form.cell);
    }

    const bool starts_s = !line.empty() && line.front() == 's';
    if (starts_s) {
        // Told apart by their ending; whatever stands between the code and the ending is ignored.
        if (line.ends_with("-flash")) return make(Op::send, Cell::flash, hexat<2>(line, 2));
        if (line.ends_with("-eeprom")) return make(Op::send, Cell::eeprom, hexat<2>(line, 2));
        if (line.ends_with("-config1")) return make(Op::send, Cell::config1, hexat<2>(line, 2));
        if (line.ends_with("-config2")) return make(Op::send, Cell::config2, hexat<2>(line, 2));
        if (line.ends_with("-kept")) return make(Op::sendkept, Cell::flash, hexat<2>(line, 2));
        if (line.ends_with("-keptconfig1")) return make(Op::sendkept, Cell::config1, hexat<2>(line, 2));
        if (line.ends_with("-keptconfig2")) return make(Op::sendkept, Cell::config2, hexat<2>(line, 2));
        if (line.size() >= 8) {
            if (const Cell id = useridcell(line.substr(line.size() - 7)); id != Cell::none && line[line.size() - 8] == '-') {
                return make(Op::send, id, hexat<2>(line, 2));
            }
        }
    }

    // Told apart by their beginning; whatever follows the code is ignored.
    if (line.starts_with("flash=s")) return make(Op::read, Cell::flash, hexat<2>(line, 8));
    if (line.starts_with("eeprom=s")) return make(Op::read, Cell::eeprom, hexat<2>(line, 9));
    if (line.starts_with("config1=s")) return make(Op::read, Cell::config1, hexat<2>(line, 10));
    if (line.starts_with("config2=s")) return make(Op::read, Cell::config2, hexat<2>(line, 10));
    if (line.starts_with("temp=s")) return make(Op::read, Cell::temp, hexat<2>(line, 7));
    if (const Cell id = useridcell(line.substr(0, 7)); id != Cell::none && line.substr(7).starts_with("=s")) {
        return make(Op::read, id, hexat<2>(line, 10));
    }

    for (const Form& form : k_checks) {
        if (line == form.text) return make(form.op, form.cell);
    }
    if (line.starts_with("check")) {
        const bool blank = line.starts_with("checkblank");
        if (const Cell id = useridcell(line.substr(blank ? 10 : 5)); id != Cell::none) {
            return make(blank ? Op::checkblank : Op::check, id);
        }
    }
    if (line.size() == 9 && line.starts_with("keep-")) {
        Instruction instruction = make(Op::keep);
        instruction.word = hexat<4>(line, 6);
        return instruction;
    }
    if (line.size() == 14 && line.starts_with("checkkept-")) {
        Instruction instruction = make(Op::checkkept);
        instruction.word = hexat<4>(line, 11);
        return instruction;
    }

    if (starts_s && line.size() == 8 && line[3] == '-') {
        Instruction instruction = make(Op::senddata, Cell::none, hexat<2>(line, 2));
        instruction.word = hexat<4>(line, 5);
        return instruction;
    }
    if (starts_s && line.size() == 3) return make(Op::sendcommand, Cell::none, hexat<2>(line, 2));

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
