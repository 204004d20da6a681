#include <filesystem>
#include <system_error>

#include "catalogue/catalogue.h"

#ifndef VORNALT_DATA_DIR
#error "VORNALT_DATA_DIR must name the installed data folder (set by the build)"
#endif

namespace vornalt {
namespace {

constexpr const char* k_catalogue_file = "devices.cfg";

std::filesystem::path frompathtext(const std::string& text) {
    return std::filesystem::path(reinterpret_cast<const char8_t*>(text.c_str()));
}

std::string topathtext(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

}  // namespace

std::string findcatalogue(const std::string& applicationfolder, const std::string& datadir) {
    const std::string beside = applicationfolder + k_catalogue_file;
    std::error_code error;
    if (datadir.empty() || std::filesystem::exists(frompathtext(beside), error)) return beside;
    return topathtext(frompathtext(datadir) / k_catalogue_file);
}

std::string installeddatadir() { return VORNALT_DATA_DIR; }

}  // namespace vornalt
