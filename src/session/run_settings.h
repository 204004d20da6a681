#pragma once
// The settings store of one program run, built where the desktop program keeps its settings, so
// a front end picks how it uses them and never names a settings backend.
#include <cstdint>
#include <memory>

#include "session/settings_overlay.h"
#include "settings/settings_store.h"

namespace vornalt {

// The slowest CLOCK half-period a run may ask for, in microseconds.
inline constexpr std::int32_t k_clock_delay_max_us = 1000;
// The step rates an FTDI adapter may be run at, in steps per second.
inline constexpr std::int32_t k_step_rate_min = 1'000;
inline constexpr std::int32_t k_step_rate_max = 750'000;

enum class SettingsUse { read_write, read_only };

class RunSettings {
public:
    // Over any backend (a test's in memory).
    RunSettings(std::unique_ptr<SettingsBackend> saved, SettingsUse use);

    // The saved settings, read and written: QSettings, or the registry in a Windows build
    // without Qt; without either every setting reads as its default and nothing is kept.
    static std::unique_ptr<RunSettings> saved();
    // The same settings read through and never written, with this run's choices laid over them
    // (the command line): the shared load sequence runs unchanged and what it would write is dropped.
    static std::unique_ptr<RunSettings> saved_read_only();

    RunSettings(const RunSettings&) = delete;
    RunSettings& operator=(const RunSettings&) = delete;

    SettingsStore& store() { return store_; }

    // The saved model number as the load sequence takes it: model 1 when it names none of the
    // catalogue's `modelcount` models.
    std::int32_t saved_model(std::int32_t modelcount);

    // This run's choices over the read-only settings (no effect on written ones).
    void choose_model(std::int32_t number);
    // Port 1, 2 or 3 by its number.
    void choose_port(std::int32_t number);
    void choose_clock_delay(std::int32_t microseconds);
    // The FTDI adapter's steps per second, k_step_rate_min..max.
    void choose_step_rate(std::int32_t steps_per_second);
    // The pins and inversions as the defaults place them, whatever is saved.
    void use_default_hardware();

private:
    std::unique_ptr<SettingsBackend> saved_;
    std::unique_ptr<SettingsOverlay> overlay_;  // null when the settings are written
    SettingsStore store_;
};

}  // namespace vornalt
