#include "app/selection_prompts.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <vector>

#include "app/clear_buffer.h"
#include "app/port_selection.h"
#include "app/programmer_choice.h"
#include "base/ascii_case.h"
#include "base/numeric_value.h"
#include "settings/setting_names.h"

namespace vornalt {
namespace {

constexpr std::size_t k_name_column = 10;

std::size_t charactercount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0U) != 0x80U) ++count;
    }
    return count;
}

// Model n (1-based) as "n.<TAB>NAME".
std::string cell(const std::vector<std::string>& names, std::int32_t n) {
    return std::to_string(n) + ".\t" + asciiupper(names.at(static_cast<std::size_t>(n - 1)));
}

// The left column's cell, with blanks up to the name column.
std::string leftcell(const std::vector<std::string>& names, std::int32_t n) {
    const std::size_t length = charactercount(names.at(static_cast<std::size_t>(n - 1)));
    const std::size_t padding = length < k_name_column ? k_name_column - length : 0;
    return cell(names, n) + std::string(padding, ' ');
}

bool isdigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::size_t countwhile(std::string_view text, std::size_t at, bool (*test)(char)) {
    std::size_t end = at;
    while (end < text.size() && test(text[end])) ++end;
    return end - at;
}

bool isdigit_ascii(char c) { return c >= '0' && c <= '9'; }
bool isletter_ascii(char c) { return asciilower(c) >= 'a' && asciilower(c) <= 'z'; }

// The answer without blanks around it and without a leading "PIC", as a part is often written.
std::string_view partname(std::string_view answer) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!answer.empty() && blank(answer.front())) answer.remove_prefix(1);
    while (!answer.empty() && blank(answer.back())) answer.remove_suffix(1);
    if (answer.size() > 3 && asciilower(answer.substr(0, 3)) == "pic") answer.remove_prefix(3);
    return answer;
}

// Digits, letters, digits and maybe letters ("16F648", "12LF1840"): a part's name, which the
// leading-number rule would turn into an unrelated model. "1e2" stays a number.
bool lookslikepartname(std::string_view name) {
    const std::size_t family = countwhile(name, 0, isdigit_ascii);
    const std::size_t letters = countwhile(name, family, isletter_ascii);
    const std::size_t number = countwhile(name, family + letters, isdigit_ascii);
    const std::size_t suffix = countwhile(name, family + letters + number, isletter_ascii);
    const bool exponent = letters == 1 && asciilower(name[family]) == 'e';
    return family > 0 && letters > 0 && !exponent && number > 0 &&
           family + letters + number + suffix == name.size();
}

}  // namespace

std::string modelprompt(const DeviceCatalogue& catalogue) {
    const std::vector<std::string> names = modelnames(catalogue);
    const auto n = static_cast<std::int32_t>(names.size());
    const std::int32_t h = n / 2;
    const bool odd = n % 2 != 0;
    std::string prompt = "Select new microcontroller model [1-" + std::to_string(n) + "]:\r\n\r\n";
    for (std::int32_t r = 1; r <= h; ++r) {
        const std::int32_t right = odd ? h + 1 + r : h + r;
        prompt += leftcell(names, r) + "\t\t" + cell(names, right) + "\r\n";
    }
    if (odd) prompt += leftcell(names, h + 1) + "\r\n";
    return prompt;
}

std::int32_t askmodel(const DeviceCatalogue& catalogue, std::int32_t selectedmodel, WindowServices& window) {
    const std::string answer = window.input(modelprompt(catalogue), std::to_string(selectedmodel));
    // "16F84A" means that part, not model 16: a model's name wins over the leading number, and
    // a name the catalogue does not have changes nothing.
    std::int32_t named = modelnamed(catalogue, answer);
    if (named == 0) named = modelnamed(catalogue, partname(answer));
    if (named == 0 && lookslikepartname(partname(answer))) {
        window.message("There is no model called " + std::string(partname(answer)) +
                       ". Type a model's number or its name as listed.");
        return 0;
    }
    const std::int32_t chosen = named != 0 ? named : numericvalue(answer);
    if (chosen < 1 || chosen > catalogue.modelcount || chosen == selectedmodel) return 0;
    return chosen;
}

void menumodel(AppState& app, const DeviceCatalogue& catalogue, AppliedModel& model, MemoryImage& image,
               SettingsStore& settings, WindowServices& window) {
    const std::int32_t chosen = askmodel(catalogue, app.selectedmodel, window);
    if (chosen == 0) return;
    if (!discardunsaved(app, window)) return;
    // Applied before anything is saved: a record the image cannot hold is refused, and then the
    // previous model, its setting and the loaded image all stay as they were.
    const Status applied = applymodel(catalogue, chosen, model, image);
    if (!applied) {
        window.message(applied.error().message);
        return;
    }
    app.selectedmodel = chosen;
    settings.writesetting(k_setting_model, std::to_string(chosen));
    menuclear(app, model, image, window);
}

void menuport(PortDriver& driver, ProgrammerPort& port, SettingsStore& settings, WindowServices& window) {
    DriverState& d = driver.state();
    const std::int32_t before = d.portaddress;
    const std::int32_t number = portnumber(before);
    std::string answer;
    if (number != 0) answer = window.input(k_port_prompt, std::to_string(number));
    if (!answer.empty()) {
        if (const PortChoice* picked = portchoice(answer)) {
            d.portaddress = picked->portaddress;
        } else {
            window.message(k_wrong_entry);
        }
    }
    settings.writesetting(k_setting_portaddress, std::to_string(d.portaddress));
    if (number == 0) return;
    // Picking the port that failed before tries it again (the user may have fixed the cause).
    if (d.portaddress != before || !port.io().available()) port.open(d.portaddress, driver);
    showprogrammerstate(window, port.row().kind, port.argument(), d.portaddress, port.io());
}

std::string progtime_refusal(const AppliedModel& model, std::int32_t milliseconds) {
    if (milliseconds >= model.progtime_min) return {};
    return "The " + model.modelname + " needs at least " + std::to_string(model.progtime_min) +
           " ms per write; a shorter programming time leaves words unwritten.";
}

void menuprogtime(AppliedModel& model, WindowServices& window) {
    const std::string answer = window.input(k_progtime_prompt, std::to_string(model.progtime));
    if (answer.empty()) return;
    const double ms = leadingnumber(answer);
    if (!(ms >= 1.0 && ms <= 30.0)) {
        window.message(k_wrong_entry);
        return;
    }
    if (const std::string why = progtime_refusal(model, roundtoint32(ms)); !why.empty()) {
        window.message(std::string(k_wrong_entry) + "\n" + why);
        return;
    }
    model.progtime = roundtoint32(ms);
}

void menuclockdelay(DriverState& driver, SettingsStore& settings, WindowServices& window) {
    const std::string answer = window.input(k_clockdelay_prompt, std::to_string(driver.clockdelay_us));
    if (answer.empty()) return;
    std::int32_t us = -1;
    if (isdigits(answer)) {
        const auto [end, ec] = std::from_chars(answer.data(), answer.data() + answer.size(), us);
        if (ec != std::errc{} || end != answer.data() + answer.size()) us = -1;
    }
    if (us < 0 || us > k_clockdelay_max_us) {
        window.message(k_wrong_entry);
        return;
    }
    driver.clockdelay_us = us;
    settings.writesetting(k_setting_clockdelay, std::to_string(driver.clockdelay_us));
}

std::int32_t clockdelayfromsetting(std::string_view text) {
    return std::clamp(numericvalue(text), std::int32_t{0}, k_clockdelay_max_us);
}

}  // namespace vornalt
