#pragma once
// The device catalogue (devices.cfg) and the model applied from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/power_order.h"
#include "base/result.h"
#include "catalogue/config_fields.h"
#include "image/memory_image.h"

namespace vornalt {

// One record of devices.cfg, values kept as the raw text after each key (untrimmed).
// Record 0 collects key lines that stand before the first "model:" line and is never applied.
struct DeviceRecord {
    std::string model, flash, eeprom, configerased, config2used, voltageseq, progtime;
    std::string erase, program, read, blankcheck, verify;
    // Optional keys; a record without them runs as it always did.
    std::string configmask, deviceid, calibration;
    std::int32_t line = 0;  // line of the file where the record's "model:" line stands

    bool operator==(const DeviceRecord&) const = default;
};

struct DeviceCatalogue {
    std::string path;                   // the file it was read from, for messages
    std::int32_t modelcount = 0;
    std::vector<DeviceRecord> records;  // indices 0..modelcount
    // Records that load but cannot work as written (a script left powered, a wait of minutes, a
    // power order the program does not know...), one complete text each, naming FILE:LINE.
    // Both front ends show them once after loading; the records are still used as they stand.
    std::vector<std::string> warnings;
    // The named configuration fields, from configbits.cfg in the same folder (none without it);
    // its problems are among the warnings.
    ConfigFieldCatalogue configfields;
};

// Waits and programming times beyond this are no chip's need, only a typing error.
inline constexpr std::int32_t k_longest_sensible_wait_ms = 10'000;

// An operation script: element i is script line i + 1, lower case, untrimmed.
using Script = std::vector<std::string>;

// Limits far beyond any real catalogue (its longest script has under a hundred lines, the
// shipped file about thirty models) that keep memory in proportion to the file: every script
// line and every record costs tens of bytes once held, however few bytes it takes in the file,
// so a file of commas or of bare "model:" lines would otherwise take gigabytes.
inline constexpr std::size_t k_max_script_lines = 65'536;
inline constexpr std::int32_t k_max_catalogue_models = 10'000;

// The number of lines splitscript makes of a script field, without making them.
std::size_t scriptlinecount(std::string_view text);

// A chip location whose factory value an operation keeps (an oscillator calibration word, the
// bandgap bits of CONFIG1): read before anything is erased or written, written back afterwards.
// address is the word address as the HEX file numbers it (FLASH word n, 2007h, 2008h ...);
// mask selects the bits of the word that are kept.
struct CalibrationCell {
    std::int32_t address = 0;
    std::int32_t mask = 0x3FFF;

    bool operator==(const CalibrationCell&) const = default;
};

// A model's device ID as its record gives it, for telling parts apart without applying them.
struct KnownDeviceId {
    std::int32_t number = 0;  // the model's number in the catalogue
    std::string modelname;
    std::int32_t deviceid = 0;
    std::int32_t mask = 0x3FFF;

    bool operator==(const KnownDeviceId&) const = default;
};

struct AppliedModel {
    std::string modelname;
    std::int32_t config1erased = 0;  // -1 when the catalogue's text is not four hex digits
    std::int32_t config2erased = 0;
    bool config2used = false;
    PowerOrder powerorder = PowerOrder::none;
    std::int32_t progtime = 0;    // milliseconds waited by "wprog"
    // The record's own progtime: its chips' write time, so a shorter wait leaves words unwritten.
    std::int32_t progtime_min = 1;
    Script erasescript, programscript, readscript, blankcheckscript, verifyscript;

    // Bits of CONFIG1 and CONFIG2 the chip implements: Verify and Blank Check compare only
    // these. -1 (every bit) when the record gives none.
    std::int32_t config1mask = -1;
    std::int32_t config2mask = -1;
    // The word at 2006h that identifies the part, and the bits of it that do (the rest is the
    // silicon revision). deviceid is -1 when the record gives none: nothing is checked.
    std::int32_t deviceid = -1;
    std::int32_t deviceidmask = 0x3FFF;
    // For a model without a device ID: the IDs of the catalogue's other parts. A chip that
    // answers with one of them is some other part, not this one.
    std::vector<KnownDeviceId> otherdeviceids;
    std::vector<CalibrationCell> calibration;
    // The named fields of the configuration word(s); empty when configbits.cfg has none for the model.
    std::vector<ConfigField> configfields;

    bool operator==(const AppliedModel&) const = default;
};

// Size limits a model must respect. FLASH ends where the configuration space begins (word 2000h),
// otherwise program words and CONFIG1/CONFIG2 would share HEX addresses; EEPROM byte k sits at
// word 2100h + k, which must stay inside the 16-bit byte addresses a HEX file without extended
// address records can hold.
inline constexpr std::int32_t k_min_flash_words = 1;
inline constexpr std::int32_t k_max_flash_words = k_config_space;
inline constexpr std::int32_t k_max_eeprom_bytes = 0x10000 / 2 - k_eeprom_address;

// Reads the whole catalogue. Lines end in CR LF, LF or a lone CR; a UTF-8 byte order mark at the
// very start is ignored. A line is a key line when it starts exactly with one of the keys
// (lower case, colon included, no leading blank); the rest of the line is stored untrimmed in the
// current record, replacing an earlier line with the same key. Every other line is skipped.
// Fails when the file cannot be read, holds no "model:" line or more than k_max_catalogue_models
// of them; the message names the file.
// Fills the catalogue's warnings (see catalogue_warnings.h). configbits.cfg is read from the same
// folder when it is there; a file that cannot be read leaves the fields unnamed, with a warning.
Result<DeviceCatalogue> loadcatalogue(const std::string& path);

// The same reading of text already in memory; path only names the file in messages and warnings.
Result<DeviceCatalogue> parsecatalogue(std::string_view text, const std::string& path);

// Makes record k (1..modelcount) the model in use: fills `applied` and the image's flashsize and
// eepromsize. The image's buffers are left alone; the caller runs clearbuffer next. A record whose
// sizes the image cannot hold (FLASH outside 1..k_max_flash_words, EEPROM outside
// 0..k_max_eeprom_bytes), a script of more than k_max_script_lines lines or a k outside the
// catalogue is refused, and then nothing changes.
Status applymodel(const DeviceCatalogue& catalogue, std::int32_t k, AppliedModel& applied, MemoryImage& image);

// One script field as the engine runs it: lower-cased, split at commas, nothing trimmed. A final
// comma ends the last line rather than starting an empty one; an empty field is one empty line.
Script splitscript(const std::string& text);

// Every model whose record gives a readable device ID, in catalogue order.
std::vector<KnownDeviceId> knowndeviceids(const DeviceCatalogue& catalogue);

// The model names of records 1..modelcount, as written in the file, for the selection prompt
// (element i is model number i + 1).
std::vector<std::string> modelnames(const DeviceCatalogue& catalogue);
// The number of the first model called `name`, compared without regard to ASCII case or blanks
// around either; 0 when no model has that name.
std::int32_t modelnamed(const DeviceCatalogue& catalogue, std::string_view name);

// The places devices.cfg is looked for, in order: beside the program (applicationfolder, which
// ends with its separator); the data folder of an installation seen from the program's folder
// (applicationfolder + relativedatadir, e.g. "../share/vornalt"), so an installation moved to
// another prefix still finds its own copy; the data folder fixed at build time (datadir). An
// empty relativedatadir or datadir leaves that place out.
std::vector<std::string> catalogueplaces(const std::string& applicationfolder, const std::string& datadir,
                                         const std::string& relativedatadir = {});

// The catalogue to load: the first of catalogueplaces() where the file exists; when none has
// it, the fixed data folder's (the program's own folder's without one), so loading says which
// file is missing.
std::string findcatalogue(const std::string& applicationfolder, const std::string& datadir,
                          const std::string& relativedatadir = {});

// The folder an installed program keeps its shipped data in (fixed when the program is built).
std::string installeddatadir();

// The same folder seen from the folder the programs are installed in ("../share/vornalt").
std::string installedrelativedatadir();

}  // namespace vornalt
