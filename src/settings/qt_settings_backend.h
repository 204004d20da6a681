#pragma once
// Settings kept by QSettings: the registry key HKEY_CURRENT_USER\Software\Vornalt (REG_SZ
// values) on Windows, an INI file in the user's configuration folder elsewhere.
#include <memory>
#include <string>

#include "settings/settings_backend.h"

namespace vornalt {

// The store of the current user, where the programs keep their settings.
std::unique_ptr<SettingsBackend> usersettingsbackend();

// An INI file at the given path (UTF-8); its folder is created on the first write.
std::unique_ptr<SettingsBackend> inisettingsbackend(const std::string& path);

// Where usersettingsbackend() keeps the settings, for messages and documentation.
std::string usersettingslocation();

}  // namespace vornalt
