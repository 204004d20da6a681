#include "session/session_start.h"

#include <utility>

#include "app/about_text.h"
#include "app/application_folder.h"
#include "base/numeric_value.h"

namespace vornalt {

Result<Startup> start_program() { return startup(); }

Result<Startup> start_program_with_catalogue(const std::string& path) {
    Result<DeviceCatalogue> loaded = loadcatalogue(path);
    if (!loaded) return loaded.error();
    Startup started;
    started.catalogue = std::move(loaded).value();
    if (Result<std::string> program = programpath()) {
        started.state.applicationfolder = applicationfolder(program.value(), k_windows_rules);
    }
    return started;
}

std::string_view program_version() { return programversion(); }

std::vector<ModelSummary> model_summaries(const DeviceCatalogue& catalogue) {
    const std::vector<std::string> names = modelnames(catalogue);
    std::vector<ModelSummary> models;
    models.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const DeviceRecord& record = catalogue.records[i + 1];
        models.push_back({names[i], numericvalue(record.flash), numericvalue(record.eeprom)});
    }
    return models;
}

}  // namespace vornalt
