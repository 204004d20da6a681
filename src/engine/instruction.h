#pragma once
// One line of an operation script, recognised once: what it does and its arguments.
// Recognition follows a fixed order (exact keywords first, then forms told apart by their
// beginning or ending), so a line means the same whether it is decoded when a run starts or
// matched as text at every step; decoding it once keeps the step free of string work.
//
// Most instructions are an action on a memory cell: "s02-flash" sends the FLASH word at the
// address counter, "config1=s04" reads into CONFIG1, "checkblankeeprom" checks the temp register
// against an erased EEPROM byte. They decode into the action (Op) and the cell (Cell); the
// engine runs one function per action and finds the cell's address, values and texts in one
// place (ScriptEngine::cellat).
#include <cstdint>
#include <string_view>

namespace vornalt {

// The memory an instruction works on.
enum class Cell : std::uint8_t {
    none,     // the instruction names no cell
    flash,    // the image's FLASH word at the address counter (moves the counter)
    eeprom,   // the image's EEPROM byte at the address counter (moves the counter), shown at 2100h + n
    config1,  // the image's CONFIG1, at 2007h
    config2,  // the image's CONFIG2, at 2008h
    userid0,  // the image's user ID words, at 2000h-2003h (in this order)
    userid1,
    userid2,
    userid3,
    temp,     // the temporary register ("temp=sCC"); keep it the last cell (see k_cellcount)
};

inline constexpr std::uint8_t k_cellcount = static_cast<std::uint8_t>(Cell::temp) + 1;

// The actions, in the order their forms are first recognised (see decodeline for the order
// of the forms themselves). The comments show the forms, with <cell> for the cells each takes.
enum class Op : std::uint8_t {
    begin,          // "begin": power up
    end,            // "end": power down
    calcflash,      // last FLASH address := highest non-blank word
    calceeprom,     // last EEPROM address := highest non-blank byte
    setflashloop,   // loop header over FLASH
    seteepromloop,  // loop header over EEPROM
    loop,           // back to the loop header
    calckept,       // last FLASH address := highest kept FLASH calibration cell
    onfail,         // "onfail": the recovery section starts here; reached in order, the run ends
    send,           // sCC-flash, sCC-eeprom, sCC-config1, sCC-config2, sCC-userid0..3: CC with the image's value
    sendkept,       // sCC-kept (flash), sCC-keptconfig1, sCC-keptconfig2: the cell's erased value
                    // with its kept calibration bits (a FLASH word without any: 3FFF)
    read,           // flash=sCC, eeprom=sCC, config1=sCC, config2=sCC, userid0..3=sCC, temp=sCC:
                    // read into the cell
    checkblank,     // checkblank<flash|eeprom|config1|config2|userid0..3>: temp against the erased value
    check,          // check<flash|eeprom|config1|config2|userid0..3>: temp against the image
    checkid,        // temp against the model's device ID
    checkwritten,   // checkwritten<flash|eeprom>: temp against the location the loop just sent
                    // (address counter - 1); the counter stays
    keep,           // keepflash: temp kept for the calibration cell at the address counter, if any;
                    // keep-AAAA (no cell): temp kept for the calibration cell at AAAA
    checkkept,      // checkkeptflash: temp carries the kept bits of the location the loop just sent
                    // (address counter - 1; the counter stays), other locations pass;
                    // checkkept-AAAA (no cell): temp carries the kept bits of the cell at AAAA
    senddata,       // sCC-DDDD
    sendcommand,    // sCC
    wprog,          // wait the programming time
    wait,           // wN
    unrecognised,
};

struct Instruction {
    Op op = Op::unrecognised;
    Cell cell = Cell::none;
    std::int32_t code = -1;    // command code 0..63 (or any parse of two hex digits), -1 when invalid
    std::int32_t word = -1;    // data word of sCC-DDDD, address of keep-/checkkept-AAAA; -1 when invalid
    std::int32_t waitms = 0;   // milliseconds of wN, never negative
    // Loop headers only: the line after the first "loop" line at or after the header, 0 when
    // there is none (filled in for a whole script, see decodescript).
    std::int32_t loopexit = 0;
};

// Recognises one line exactly as written: nothing trimmed, nothing case-folded except the
// hex digits of command codes and data words.
Instruction decodeline(std::string_view line);

// The decoded instructions that move the address counter (and so need it inside their region):
// every action on a FLASH or EEPROM cell but checkwritten and checkkept, which look one location back.
constexpr bool memorystepping(const Instruction& in) {
    return (in.cell == Cell::flash || in.cell == Cell::eeprom) && in.op != Op::checkwritten &&
           in.op != Op::checkkept;
}

}  // namespace vornalt
