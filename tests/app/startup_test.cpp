#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/application_folder.h"
#include "app/startup.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using vornalt::testing::TempFolder;

constexpr const char* k_two_models = "model:pic16f84a\r\nflash:1024\r\nmodel:pic16f628a\r\nflash:2048\r\n";

TEST(Startup, FindsTheCatalogueBesideTheProgramFirst) {
    TempFolder program;
    TempFolder data;
    program.write("devices.cfg", k_two_models);
    data.write("devices.cfg", "model:other\n");

    const Result<Startup> started = startup(program.folder() + "vornalt", false, data.path().string());
    ASSERT_TRUE(started.ok()) << started.error().message;
    EXPECT_EQ(started.value().state.applicationfolder, program.folder());
    EXPECT_EQ(started.value().state.windowtitle, "Tremwick Vornalt");
    EXPECT_EQ(started.value().catalogue.path, program.folder() + "devices.cfg");
    EXPECT_EQ(modelnames(started.value().catalogue), (std::vector<std::string>{"pic16f84a", "pic16f628a"}));
}

TEST(Startup, FallsBackToTheInstalledCatalogue) {
    TempFolder program;
    TempFolder data;
    data.write("devices.cfg", k_two_models);

    const Result<Startup> started = startup(program.folder() + "vornalt", false, data.folder());
    ASSERT_TRUE(started.ok()) << started.error().message;
    EXPECT_EQ(started.value().state.applicationfolder, program.folder()) << "the folder is the program's still";
    EXPECT_EQ(started.value().catalogue.modelcount, 2);
}

TEST(Startup, FailsWithAMessageThatSaysWhereItLooked) {
    const struct {
        const char* name;
        const char* beside;  // nullptr: no file there
        const char* installed;
        std::vector<std::string> mentions;
    } cases[] = {
        {"no catalogue anywhere", nullptr, nullptr, {"/program/devices.cfg", "/data/devices.cfg", "No such file"}},
        {"beside the program, without a model", "flash:1\n", "model:x\n", {"/program/devices.cfg", "no device model"}},
        {"installed, without a model", nullptr, "# empty\n", {"/data/devices.cfg", "no device model"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder root;
        const std::string programfolder = root.folder() + "program";
        const std::string datafolder = root.folder() + "data";
        std::filesystem::create_directories(programfolder);
        std::filesystem::create_directories(datafolder);
        if (c.beside) root.write("program/devices.cfg", c.beside);
        if (c.installed) root.write("data/devices.cfg", c.installed);

        const Result<Startup> started = startup(programfolder + "/vornalt", false, datafolder);
        ASSERT_FALSE(started.ok());
        for (const std::string& text : c.mentions) {
            EXPECT_NE(vornalt::testing::forwardslashes(started.error().message).find(text), std::string::npos)
                << "'" << text << "' missing from: " << started.error().message;
        }
    }
}

TEST(Startup, AnInstallationMovedToAnotherPrefixFindsItsOwnCatalogue) {
    TempFolder prefix;
    TempFolder configured;  // the prefix it was built for, holding another catalogue
    prefix.write("share/vornalt/devices.cfg", k_two_models);
    configured.write("share/vornalt/devices.cfg", "model:other\n");
    std::filesystem::create_directories(prefix.path() / "bin");

    const Result<Startup> started =
        startup(prefix.folder() + "bin/vornalt", false, configured.folder() + "share/vornalt", "../share/vornalt");
    ASSERT_TRUE(started.ok()) << started.error().message;
    EXPECT_EQ(vornalt::testing::forwardslashes(started.value().catalogue.path), prefix.folder() + "share/vornalt/devices.cfg");
    EXPECT_EQ(started.value().catalogue.modelcount, 2);
}

TEST(Startup, AMissingCatalogueNamesEveryPlaceInOrder) {
    TempFolder root;
    std::filesystem::create_directories(root.path() / "bin");
    const Result<Startup> started = startup(root.folder() + "bin/vornalt", false, root.folder() + "fixed", "../share/vornalt");
    ASSERT_FALSE(started.ok());
    const std::string message = vornalt::testing::forwardslashes(started.error().message);
    const std::size_t beside = message.find("(" + root.folder() + "bin/devices.cfg) first");
    const std::size_t relative = message.find("then at " + root.folder() + "share/vornalt/devices.cfg");
    const std::size_t fixed = message.find("then at " + root.folder() + "fixed/devices.cfg");
    ASSERT_NE(beside, std::string::npos) << message;
    ASSERT_NE(relative, std::string::npos) << message;
    ASSERT_NE(fixed, std::string::npos) << message;
    EXPECT_LT(beside, relative);
    EXPECT_LT(relative, fixed);
}

TEST(Startup, TheRunningProgramStartsFromItsOwnFolder) {
    // The test programs lie beside the build's copy of the shipped catalogue, if there is one.
    const Result<std::string> program = programpath();
    ASSERT_TRUE(program.ok()) << program.error().message;
    const std::string folder = applicationfolder(program.value(), k_windows_rules);
    const Result<Startup> started = startup();
    const std::vector<std::string> places = catalogueplaces(folder, installeddatadir(), installedrelativedatadir());
    if (std::none_of(places.begin(), places.end(), [](const std::string& place) { return std::filesystem::exists(place); })) {
        ASSERT_FALSE(started.ok());
        EXPECT_NE(started.error().message.find(folder + "devices.cfg"), std::string::npos) << started.error().message;
        return;
    }
    ASSERT_TRUE(started.ok()) << started.error().message;
    EXPECT_EQ(started.value().state.applicationfolder, folder);
}

}  // namespace
}  // namespace vornalt
