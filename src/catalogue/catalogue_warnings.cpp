#include "base/path_text.h"
#include "catalogue/catalogue_warnings.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "base/ascii_case.h"
#include "base/numeric_value.h"
#include "image/hex_text.h"

namespace vornalt {
namespace {

constexpr std::size_t k_configerased = 2, k_voltageseq = 4, k_progtime = 5, k_first_script = 6;

struct ScriptField {
    std::string DeviceRecord::*text;
    const char* name;
};

constexpr std::array<ScriptField, 5> k_scripts{{
    {&DeviceRecord::erase, "erase"},
    {&DeviceRecord::program, "program"},
    {&DeviceRecord::read, "read"},
    {&DeviceRecord::blankcheck, "blankcheck"},
    {&DeviceRecord::verify, "verify"},
}};

bool equalsnocase(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (asciilower(text[i]) != lower[i]) return false;
    }
    return true;
}

// A plain positive decimal number, as a programming time must be to mean anything.
bool positivenumber(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return numericvalue(text) > 0;
}

class Checker {
public:
    Checker(const DeviceCatalogue& catalogue, std::vector<std::string>& out) : out_(out) {
        file_ = utf8frompath(pathfromutf8(catalogue.path).filename());
        if (file_.empty()) file_ = "devices.cfg";
    }

    void check(const DeviceRecord& record, const FieldLines& lines) {
        record_ = &record;
        lines_ = &lines;
        checkpower();
        checkprogtime();
        checkerased();
        for (std::size_t i = 0; i < k_scripts.size(); ++i) checkscript(k_scripts[i], lines[k_first_script + i]);
    }

private:
    void warn(std::int32_t line, const std::string& text) {
        out_.push_back(file_ + ":" + std::to_string(line > 0 ? line : record_->line) + ": model " + record_->model +
                       ": " + text);
    }

    void checkpower() {
        if (equalsnocase(record_->voltageseq, "vddvpp") || equalsnocase(record_->voltageseq, "vppvdd")) return;
        warn((*lines_)[k_voltageseq], "voltageseq \"" + record_->voltageseq +
                                          "\" is neither vddvpp nor vppvdd, so \"begin\" powers nothing up "
                                          "(the previous model's order is kept, if any).");
    }

    void checkprogtime() {
        const std::string& text = record_->progtime;
        if (!positivenumber(text)) {
            warn((*lines_)[k_progtime], "progtime \"" + text +
                                            "\" is not a positive number of milliseconds, so \"wprog\" waits " +
                                            std::to_string(std::max(numericvalue(text), 0)) + " ms.");
        } else if (numericvalue(text) > k_longest_sensible_wait_ms) {
            warn((*lines_)[k_progtime], "progtime " + text + " ms is longer than any chip needs (over " +
                                            std::to_string(k_longest_sensible_wait_ms / 1000) + " s).");
        }
    }

    // A part that is missing reads as -1, which a blank check takes as every bit erased, as an
    // erased chip reads; only a part that is there but not four hex digits loses what was meant.
    void checkerased() {
        const std::string& text = record_->configerased;
        const auto spoilt = [&text](std::size_t first) {
            return text.size() > first && fromhex4(asciiupper(text.substr(first, 4))) < 0;
        };
        std::string part = spoilt(0) ? "CONFIG1" : "";
        // CONFIG2's half matters only to a model that has CONFIG2.
        if (equalsnocase(record_->config2used, "true") && spoilt(5)) part += part.empty() ? "CONFIG2" : " and CONFIG2";
        if (part.empty()) return;
        warn((*lines_)[k_configerased], "configerased \"" + text + "\" does not give " + part +
                                            " as four hex digits, so it counts as FFFF (every bit erased) "
                                            "instead of the value written.");
    }

    void checkscript(const ScriptField& field, std::int32_t line) {
        const std::string& text = record_->*field.text;
        if (text.empty()) return;  // an empty script is refused when it runs
        // Line by line as splitscript would cut it, without holding them all: a script may be
        // far too long to run (applymodel refuses it) and must not cost memory to look at.
        std::string_view rest = text;
        if (rest.ends_with(',')) rest.remove_suffix(1);
        const std::size_t lastcomma = rest.rfind(',');
        const std::string_view last = lastcomma == std::string_view::npos ? rest : rest.substr(lastcomma + 1);
        if (!equalsnocase(last, "end")) {
            warn(line, std::string("the ") + field.name +
                           " script does not end with \"end\"; the program switches VDD and VPP off after it.");
        }
        while (true) {
            const std::size_t comma = rest.find(',');
            checkwait(field, line, asciilower(rest.substr(0, comma)));
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
    }

    void checkwait(const ScriptField& field, std::int32_t line, const std::string& instruction) {
        if (instruction.empty() || instruction.front() != 'w' || instruction == "wprog") return;
        const std::int32_t ms = numericvalue(std::string_view(instruction).substr(1));
        if (ms > k_longest_sensible_wait_ms) {
            warn(line, std::string("the ") + field.name + " script waits " + instruction.substr(1) +
                           " ms (\"" + instruction + "\"), longer than any chip needs (over " +
                           std::to_string(k_longest_sensible_wait_ms / 1000) + " s).");
        }
    }

    std::vector<std::string>& out_;
    std::string file_;
    const DeviceRecord* record_ = nullptr;
    const FieldLines* lines_ = nullptr;
};

}  // namespace

std::vector<std::string> catalogwarnings(const DeviceCatalogue& catalogue, const std::vector<FieldLines>& fieldlines) {
    std::vector<std::string> warnings;
    Checker checker(catalogue, warnings);
    for (std::size_t k = 1; k < catalogue.records.size() && k < fieldlines.size(); ++k) {
        checker.check(catalogue.records[k], fieldlines[k]);
    }
    return warnings;
}

std::string warningsboxtext(const std::vector<std::string>& warnings) {
    if (warnings.empty()) return {};
    std::string text = "Some models of the device catalogue may not work as written:";
    const std::size_t shown = std::min(warnings.size(), k_warnings_shown);
    for (std::size_t i = 0; i < shown; ++i) text += "\r\n" + warnings[i];
    if (shown < warnings.size()) text += "\r\n... and " + std::to_string(warnings.size() - shown) + " more.";
    return text;
}

}  // namespace vornalt
