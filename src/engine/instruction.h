#pragma once
// One line of an operation script, recognised once: what it does and its arguments.
// Recognition follows a fixed order (exact keywords first, then forms told apart by their
// beginning or ending), so a line means the same whether it is decoded when a run starts or
// matched as text at every step; decoding it once keeps the step free of string work.
#include <cstdint>
#include <string_view>

namespace vornalt {

// In order of recognition: the first form a line matches wins.
enum class Op : std::uint8_t {
    begin,              // "begin": power up
    end,                // "end": power down
    calcflash,          // last FLASH address := highest non-blank word
    calceeprom,         // last EEPROM address := highest non-blank byte
    setflashloop,       // loop header over FLASH
    seteepromloop,      // loop header over EEPROM
    loop,               // back to the loop header
    sendflash,          // sCC-flash
    sendeeprom,         // sCC-eeprom
    sendconfig1,        // sCC-config1
    sendconfig2,        // sCC-config2
    readflash,          // flash=sCC
    readeeprom,         // eeprom=sCC
    readconfig1,        // config1=sCC
    readconfig2,        // config2=sCC
    readtemp,           // temp=sCC
    checkblankflash,
    checkblankeeprom,
    checkblankconfig1,
    checkblankconfig2,
    checkflash,
    checkeeprom,
    checkconfig1,
    checkconfig2,
    checkid,            // temp against the model's device ID
    checkwrittenflash,  // temp against the FLASH word the loop just sent (address counter - 1)
    checkwritteneeprom, // temp against the EEPROM byte the loop just sent (address counter - 1)
    keepflash,          // temp kept for the calibration cell at the address counter, if any
    keep,               // keep-AAAA: temp kept for the calibration cell at AAAA
    calckept,           // last FLASH address := highest kept FLASH calibration cell
    sendkept,           // sCC-kept: the kept calibration word at the address counter, else 3FFF
    sendkeptconfig1,    // sCC-keptconfig1: the erased CONFIG1 with its kept calibration bits
    sendkeptconfig2,    // sCC-keptconfig2
    senddata,           // sCC-DDDD
    sendcommand,        // sCC
    wprog,              // wait the programming time
    wait,               // wN
    unrecognised,
};

struct Instruction {
    Op op = Op::unrecognised;
    std::int32_t code = -1;    // command code 0..63 (or any parse of two hex digits), -1 when invalid
    std::int32_t word = -1;    // literal data word of sCC-DDDD, address of keep-AAAA; -1 when invalid
    std::int32_t waitms = 0;   // milliseconds of wN, never negative
    // Loop headers only: the line after the first "loop" line at or after the header, 0 when
    // there is none (filled in for a whole script, see decodescript).
    std::int32_t loopexit = 0;
};

// Recognises one line exactly as written: nothing trimmed, nothing case-folded except the
// hex digits of command codes and data words.
Instruction decodeline(std::string_view line);

// The instructions that move the address counter (and so need it inside their buffer).
constexpr bool memorystepping(Op op) {
    return op == Op::sendflash || op == Op::sendeeprom || op == Op::readflash || op == Op::readeeprom ||
           op == Op::checkblankflash || op == Op::checkblankeeprom || op == Op::checkflash ||
           op == Op::checkeeprom || op == Op::keepflash || op == Op::sendkept;
}

// True for the FLASH ones among the memory-stepping instructions.
constexpr bool flashstepping(Op op) {
    return op == Op::sendflash || op == Op::readflash || op == Op::checkblankflash || op == Op::checkflash ||
           op == Op::keepflash || op == Op::sendkept;
}

}  // namespace vornalt
