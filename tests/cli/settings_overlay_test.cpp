// The saved settings as a command-line run sees them: this run's choices on top, hidden
// settings read as missing, and nothing ever written back.
#include <gtest/gtest.h>

#include "session/settings_overlay.h"
#include "settings/memory_settings_backend.h"
#include "settings/setting_names.h"
#include "settings/settings_store.h"

namespace vornalt {
namespace {

TEST(SettingsOverlay, ReadsThroughOverridesAndHides) {
    MemorySettingsBackend saved;
    saved.set(k_setting_model, "3");
    saved.set(k_setting_portaddress, "632");
    saved.set(k_setting_vddpin, "7");
    saved.set(k_setting_invertclock, "0");
    SettingsOverlay overlay(saved);
    overlay.override(k_setting_portaddress, "888");
    usedefaulthardware(overlay);

    SettingsStore store(overlay);
    EXPECT_EQ(store.readsetting(k_setting_model, "1"), "3");
    EXPECT_EQ(store.readsetting(k_setting_portaddress, "888"), "888");
    EXPECT_EQ(store.readsetting(k_setting_vddpin, "4"), "4");
    EXPECT_EQ(store.readsetting(k_setting_invertclock, "1"), "1");
    EXPECT_EQ(store.readsetting(k_setting_datainpin, "10"), "10");
    // An override wins over hiding.
    overlay.override(k_setting_vddpin, "9");
    EXPECT_EQ(store.readsetting(k_setting_vddpin, "4"), "9");
}

TEST(SettingsOverlay, NeverWritesTheSavedSettings) {
    MemorySettingsBackend saved;
    saved.set(k_setting_model, "0");
    const auto before = saved.values();
    SettingsOverlay overlay(saved);
    usedefaulthardware(overlay);
    SettingsStore store(overlay);

    // A missing value would be created with its default, a bad one rewritten: neither reaches
    // the saved settings.
    EXPECT_EQ(store.readsetting(k_setting_lastpath, "/opt/"), "/opt/");
    EXPECT_EQ(store.readsetting(k_setting_vddpin, "4"), "4");
    store.writesetting(k_setting_model, "1");
    overlay.remove(k_setting_model);
    EXPECT_EQ(saved.values(), before);
    EXPECT_EQ(store.readsetting(k_setting_model, "1"), "0");
}

}  // namespace
}  // namespace vornalt
