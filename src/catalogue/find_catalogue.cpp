#include <filesystem>
#include <system_error>

#include "base/path_text.h"
#include "catalogue/catalogue.h"

#ifndef VORNALT_DATA_DIR
#error "VORNALT_DATA_DIR must name the installed data folder (set by the build)"
#endif
#ifndef VORNALT_RELATIVE_DATA_DIR
#error "VORNALT_RELATIVE_DATA_DIR must name the data folder relative to the programs' (set by the build)"
#endif

namespace vornalt {
namespace {

constexpr const char* k_catalogue_file = "devices.cfg";

std::filesystem::path frompathtext(const std::string& text) { return pathfromutf8(text); }

std::string topathtext(const std::filesystem::path& path) { return utf8frompath(path); }

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(frompathtext(path), error);
}

}  // namespace

std::vector<std::string> catalogueplaces(const std::string& applicationfolder, const std::string& datadir,
                                         const std::string& relativedatadir) {
    std::vector<std::string> places{applicationfolder + k_catalogue_file};
    if (!relativedatadir.empty()) {
        // The program's folder comes from the running program's resolved path, so dropping the
        // ".." by text reaches the same folder and gives a readable message.
        const std::filesystem::path relative = frompathtext(applicationfolder) / frompathtext(relativedatadir);
        places.push_back(topathtext((relative / k_catalogue_file).lexically_normal()));
    }
    if (!datadir.empty()) places.push_back(topathtext(frompathtext(datadir) / k_catalogue_file));
    return places;
}

std::string findcatalogue(const std::string& applicationfolder, const std::string& datadir,
                          const std::string& relativedatadir) {
    const std::vector<std::string> places = catalogueplaces(applicationfolder, datadir, relativedatadir);
    for (const std::string& place : places) {
        if (exists(place)) return place;
    }
    return datadir.empty() ? places.front() : places.back();
}

std::string installeddatadir() { return VORNALT_DATA_DIR; }

std::string installedrelativedatadir() { return VORNALT_RELATIVE_DATA_DIR; }

}  // namespace vornalt
