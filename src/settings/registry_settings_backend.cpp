#include "settings/registry_settings_backend.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vornalt {
namespace {

// How QSettings (native format on Windows) lays out its values, which this backend follows:
//  - a name "group/key" is the value "key" of the subkey "group" (each '/' one level deeper);
//  - a text is a REG_SZ value; a text that starts with '@' is stored with a second '@' in
//    front, since QSettings keeps "@Type(...)" for values that are not plain text;
//  - "@Invalid()" is a value that was set to nothing; a REG_DWORD reads as its number.

std::wstring widetext(std::string_view text) {
    if (text.empty()) return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string utf8text(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length, nullptr,
                          nullptr);
    return narrow;
}

struct ValuePlace {
    std::wstring subkey;
    std::wstring value;
};

ValuePlace placeof(const std::wstring& base, std::string_view name) {
    std::wstring subkey = base;
    const std::size_t slash = name.rfind('/');
    if (slash != std::string_view::npos) {
        subkey += L'\\';
        for (wchar_t c : widetext(name.substr(0, slash))) subkey += c == L'/' ? L'\\' : c;
    }
    return {subkey, widetext(slash == std::string_view::npos ? name : name.substr(slash + 1))};
}

class OpenKey {
public:
    OpenKey(const std::wstring& subkey, bool create) {
        const LSTATUS opened =
            create ? ::RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_READ | KEY_WRITE, nullptr, &key_, nullptr)
                   : ::RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_READ | KEY_WRITE, &key_);
        if (opened != ERROR_SUCCESS) key_ = nullptr;
    }
    ~OpenKey() {
        if (key_ != nullptr) ::RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

class RegistrySettingsBackend final : public SettingsBackend {
public:
    explicit RegistrySettingsBackend(std::wstring base) : base_(std::move(base)) {}

    std::optional<std::string> get(std::string_view name) override {
        const ValuePlace place = placeof(base_, name);
        const OpenKey key(place.subkey, false);
        if (key.get() == nullptr) return std::nullopt;
        DWORD type = 0;
        DWORD bytes = 0;
        if (::RegQueryValueExW(key.get(), place.value.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        std::vector<BYTE> data(bytes + sizeof(wchar_t));
        // The value may change between the two calls; a grown one is read again.
        for (int attempt = 0; attempt < 4; ++attempt) {
            bytes = static_cast<DWORD>(data.size());
            const LSTATUS read = ::RegQueryValueExW(key.get(), place.value.c_str(), nullptr, &type, data.data(), &bytes);
            if (read == ERROR_MORE_DATA) {
                data.resize(bytes + sizeof(wchar_t));
                continue;
            }
            if (read != ERROR_SUCCESS) return std::nullopt;
            break;
        }
        if (type == REG_DWORD && bytes == sizeof(DWORD)) {
            DWORD number = 0;
            std::memcpy(&number, data.data(), sizeof number);
            return std::to_string(static_cast<std::int32_t>(number));
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
        // A stored string need not end in a null; it ends at the first one if it does.
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), bytes / sizeof(wchar_t));
        if (const std::size_t end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
        if (text == L"@Invalid()") return std::nullopt;
        if (text.starts_with(L"@@")) text.erase(0, 1);
        return utf8text(text);
    }

    void set(std::string_view name, std::string_view text) override {
        const ValuePlace place = placeof(base_, name);
        const OpenKey key(place.subkey, true);
        if (key.get() == nullptr) return;
        std::wstring stored = widetext(text);
        if (stored.starts_with(L'@')) stored.insert(0, 1, L'@');
        // One call replaces the value whole: there is no moment without it.
        ::RegSetValueExW(key.get(), place.value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(stored.c_str()),
                         static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t)));
    }

    void remove(std::string_view name) override {
        const ValuePlace place = placeof(base_, name);
        const OpenKey key(place.subkey, false);
        if (key.get() != nullptr) ::RegDeleteValueW(key.get(), place.value.c_str());
    }

private:
    std::wstring base_;
};

}  // namespace

std::unique_ptr<SettingsBackend> registrysettingsbackend(std::string_view subkey) {
    return std::make_unique<RegistrySettingsBackend>(widetext(subkey));
}

}  // namespace vornalt
