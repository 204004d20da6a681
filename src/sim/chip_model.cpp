#include "sim/chip_model.h"

#include <array>
#include <cctype>
#include <string>

namespace vornalt {
namespace {

constexpr std::int64_t ms(double value) { return static_cast<std::int64_t>(value * 1'000'000.0); }

// TDIS, the wait after End Programming before the next command: at least 100 us on the parts
// whose End Programming is 17 or 0E (DS39589B and DS39607B timing tables, the maker's programmer
// data for the 16F7x and 16F716).
constexpr std::int64_t k_tdis_ns = 100'000;

// Bulk and chip erases: the maker's own programmer waits about 11 ms where the documents give
// 6-10 ms (33 ms on the 16F7x against 30), and the simulator models parts that need that margin.
constexpr std::int64_t k_bulk_erase_margin = ms(11);

// Times are the worst-case figures of each family, so a script that only works on a fast chip
// fails here. EEPROM figures the family does not document separately take the program figure;
// a time of 0 means the chip does not do that at all (the write is not stored).
constexpr std::array<FamilyRules, 12> k_families{{
    // DS30262E (16F83/84/84A), program/verify mode commands and timing table: 08 erases and
    // programs one word, 18 (listed for the 16F84A) only programs (4 ms), bulk erases and the
    // 01/07 sequence take 10 ms.
    {.family = ChipFamily::f84a, .power = PowerRule::either, .latchwords = 1, .begin_clears_latches = false, .write_erases = true,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x0000, .config1_fixed_bits = 0x0000,
     .config2_fixed_bits = 0x3FFC, .timing = {ms(8), ms(4), ms(8), ms(8), ms(10), 0},
     .externally_timed = -1, .tdis_ns = 0,
     .commands = {.setup_sequence = true}, .erase = EraseStyle::armed_setup_sequence,
     .erase_outside_config_ignores_protection = false, .erase_clears_config_anywhere = false,
     .config_erase_clears_protected_data = false, .begin_erases_row = 0, .row_erase_words = 0,
     .protection = {0x3FF0, false, 0}, .calibration = {false, 0, 0}},
    // DS39025F (16F870-877), commands and timing: word writes, 8 ms for 08 and the 01/07 erase.
    {.family = ChipFamily::f87x, .power = PowerRule::either, .latchwords = 1, .begin_clears_latches = false, .write_erases = true,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x0400, .config1_fixed_bits = 0x0400,
     .config2_fixed_bits = 0x3FFC, .timing = {ms(8), ms(4), ms(8), ms(8), k_bulk_erase_margin, 0},
     .externally_timed = -1, .tdis_ns = 0,
     .commands = {.bulk_erase_program = -1, .bulk_erase_data = -1, .setup_sequence = true},
     .erase = EraseStyle::armed_latest_load, .erase_outside_config_ignores_protection = false,
     .erase_clears_config_anywhere = false, .config_erase_clears_protected_data = false,
     .begin_erases_row = 0, .row_erase_words = 0, .protection = {0x3000, true, 0x0100},
     .calibration = {false, 0, 0}},
    // DS39589B (16F873A-877A), command table and timing table: 18 is externally timed and for
    // program memory only, so a data EEPROM byte sent with 18 is not stored (0); a byte takes the
    // internally timed 08 with its 8 ms maximum. Chip Erase (1F) is 8 ms in the document, but some
    // silicon revisions leave words unerased after one erase that short (other programmers wait
    // 10-15 ms): the simulator models those weak parts and needs 10 ms.
    {.family = ChipFamily::f87xa, .power = PowerRule::either, .latchwords = 8, .begin_clears_latches = false, .write_erases = true,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x1030, .config1_fixed_bits = 0x1030,
     .config2_fixed_bits = 0x3FFC, .timing = {ms(8), ms(1), ms(8), 0, ms(8), ms(10)},
     .externally_timed = 0x18, .tdis_ns = k_tdis_ns,
     .commands = {.end_programming = 0x17, .chip_erase = 0x1F}, .erase = EraseStyle::armed_unprotected_only,
     .erase_outside_config_ignores_protection = false, .erase_clears_config_anywhere = false,
     .config_erase_clears_protected_data = false, .begin_erases_row = 0, .row_erase_words = 0,
     .protection = {0x2000, false, 0x0100}, .calibration = {false, 0, 0}},
    // DS41196G (16F627A/628A/648A), timing table: program 4 ms, data 6 ms, bulk erase 6 ms.
    {.family = ChipFamily::f62xa, .power = PowerRule::vpp_first, .latchwords = 1, .begin_clears_latches = false, .write_erases = false,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x1E00, .config1_fixed_bits = 0x1E00,
     .config2_fixed_bits = 0x3FFC, .timing = {ms(4), 0, ms(6), 0, k_bulk_erase_margin, 0},
     .externally_timed = -1, .tdis_ns = 0,
     .commands = {.begin_program_only = -1}, .erase = EraseStyle::self_timed,
     .erase_outside_config_ignores_protection = false, .erase_clears_config_anywhere = false,
     .config_erase_clears_protected_data = true, .begin_erases_row = 0, .row_erase_words = 0,
     .protection = {0x2000, false, 0x0100}, .calibration = {false, 0, 0}},
    // DS41191D (12F629/675, 16F630/676), timing table: program 2.5 ms, data 6 ms, 18 2 ms, bulk 8 ms.
    {.family = ChipFamily::f629, .power = PowerRule::vpp_first, .latchwords = 1, .begin_clears_latches = false, .write_erases = false,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x0E00, .config1_fixed_bits = 0x0000,
     .config2_fixed_bits = 0x3FFC, .timing = {ms(2.5), ms(2), ms(6), ms(6), k_bulk_erase_margin, 0},
     .externally_timed = -1, .tdis_ns = 0,
     .commands = {.end_programming = 0x0A}, .erase = EraseStyle::self_timed,
     .erase_outside_config_ignores_protection = true, .erase_clears_config_anywhere = false,
     .config_erase_clears_protected_data = false, .begin_erases_row = 0, .row_erase_words = 0,
     .protection = {0x0080, false, 0x0100}, .calibration = {true, 0, 0}},
    // DS39607B (16F87/88) and DS39603C (16F818/819), timing tables. 08 is the 32-word row erase
    // here; the write itself is 18. Chip Erase (1F) takes 10 ms here, the figure other programmers
    // use, above the 8 ms the documents print: a shorter wait leaves words unerased.
    {.family = ChipFamily::f88, .power = PowerRule::vpp_in_250us, .latchwords = 4, .begin_clears_latches = false, .write_erases = false,
     .loadconfig_keeps_data = false, .config1_fixed_mask = 0x0000, .config1_fixed_bits = 0x0000,
     .config2_fixed_bits = 0x3FFC, .timing = {ms(1), ms(1), ms(1), ms(1), ms(2), k_bulk_erase_margin},
     .externally_timed = 0x18, .tdis_ns = k_tdis_ns,
     .commands = {.end_programming = 0x17, .chip_erase = 0x1F}, .erase = EraseStyle::armed_unprotected_only,
     .erase_outside_config_ignores_protection = false, .erase_clears_config_anywhere = false,
     .config_erase_clears_protected_data = false, .begin_erases_row = 32, .row_erase_words = 0,
     .protection = {0x2000, false, 0x0100}, .calibration = {false, 0, 0}},
    // The 3 ms program and 6 ms data figures are taken as the time a write needs; 6 ms also
    // covers the 16-word row erase. Bits 13-12 of CONFIG1 are not implemented.
    {.family = ChipFamily::f690, .power = PowerRule::vpp_first, .latchwords = 4, .begin_clears_latches = false, .write_erases = false,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x3000, .config1_fixed_bits = 0x3000,
     .config2_fixed_bits = 0x3FFC, .timing = {ms(3), ms(3), ms(6), ms(6), k_bulk_erase_margin, 0},
     .externally_timed = -1, .tdis_ns = 0,
     .commands = {.end_programming = 0x0A, .row_erase = 0x11}, .erase = EraseStyle::self_timed,
     .erase_outside_config_ignores_protection = true, .erase_clears_config_anywhere = false,
     .config_erase_clears_protected_data = false, .begin_erases_row = 0, .row_erase_words = 16,
     .protection = {0x0040, false, 0x0080}, .calibration = {false, k_calword_2008, 0}},
    // 16F627/628, programming document DS30034: VPP before VDD; 08 erases and programs a word,
    // 18 only programs; 09/0B and the 01/07 sequence at 2007h are armed and then started by 08.
    // The times asked are the longest other programmers wait on these parts (16 ms for 08, 8 ms
    // for 18, 15 ms for an erase). Bit 9 of CONFIG1 is not implemented and reads 1.
    {.family = ChipFamily::f62x, .power = PowerRule::vpp_first, .latchwords = 1, .begin_clears_latches = false, .write_erases = true,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x0200, .config1_fixed_bits = 0x0200,
     .config2_fixed_bits = 0x3FFC, .timing = {ms(16), ms(8), ms(16), ms(8), ms(15), 0},
     .externally_timed = -1, .tdis_ns = 0,
     .commands = {.setup_sequence = true}, .erase = EraseStyle::armed_setup_sequence,
     .erase_outside_config_ignores_protection = false, .erase_clears_config_anywhere = false,
     .config_erase_clears_protected_data = false, .begin_erases_row = 0, .row_erase_words = 0,
     .protection = {0x3C00, false, 0x0100}, .calibration = {false, 0, 0}},
    // 16F882-887, programming document DS41287: VPP before VDD; 08 only programs and times
    // itself (asked here: 5 ms for program memory, 6 ms for a data byte), then the latches read
    // 3FFF again; 18 is ended by 0A; 09/0B time themselves (6 ms). Every CONFIG1 bit is
    // implemented. The 16F886/887 latch eight words, the 16F882/883/884 four (see the parts).
    {.family = ChipFamily::f88x, .power = PowerRule::vpp_first, .latchwords = 8, .begin_clears_latches = true, .write_erases = false,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x0000, .config1_fixed_bits = 0x0000,
     .config2_fixed_bits = 0x38FF, .timing = {ms(5), ms(1), ms(6), ms(6), k_bulk_erase_margin, 0},
     .externally_timed = -1, .tdis_ns = 0,
     .commands = {.end_programming = 0x0A}, .erase = EraseStyle::self_timed,
     .erase_outside_config_ignores_protection = true, .erase_clears_config_anywhere = false,
     .config_erase_clears_protected_data = false, .begin_erases_row = 0, .row_erase_words = 0,
     .protection = {0x0040, false, 0x0080}, .calibration = {false, k_calword_2009, 0}},
    // 16F73-77, programming document DS30324: VDD first; 08 starts an externally timed
    // program-only write of two latched words that 0E ends (at least 1 ms); 09 erases program
    // memory and CONFIG1 from any address, protected or not (30 ms; 33 ms asked, the maker's programmer's figure). CONFIG1 implements bits 6
    // and 4:0 only.
    {.family = ChipFamily::f7x, .power = PowerRule::either, .latchwords = 2, .begin_clears_latches = false, .write_erases = false,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x3FA0, .config1_fixed_bits = 0x3FA0,
     .config2_fixed_bits = 0x3FFC, .timing = {ms(1), 0, 0, 0, ms(33), 0},
     .externally_timed = 0x08, .tdis_ns = k_tdis_ns,
     .commands = {.begin_program_only = -1, .end_programming = 0x0E, .bulk_erase_data = -1},
     .erase = EraseStyle::self_timed, .erase_outside_config_ignores_protection = true,
     .erase_clears_config_anywhere = true, .config_erase_clears_protected_data = false,
     .begin_erases_row = 0, .row_erase_words = 0, .protection = {0x0010, false, 0x0100},
     .calibration = {false, 0, 0}},
    // 16F716, programming document DS40245: VDD first; 18 starts an externally timed
    // program-only write of four latched words that 0E ends (the simulator asks 2 ms); 09 after
    // Load Configuration clears program memory and CONFIG1 (10 ms). CONFIG1 takes 2.5 ms and
    // reads back only once a word is written one location past it, as the maker's programmer
    // does (a power cycle alone is not trusted here). CONFIG1 implements CP
    // (bit 13), BODENV, BOREN (7:6), PWRTE, WDTE and FOSC1:0 (3:0); the other bits read 1.
    {.family = ChipFamily::f716, .power = PowerRule::either, .latchwords = 4, .begin_clears_latches = false, .write_erases = false,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x1F30, .config1_fixed_bits = 0x1F30,
     .config2_fixed_bits = 0x3FFC, .timing = {0, ms(2), 0, 0, k_bulk_erase_margin, 0},
     .externally_timed = 0x18, .tdis_ns = k_tdis_ns,
     .commands = {.begin = -1, .end_programming = 0x0E, .bulk_erase_data = -1},
     .erase = EraseStyle::self_timed, .erase_outside_config_ignores_protection = false,
     .erase_clears_config_anywhere = false, .config_erase_clears_protected_data = false,
     .begin_erases_row = 0, .row_erase_words = 0, .protection = {0x2000, false, 0x0100},
     .calibration = {false, 0, 0}, .config_write_ns = ms(2.5), .config1_needs_next_write = true},
    // 16F913-917, programming document DS41244: like the 16F690 family, VPP before VDD, a
    // self-timed 08 that only programs and then clears the latches (asked here: 5 ms for a block,
    // 6 ms for a data byte), 09/0B self-timed (6 ms). CONFIG1 bit 13 is not implemented and reads
    // 1. The 16F916/917 latch eight words, the 16F913/914 four (see the parts).
    {.family = ChipFamily::f91x, .power = PowerRule::vpp_first, .latchwords = 8, .begin_clears_latches = true, .write_erases = false,
     .loadconfig_keeps_data = true, .config1_fixed_mask = 0x2000, .config1_fixed_bits = 0x2000,
     .config2_fixed_bits = 0x3FFC, .timing = {ms(5), 0, ms(6), 0, k_bulk_erase_margin, 0},
     .externally_timed = -1, .tdis_ns = 0,
     .commands = {}, .erase = EraseStyle::self_timed, .erase_outside_config_ignores_protection = true,
     .erase_clears_config_anywhere = false, .config_erase_clears_protected_data = false,
     .begin_erases_row = 0, .row_erase_words = 0, .protection = {0x0040, false, 0x0080},
     .calibration = {false, k_calword_2008, k_calword_2009}},
}};

// The silicon revision every simulated part reports in the low bits of its device ID.
constexpr std::int32_t k_revision = 0x02;

constexpr std::array<ChipModel, 50> k_models{{
    {"16F84A", ChipFamily::f84a, 1024, 64, 0x0560 | k_revision, false, false},
    // DS30262E: the older 16F83 and 16F84 have no device ID; 2006h reads 0 like any
    // unimplemented location of configuration space. Open programmers give their writes by 08
    // 20 ms (docs/chip-facts.md), more than the 16F84A's 8.
    {"16F83", ChipFamily::f84a, 512, 64, 0x0000, false, false, 0, false, ms(20)},
    {"16F84", ChipFamily::f84a, 1024, 64, 0x0000, false, false, 0, false, ms(20)},
    {"16F870", ChipFamily::f87x, 2048, 64, 0x0D00 | k_revision, false, false},
    {"16F871", ChipFamily::f87x, 2048, 64, 0x0D20 | k_revision, false, false},
    {"16F872", ChipFamily::f87x, 2048, 64, 0x08E0 | k_revision, false, false},
    {"16F873", ChipFamily::f87x, 4096, 128, 0x0960 | k_revision, false, false},
    {"16F874", ChipFamily::f87x, 4096, 128, 0x0920 | k_revision, false, false},
    {"16F876", ChipFamily::f87x, 8192, 256, 0x09E0 | k_revision, false, false},
    {"16F877", ChipFamily::f87x, 8192, 256, 0x09A0 | k_revision, false, false},
    {"16F873A", ChipFamily::f87xa, 4096, 128, 0x0E40 | k_revision, false, false},
    {"16F874A", ChipFamily::f87xa, 4096, 128, 0x0E60 | k_revision, false, false},
    {"16F876A", ChipFamily::f87xa, 8192, 256, 0x0E00 | k_revision, false, false},
    {"16F877A", ChipFamily::f87xa, 8192, 256, 0x0E20 | k_revision, false, false},
    {"16F627A", ChipFamily::f62xa, 1024, 128, 0x1040 | k_revision, false, false},
    {"16F628A", ChipFamily::f62xa, 2048, 128, 0x1060 | k_revision, false, false},
    {"16F648A", ChipFamily::f62xa, 4096, 256, 0x1100 | k_revision, false, false},
    {"12F629", ChipFamily::f629, 1024, 128, 0x0F80 | k_revision, false, true},
    {"12F675", ChipFamily::f629, 1024, 128, 0x0FC0 | k_revision, false, true},
    {"16F630", ChipFamily::f629, 1024, 128, 0x10C0 | k_revision, false, true},
    {"16F676", ChipFamily::f629, 1024, 128, 0x10E0 | k_revision, false, true},
    {"16F87", ChipFamily::f88, 4096, 256, 0x0720 | k_revision, true, false},
    {"16F88", ChipFamily::f88, 4096, 256, 0x0760 | k_revision, true, false},
    {"16F818", ChipFamily::f88, 1024, 128, 0x04C0 | k_revision, false, false},
    {"16F819", ChipFamily::f88, 2048, 256, 0x04E0 | k_revision, false, false},
    // The two parts of the family without an internal oscillator keep no calibration word.
    {"16F631", ChipFamily::f690, 1024, 128, 0x1420 | k_revision, false, false, 0, true},
    {"16F677", ChipFamily::f690, 2048, 256, 0x1440 | k_revision, false, false, 0, true},
    {"16F685", ChipFamily::f690, 4096, 256, 0x04A0 | k_revision, false, false},
    {"16F687", ChipFamily::f690, 2048, 256, 0x1320 | k_revision, false, false},
    {"16F689", ChipFamily::f690, 4096, 256, 0x1340 | k_revision, false, false},
    {"16F690", ChipFamily::f690, 4096, 256, 0x1400 | k_revision, false, false},
    {"16F627", ChipFamily::f62x, 1024, 128, 0x07A0 | k_revision, false, false},
    {"16F628", ChipFamily::f62x, 2048, 128, 0x07C0 | k_revision, false, false},
    // DS41204 programs these exactly like the 16F690 family (four latches, calibration at 2008h).
    {"12F683", ChipFamily::f690, 2048, 256, 0x0460 | k_revision, false, false},
    {"16F684", ChipFamily::f690, 2048, 256, 0x1080 | k_revision, false, false},
    {"16F688", ChipFamily::f690, 4096, 256, 0x1180 | k_revision, false, false},
    // The smaller 16F88x and 16F91x parts write four words per block (the maker's programmer
    // data, checked against three open programmers), their larger siblings eight.
    {"16F882", ChipFamily::f88x, 2048, 128, 0x2000 | k_revision, true, false, 4},
    {"16F883", ChipFamily::f88x, 4096, 256, 0x2020 | k_revision, true, false, 4},
    {"16F884", ChipFamily::f88x, 4096, 256, 0x2040 | k_revision, true, false, 4},
    {"16F886", ChipFamily::f88x, 8192, 256, 0x2060 | k_revision, true, false},
    {"16F887", ChipFamily::f88x, 8192, 256, 0x2080 | k_revision, true, false},
    {"16F73", ChipFamily::f7x, 4096, 0, 0x0600 | k_revision, false, false},
    {"16F74", ChipFamily::f7x, 4096, 0, 0x0620 | k_revision, false, false},
    {"16F76", ChipFamily::f7x, 8192, 0, 0x0640 | k_revision, false, false},
    {"16F77", ChipFamily::f7x, 8192, 0, 0x0660 | k_revision, false, false},
    {"16F716", ChipFamily::f716, 2048, 0, 0x1140 | k_revision, false, false},
    {"16F913", ChipFamily::f91x, 4096, 256, 0x13E0 | k_revision, false, false, 4},
    {"16F914", ChipFamily::f91x, 4096, 256, 0x13C0 | k_revision, false, false, 4},
    {"16F916", ChipFamily::f91x, 8192, 256, 0x13A0 | k_revision, false, false},
    {"16F917", ChipFamily::f91x, 8192, 256, 0x1380 | k_revision, false, false},
}};

std::string normalised(std::string_view name) {
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front()))) name.remove_prefix(1);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.remove_suffix(1);
    std::string upper;
    for (const char c : name) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    if (upper.starts_with("PIC")) upper.erase(0, 3);
    return upper;
}

}  // namespace

const ChipModel* findchipmodel(std::string_view modelname) {
    const std::string name = normalised(modelname);
    for (const ChipModel& model : k_models) {
        if (model.name == name) return &model;
    }
    return nullptr;
}

const FamilyRules& familyrules(ChipFamily family) {
    for (const FamilyRules& rules : k_families) {
        if (rules.family == family) return rules;
    }
    return k_families.front();  // unreachable: every family has a row
}

FamilyRules partrules(const ChipModel& model) {
    FamilyRules rules = familyrules(model.family);
    if (model.write_ns > 0) rules.timing.write_ns = rules.timing.eeprom_write_ns = model.write_ns;
    return rules;
}

std::int32_t latchwords(const ChipModel& model) {
    return model.latchwords > 0 ? model.latchwords : familyrules(model.family).latchwords;
}

bool hascalword(const ChipModel& model) { return calwordaddress(model) != 0; }
std::int32_t calwordaddress(const ChipModel& model) {
    return model.no_calword ? 0 : familyrules(model.family).calibration.calword_address;
}
bool hascalword2(const ChipModel& model) { return calword2address(model) != 0; }
std::int32_t calword2address(const ChipModel& model) {
    return model.no_calword ? 0 : familyrules(model.family).calibration.calword2_address;
}

ConfigCell configcell(const ChipModel& model, std::int32_t address) {
    if (address >= k_id_address && address < k_id_address + k_idwords) return ConfigCell::id;
    if (address == k_deviceid_address) return ConfigCell::deviceid;
    if (address > k_id_address + k_idwords - 1 && address < k_deviceid_address) return ConfigCell::reserved;
    if (address == k_config1_address) return ConfigCell::config1;
    if (address == k_config2_address && model.has_config2) return ConfigCell::config2;
    if (address == calwordaddress(model) && hascalword(model)) return ConfigCell::calword;
    if (address == calword2address(model) && hascalword2(model)) return ConfigCell::calword2;
    return ConfigCell::none;
}

std::int32_t readableconfig1(ChipFamily family, std::int32_t raw) {
    const FamilyRules& rules = familyrules(family);
    return ((raw & ~rules.config1_fixed_mask) | rules.config1_fixed_bits) & k_word_mask;
}

std::int32_t readableconfig2(std::int32_t raw) { return readableconfig2(ChipFamily::f88, raw); }

std::int32_t readableconfig2(ChipFamily family, std::int32_t raw) {
    return (raw | familyrules(family).config2_fixed_bits) & k_word_mask;
}

bool programprotected(const ChipModel& model, std::int32_t config1, std::int32_t index) {
    const FamilyRules& rules = familyrules(model.family);
    const ProtectionBits& bits = rules.protection;
    if (bits.ranged) {
        switch ((config1 >> 12) & 3) {
            case 3: return false;
            case 2: return index >= model.programwords - 256;
            case 1: return index >= model.programwords / 2;
            default: return true;
        }
    }
    // The OSCCAL word stays readable so it can be saved before an erase.
    if (rules.calibration.osccal && index == model.programwords - 1) return false;
    return (config1 & bits.code_mask) != bits.code_mask;
}

bool anyprogramprotected(const ChipModel& model, std::int32_t config1) {
    return programprotected(model, config1, 0) || programprotected(model, config1, model.programwords - 2);
}

bool dataprotected(const ChipModel& model, std::int32_t config1) {
    const std::int32_t mask = familyrules(model.family).protection.data_mask;
    if (mask == 0 || model.eeprombytes == 0) return false;  // nothing to protect
    return (config1 & mask) == 0;
}

}  // namespace vornalt
