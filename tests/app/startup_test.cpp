#include <gtest/gtest.h>

#include <string>

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
            EXPECT_NE(started.error().message.find(text), std::string::npos)
                << "'" << text << "' missing from: " << started.error().message;
        }
    }
}

TEST(Startup, TheRunningProgramStartsFromItsOwnFolder) {
    // The test programs lie beside the build's copy of the shipped catalogue, if there is one.
    const Result<std::string> program = programpath();
    ASSERT_TRUE(program.ok()) << program.error().message;
    const std::string folder = applicationfolder(program.value(), k_windows_rules);
    const Result<Startup> started = startup();
    if (!std::filesystem::exists(folder + "devices.cfg") && !std::filesystem::exists(std::filesystem::path(installeddatadir()) / "devices.cfg")) {
        ASSERT_FALSE(started.ok());
        EXPECT_NE(started.error().message.find(folder + "devices.cfg"), std::string::npos) << started.error().message;
        return;
    }
    ASSERT_TRUE(started.ok()) << started.error().message;
    EXPECT_EQ(started.value().state.applicationfolder, folder);
}

}  // namespace
}  // namespace vornalt
