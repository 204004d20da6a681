#include "session/run_settings.h"

#include <string>
#include <utility>

#include "programmer/parallel_backend.h"
#include "app/programmer_choice.h"
#include "app/selection_prompts.h"
#include "settings/memory_settings_backend.h"
#include "settings/setting_names.h"
#if defined(VORNALT_HAVE_QT_SETTINGS)
#include "settings/qt_settings_backend.h"
#elif defined(VORNALT_HAVE_REGISTRY_SETTINGS)
#include "settings/registry_settings_backend.h"
#endif

namespace vornalt {
namespace {

static_assert(k_clock_delay_max_us == k_clockdelay_max_us);
static_assert(k_step_rate_min == k_steprate_min && k_step_rate_max == k_steprate_max);

std::unique_ptr<SettingsBackend> savedbackend() {
#if defined(VORNALT_HAVE_QT_SETTINGS)
    return usersettingsbackend();
#elif defined(VORNALT_HAVE_REGISTRY_SETTINGS)
    // Where the desktop program's QSettings keeps them on Windows.
    return registrysettingsbackend();
#else
    return std::make_unique<MemorySettingsBackend>();
#endif
}

}  // namespace

RunSettings::RunSettings(std::unique_ptr<SettingsBackend> saved, SettingsUse use)
    : saved_(std::move(saved)),
      overlay_(use == SettingsUse::read_only ? std::make_unique<SettingsOverlay>(*saved_) : nullptr),
      store_(overlay_ ? static_cast<SettingsBackend&>(*overlay_) : *saved_) {}

std::unique_ptr<RunSettings> RunSettings::saved() {
    return std::make_unique<RunSettings>(savedbackend(), SettingsUse::read_write);
}

std::unique_ptr<RunSettings> RunSettings::saved_read_only() {
    return std::make_unique<RunSettings>(savedbackend(), SettingsUse::read_only);
}

std::int32_t RunSettings::saved_model(std::int32_t modelcount) {
    const std::int32_t number = store_.readnumber(k_setting_model);
    return number < 1 || number > modelcount ? 1 : number;
}

void RunSettings::choose_model(std::int32_t number) {
    if (overlay_) overlay_->override(k_setting_model, std::to_string(number));
}

void RunSettings::choose_port(std::int32_t number) {
    if (overlay_) overlay_->override(k_setting_portaddress, std::to_string(portaddressof(number)));
}

void RunSettings::choose_clock_delay(std::int32_t microseconds) {
    if (overlay_) overlay_->override(k_setting_clockdelay, std::to_string(microseconds));
}

void RunSettings::choose_step_rate(std::int32_t steps_per_second) {
    if (overlay_) overlay_->override(k_setting_ftdi_steprate, std::to_string(steps_per_second));
}

void RunSettings::use_default_hardware() {
    if (overlay_) usedefaulthardware(*overlay_);
}

}  // namespace vornalt
