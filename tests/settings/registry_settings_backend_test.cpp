// The registry backend against the registry itself (Wine's, in the cross build): each test works
// in a subkey of its own under HKEY_CURRENT_USER and deletes it at the end. The raw values are
// read back with the Win32 API, since the layout must match what the desktop program's
// QSettings reads and writes.
#include "settings/registry_settings_backend.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include "settings/setting_names.h"
#include "settings/settings_store.h"

namespace vornalt {
namespace {

class RegistrySettings : public ::testing::Test {
protected:
    void SetUp() override {
        subkey_ = L"Software\\Vornalt-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                  std::to_wstring(std::random_device{}());
        backend_ = registrysettingsbackend(narrow(subkey_));
    }
    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, subkey_.c_str()); }

    static std::string narrow(const std::wstring& ascii) { return std::string(ascii.begin(), ascii.end()); }

    // The value as stored: its type and its text (for REG_SZ), or nothing.
    std::optional<std::pair<DWORD, std::wstring>> raw(const std::wstring& subkey, const std::wstring& value) const {
        wchar_t text[512] = {};
        DWORD bytes = sizeof text - sizeof(wchar_t);
        DWORD type = 0;
        if (::RegGetValueW(HKEY_CURRENT_USER, (subkey_ + subkey).c_str(), value.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                           &type, text, &bytes) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::make_pair(type, std::wstring(text));
    }
    void putraw(const std::wstring& value, DWORD type, const void* data, DWORD bytes) const {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(::RegSetValueExW(key, value.c_str(), 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
        ::RegCloseKey(key);
    }

    std::wstring subkey_;
    std::unique_ptr<SettingsBackend> backend_;
};

TEST_F(RegistrySettings, TextsAreStoredAsQSettingsStoresThem) {
    const struct {
        const char* name;
        const char* text;
        const wchar_t* valuename;
        const wchar_t* stored;
    } cases[] = {
        {"Parallel Port Address", "888", L"Parallel Port Address", L"888"},
        {"Last Path", "C:\\Temp\\M\xC3\xBCller\\", L"Last Path", L"C:\\Temp\\M\u00FCller\\"},
        {"Clock Delay", "", L"Clock Delay", L""},
        {"Microcontroller Model", "@1", L"Microcontroller Model", L"@@1"},  // '@' doubled, as QSettings does
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        backend_->set(c.name, c.text);
        const auto stored = raw(L"", c.valuename);
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->first, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(stored->second, c.stored);
        EXPECT_EQ(backend_->get(c.name), std::optional<std::string>(c.text));
    }
}

TEST_F(RegistrySettings, AGroupIsASubkey) {
    backend_->set("Window/Geometry", "10,20");
    const auto stored = raw(L"\\Window", L"Geometry");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->second, L"10,20");
    EXPECT_EQ(backend_->get("Window/Geometry"), "10,20");
    EXPECT_EQ(backend_->get("Geometry"), std::nullopt);
}

TEST_F(RegistrySettings, ValuesWrittenByOthersReadAsQSettingsReadsThem) {
    const std::wstring text = L"Microchip";
    putraw(L"Plain", REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    putraw(L"Unterminated", REG_SZ, text.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    const DWORD number = 632;
    putraw(L"Number", REG_DWORD, &number, sizeof number);
    const std::wstring invalid = L"@Invalid()";
    putraw(L"Unset", REG_SZ, invalid.c_str(), static_cast<DWORD>((invalid.size() + 1) * sizeof(wchar_t)));
    const unsigned char bytes[] = {1, 2, 3};
    putraw(L"Binary", REG_BINARY, bytes, sizeof bytes);

    EXPECT_EQ(backend_->get("Plain"), "Microchip");
    EXPECT_EQ(backend_->get("Unterminated"), "Microchip");
    EXPECT_EQ(backend_->get("Number"), "632");
    EXPECT_EQ(backend_->get("Unset"), std::nullopt);
    EXPECT_EQ(backend_->get("Binary"), std::nullopt);
    EXPECT_EQ(backend_->get("Missing"), std::nullopt);
}

TEST_F(RegistrySettings, SetReplacesAndRemoveDeletes) {
    backend_->set("Invert VDD", "0");
    backend_->set("Invert VDD", "1");
    EXPECT_EQ(backend_->get("Invert VDD"), "1");
    backend_->remove("Invert VDD");
    EXPECT_EQ(backend_->get("Invert VDD"), std::nullopt);
    EXPECT_FALSE(raw(L"", L"Invert VDD").has_value());
    backend_->remove("Never There");  // no key, no value: nothing happens
}

TEST_F(RegistrySettings, TheStoreCreatesMissingSettingsWithTheirDefaults) {
    SettingsStore store(*backend_);
    EXPECT_EQ(store.readsetting(k_setting_portaddress, settingdefault(k_setting_portaddress)), "888");
    const auto stored = raw(L"", L"Parallel Port Address");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->second, L"888");
}

}  // namespace
}  // namespace vornalt
