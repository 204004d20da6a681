// The settings store a front end builds for its run: the saved model as the load sequence takes
// it, and this run's choices laid over read-only settings without ever reaching the saved ones.
#include "session/run_settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "settings/memory_settings_backend.h"
#include "settings/setting_names.h"

namespace vornalt {
namespace {

TEST(RunSettings, SavedModelFallsBackToModelOneWhenItNamesNone) {
    struct Case {
        const char* saved;
        std::int32_t expected;
    };
    for (const Case& c : {Case{"3", 3}, Case{"4", 4}, Case{"5", 1}, Case{"0", 1}, Case{"-2", 1}, Case{"x", 1}}) {
        auto backend = std::make_unique<MemorySettingsBackend>();
        backend->set(k_setting_model, c.saved);
        RunSettings settings(std::move(backend), SettingsUse::read_write);
        EXPECT_EQ(settings.saved_model(4), c.expected) << c.saved;
    }
}

TEST(RunSettings, ChoicesOverReadOnlySettingsAreReadButNeverSaved) {
    auto backend = std::make_unique<MemorySettingsBackend>();
    MemorySettingsBackend& saved = *backend;
    saved.set(k_setting_portaddress, "888");
    saved.set(k_setting_vddpin, "7");
    saved.set(k_setting_ftdi_steprate, "150000");
    RunSettings settings(std::move(backend), SettingsUse::read_only);
    settings.choose_model(2);
    settings.choose_port(2);
    settings.choose_clock_delay(40);
    settings.choose_step_rate(500'000);
    settings.use_default_hardware();
    SettingsStore& store = settings.store();
    EXPECT_EQ(store.readsetting(k_setting_model, "1"), "2");
    EXPECT_EQ(store.readsetting(k_setting_portaddress, "0"), "632");
    EXPECT_EQ(store.readsetting(k_setting_clockdelay, "0"), "40");
    EXPECT_EQ(store.readsetting(k_setting_ftdi_steprate, "0"), "500000");
    EXPECT_EQ(store.readsetting(k_setting_vddpin, "default"), "default");
    store.writesetting(k_setting_lastpath, "/x/");
    EXPECT_EQ(saved.get(k_setting_portaddress), "888");
    EXPECT_EQ(saved.get(k_setting_vddpin), "7");
    EXPECT_EQ(saved.get(k_setting_ftdi_steprate), "150000");
    EXPECT_FALSE(saved.get(k_setting_model).has_value());
    EXPECT_FALSE(saved.get(k_setting_lastpath).has_value());
}

TEST(RunSettings, ReadWriteSettingsAreWrittenThrough) {
    auto backend = std::make_unique<MemorySettingsBackend>();
    MemorySettingsBackend& saved = *backend;
    RunSettings settings(std::move(backend), SettingsUse::read_write);
    settings.store().writesetting(k_setting_lastpath, "/x/");
    EXPECT_EQ(saved.get(k_setting_lastpath), "/x/");
}

}  // namespace
}  // namespace vornalt
