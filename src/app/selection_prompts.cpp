#include "app/selection_prompts.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <vector>

#include "app/clear_buffer.h"
#include "app/port_selection.h"
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
    // "16F84A" means that part, not model 16: a model's name wins over the leading number.
    const std::int32_t named = modelnamed(catalogue, answer);
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
    showportstate(window, d.portaddress, port.io());
}

void menuprogtime(AppliedModel& model, WindowServices& window) {
    const std::string answer = window.input(k_progtime_prompt, std::to_string(model.progtime));
    if (answer.empty()) return;
    const double ms = leadingnumber(answer);
    if (!(ms >= 1.0 && ms <= 30.0)) {
        window.message(k_wrong_entry);
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
