#pragma once
// Settings in the Windows registry, kept exactly where and as the desktop program's QSettings
// keeps them, so that vornalt-cli.exe (built without Qt) reads and writes the same settings.
// Windows only.
#include <memory>
#include <string>
#include <string_view>

#include "settings/settings_backend.h"

namespace vornalt {

// The programs' key under HKEY_CURRENT_USER: QSettings' "Software\<organisation>" with the
// organisation and the application both named Vornalt.
inline constexpr std::string_view k_registry_settings_key = "Software\\Vornalt";

// Values under HKEY_CURRENT_USER\<subkey> (UTF-8). Every call opens the key afresh, so each read
// sees what another copy of a program stored, and each write is in the registry at once.
std::unique_ptr<SettingsBackend> registrysettingsbackend(std::string_view subkey = k_registry_settings_key);

}  // namespace vornalt
