#include "app/recent_files.h"

#include <algorithm>

namespace vornalt {
namespace {

std::string recentname(std::size_t index) { return "Recent File " + std::to_string(index + 1); }

}  // namespace

std::vector<std::string> recentfiles(SettingsStore& settings) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < k_recent_count; ++i) {
        std::string file = settings.readsetting(recentname(i), "");
        if (!file.empty() && std::find(files.begin(), files.end(), file) == files.end()) files.push_back(std::move(file));
    }
    return files;
}

void addrecentfile(SettingsStore& settings, const std::string& fullname) {
    std::vector<std::string> files = recentfiles(settings);
    if (!files.empty() && files.front() == fullname) return;  // nothing to write
    files.erase(std::remove(files.begin(), files.end(), fullname), files.end());
    files.insert(files.begin(), fullname);
    files.resize(std::min(files.size(), k_recent_count));
    for (std::size_t i = 0; i < k_recent_count; ++i) settings.writesetting(recentname(i), i < files.size() ? files[i] : "");
}

}  // namespace vornalt
