// The shipped configuration fields against the maker's include files that gputils installs
// (p16f877a.inc ...): every field and value of every model, and every constant of the files.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "base/ascii_case.h"
#include "catalogue/catalogue.h"

namespace vornalt {
namespace {

// name -> value of every "_NAME EQU H'xxxx'" line, per configuration word (the "CONFIG" and
// "CONFIG1" sections are word 1, "CONFIG2" word 2). The files' values are AND masks: the
// field's bits at the named value, every other bit 1.
using IncWords = std::map<std::int32_t, std::map<std::string, std::int32_t>>;

IncWords readinc(const std::string& model) {
    IncWords words;
    std::ifstream file(std::string(VORNALT_GPUTILS_HEADERS) + "/p" + asciilower(model) + ".inc");
    const std::regex section(R"(^;-+ CONFIG(\d?) Options)");
    const std::regex constant(R"(^_(\w+)\s+EQU\s+H'([0-9A-Fa-f]+)')");
    std::int32_t word = 0;
    std::string line;
    std::smatch match;
    while (std::getline(file, line)) {
        if (std::regex_search(line, match, section)) {
            word = match[1].str() == "2" ? 2 : 1;
        } else if (line.starts_with(";-")) {
            word = 0;
        } else if (word != 0 && std::regex_search(line, match, constant)) {
            words[word][match[1].str()] = std::stoi(match[2].str(), nullptr, 16);
        }
    }
    return words;
}

TEST(ConfigFieldsInc, EveryModelMatchesTheMakersIncludeFile) {
    Result<DeviceCatalogue> loaded = loadcatalogue(VORNALT_SHIPPED_CATALOGUE);
    ASSERT_TRUE(loaded) << loaded.error().message;
    const DeviceCatalogue& catalogue = loaded.value();
    EXPECT_TRUE(catalogue.configfields.warnings.empty()) << catalogue.configfields.warnings.front();

    // One model at a time, so a fault in one still lets every other be checked.
    const auto checkmodel = [&](std::int32_t k) {
        AppliedModel model;
        MemoryImage image;
        ASSERT_TRUE(applymodel(catalogue, k, model, image));
        SCOPED_TRACE(model.modelname);
        const IncWords inc = readinc(model.modelname);
        ASSERT_FALSE(inc.empty()) << "no include file";
        ASSERT_FALSE(model.configfields.empty());

        const ConfigWords erased{model.config1erased, model.config2erased};
        const ConfigWords implemented{model.config1mask, model.config2mask};
        for (const ConfigField& field : model.configfields) {
            SCOPED_TRACE(field.name);
            ASSERT_TRUE(inc.contains(field.word)) << "no CONFIG" << field.word << " in the include file";
            EXPECT_EQ(field.mask & ~fieldbits(field, implemented), 0) << "bits outside configmask";
            EXPECT_NE(currentvalue(field, erased), nullptr) << "the erased word names no value";
            for (const ConfigValue& value : field.values) {
                const auto constant = inc.at(field.word).find(field.name + "_" + value.name);
                ASSERT_NE(constant, inc.at(field.word).end()) << value.name << " is not in the include file";
                EXPECT_EQ(constant->second, (0x3FFF & ~field.mask) | value.bits) << value.name;
            }
        }
        // Every constant (aliases such as _HS_OSC included) is one named value of one field.
        for (const auto& [word, constants] : inc) {
            for (const auto& [name, andmask] : constants) {
                bool named = false;
                for (const ConfigField& field : model.configfields) {
                    if (field.word != word || (andmask | field.mask) != 0x3FFF) continue;
                    const ConfigWords words{andmask, andmask};
                    named = named || currentvalue(field, words) != nullptr;
                }
                EXPECT_TRUE(named) << "_" << name << " (CONFIG" << word << ") names no field value";
            }
        }
    };
    for (std::int32_t k = 1; k <= catalogue.modelcount; ++k) checkmodel(k);
}

}  // namespace
}  // namespace vornalt
