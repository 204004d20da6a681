#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

using vornalt::testing::TempFolder;

DeviceCatalogue loadtext(const TempFolder& folder, const std::string& text) {
    const std::string path = folder.write("devices.cfg", text);
    Result<DeviceCatalogue> loaded = loadcatalogue(path);
    EXPECT_TRUE(loaded.ok()) << (loaded.ok() ? "" : loaded.error().message);
    return loaded.ok() ? std::move(loaded).value() : DeviceCatalogue{};
}

TEST(LoadCatalogue, KeyLinesFillTheCurrentRecordAndOthersAreSkipped) {
    TempFolder folder;
    const DeviceCatalogue catalogue = loadtext(folder,
                                               "flash:111\n"              // 1: before any model -> record 0
                                               "# a comment\n"            // 2
                                               "model:pic16f84a\n"        // 3: record 1
                                               "flash: 1024\n"            // 4: rest kept untrimmed
                                               "flash:2048\n"             // 5: a second line replaces
                                               "Flash:9\n"                // 6: wrong case, skipped
                                               " eeprom:9\n"              // 7: leading blank, skipped
                                               "eeprom:64\n"              // 8
                                               "configerased:3FFF,3FFF\n" // 9
                                               "Model:ghost\n"            // 10: not a key
                                               "eeprom:128\n"             // 11: still record 1
                                               " model:ghost\n"           // 12: not a key
                                               "progtime:10ms\n"          // 13: still record 1
                                               "model\n"                  // 14: no colon, skipped
                                               "unknown:1\n"              // 15
                                               "model:\n"                 // 16: record 2, empty name
                                               "program:begin,end,\n"     // 17
                                               "\n"                       // 18
                                               "model:Second: Part\n"     // 19: record 3
                                               "read:model:x\n");         // 20
    ASSERT_EQ(catalogue.modelcount, 3);
    ASSERT_EQ(catalogue.records.size(), 4u);

    DeviceRecord zero;
    zero.flash = "111";
    EXPECT_EQ(catalogue.records[0], zero);

    DeviceRecord first;
    first.model = "pic16f84a";
    first.line = 3;
    first.flash = "2048";
    first.eeprom = "128";
    first.configerased = "3FFF,3FFF";
    first.progtime = "10ms";
    EXPECT_EQ(catalogue.records[1], first);

    DeviceRecord second;
    second.line = 16;
    second.program = "begin,end,";
    EXPECT_EQ(catalogue.records[2], second);

    DeviceRecord third;
    third.model = "Second: Part";
    third.line = 19;
    third.read = "model:x";
    EXPECT_EQ(catalogue.records[3], third);

    EXPECT_EQ(modelnames(catalogue), (std::vector<std::string>{"pic16f84a", "", "Second: Part"}));
}

TEST(LoadCatalogue, EveryKeyReachesItsOwnField) {
    TempFolder folder;
    const DeviceCatalogue catalogue = loadtext(folder,
                                               "model:m\nflash:a\neeprom:b\nconfigerased:c\nconfig2used:d\n"
                                               "voltageseq:e\nprogtime:f\nerase:g\nprogram:h\nread:i\n"
                                               "blankcheck:j\nverify:k\n");
    ASSERT_EQ(catalogue.modelcount, 1);
    const DeviceRecord& r = catalogue.records[1];
    const std::vector<std::string> got{r.model,      r.flash,    r.eeprom, r.configerased,
                                       r.config2used, r.voltageseq, r.progtime, r.erase,
                                       r.program,    r.read,     r.blankcheck, r.verify};
    EXPECT_EQ(got, (std::vector<std::string>{"m", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"}));
}

TEST(LoadCatalogue, AnyLineEndingGivesTheSameRecordsAndLineNumbers) {
    const struct {
        const char* name;
        std::string text;
        std::int32_t secondline;
        std::string secondflash;
    } cases[] = {
        {"LF", "model:a\nflash:1\nmodel:b\nflash:2\n", 3, "2"},
        {"CR LF", "model:a\r\nflash:1\r\nmodel:b\r\nflash:2\r\n", 3, "2"},
        {"lone CR", "model:a\rflash:1\rmodel:b\rflash:2\r", 3, "2"},
        {"no final ending", "model:a\nflash:1\nmodel:b\nflash:2", 3, "2"},
        {"mixed", "model:a\r\nflash:1\rmodel:b\nflash:2\r\n", 3, "2"},
        {"LF CR is two endings", "model:a\n\rflash:1\nmodel:b\nflash:2", 4, "2"},
        {"CR CR LF is two endings", "model:a\r\r\nflash:1\nmodel:b\r\r\nflash:2", 4, "2"},
        {"byte order mark", "\xEF\xBB\xBFmodel:a\nflash:1\nmodel:b\nflash:2\n", 3, "2"},
        {"tab after key kept", "model:a\nflash:1\nmodel:b\nflash:\t2\n", 3, "\t2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const DeviceCatalogue catalogue = loadtext(folder, c.text);
        ASSERT_EQ(catalogue.modelcount, 2);
        EXPECT_EQ(catalogue.records[1].model, "a");
        EXPECT_EQ(catalogue.records[1].flash, "1");
        EXPECT_EQ(catalogue.records[1].line, 1);
        EXPECT_EQ(catalogue.records[2].model, "b");
        EXPECT_EQ(catalogue.records[2].flash, c.secondflash);
        EXPECT_EQ(catalogue.records[2].line, c.secondline);
    }
}

TEST(LoadCatalogue, ACatalogueWithoutAModelIsAnErrorNamingTheFile) {
    const char* texts[] = {
        "",
        "\r\n\r\n",
        "flash:8192\neeprom:256\n",
        "Model:PIC16F84A\n model:PIC16F84A\nMODEL:X\n",
        "# model:commented out\n",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        TempFolder folder;
        const std::string path = folder.write("devices.cfg", text);
        const Result<DeviceCatalogue> loaded = loadcatalogue(path);
        ASSERT_FALSE(loaded.ok());
        EXPECT_NE(loaded.error().message.find(path), std::string::npos) << loaded.error().message;
        EXPECT_NE(loaded.error().message.find("no device model"), std::string::npos) << loaded.error().message;
    }
}

TEST(LoadCatalogue, AnUnreadableCatalogueNamesTheFileAndTheSystemsReason) {
    TempFolder folder;
    const struct {
        const char* name;
        std::string path;
        int code;
    } cases[] = {
        {"missing file", folder.folder() + "devices.cfg", ENOENT},
        {"missing folder", folder.folder() + "nowhere/devices.cfg", ENOENT},
        {"a folder", folder.folder(), EISDIR},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result<DeviceCatalogue> loaded = loadcatalogue(c.path);
        ASSERT_FALSE(loaded.ok());
        EXPECT_EQ(loaded.error().code, c.code);
        const std::string& message = loaded.error().message;
        EXPECT_NE(message.find(c.path), std::string::npos) << message;
        EXPECT_NE(message.find(std::strerror(c.code)), std::string::npos) << message;
        EXPECT_NE(message.find("start the program again"), std::string::npos) << message;
    }
}

TEST(FindCatalogue, PrefersTheApplicationFolderThenTheDataFolder) {
    TempFolder application;
    TempFolder data;
    using vornalt::testing::forwardslashes;
    const std::string datafile = data.folder() + "devices.cfg";

    EXPECT_EQ(forwardslashes(findcatalogue(application.folder(), data.path().string())), datafile) << "nothing beside the program";
    EXPECT_EQ(forwardslashes(findcatalogue(application.folder(), data.folder())), datafile) << "data folder with separator";
    EXPECT_EQ(findcatalogue(application.folder(), ""), application.folder() + "devices.cfg")
        << "no data folder known: the program's own folder is the only place";

    const std::string beside = application.write("devices.cfg", "model:x\n");
    EXPECT_EQ(findcatalogue(application.folder(), data.folder()), forwardslashes(beside));
}

// An installation: <root>/bin holds the program, <root>/share/vornalt the data, and the folder
// fixed at build time lies elsewhere.
TEST(FindCatalogue, LooksBesideTheProgramThenRelativeToItThenInTheFixedFolder) {
    const struct {
        const char* name;
        bool beside, relative, fixed;
        const char* expected;  // "beside", "relative" or "fixed"
    } cases[] = {
        {"all three", true, true, true, "beside"},
        {"beside only", true, false, false, "beside"},
        {"relative and fixed", false, true, true, "relative"},
        {"relative only", false, true, false, "relative"},
        {"fixed only", false, false, true, "fixed"},
        {"none: the fixed one, so the message names it", false, false, false, "fixed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder root;
        std::filesystem::create_directories(root.path() / "bin");
        const std::string programfolder = root.folder() + "bin/";
        const std::string fixedfolder = root.folder() + "fixed";
        const std::string places[] = {programfolder + "devices.cfg", root.folder() + "share/vornalt/devices.cfg",
                                      fixedfolder + "/devices.cfg"};
        if (c.beside) root.write("bin/devices.cfg", "model:a\n");
        if (c.relative) root.write("share/vornalt/devices.cfg", "model:b\n");
        if (c.fixed) root.write("fixed/devices.cfg", "model:c\n");

        const std::string expected = std::string(c.expected) == "beside"     ? places[0]
                                     : std::string(c.expected) == "relative" ? places[1]
                                                                             : places[2];
        EXPECT_EQ(vornalt::testing::forwardslashes(findcatalogue(programfolder, fixedfolder, "../share/vornalt")), expected);
        std::vector<std::string> found = catalogueplaces(programfolder, fixedfolder, "../share/vornalt");
        for (std::string& place : found) place = vornalt::testing::forwardslashes(place);
        EXPECT_EQ(found, (std::vector<std::string>{places[0], places[1], places[2]}));
    }
}

TEST(FindCatalogue, PlacesNotKnownAreLeftOut) {
    TempFolder root;
    const std::string programfolder = root.folder();
    EXPECT_EQ(catalogueplaces(programfolder, ""), (std::vector<std::string>{programfolder + "devices.cfg"}));
    std::vector<std::string> places = catalogueplaces(programfolder, "", "data");
    for (std::string& place : places) place = vornalt::testing::forwardslashes(place);
    EXPECT_EQ(places, (std::vector<std::string>{programfolder + "devices.cfg", programfolder + "data/devices.cfg"}));
    EXPECT_EQ(findcatalogue(programfolder, "", "data"), programfolder + "devices.cfg")
        << "no fixed folder: a missing catalogue is reported beside the program";
}

TEST(FindCatalogue, TheInstalledRelativeFolderLeadsFromTheProgramsToTheData) {
    const std::filesystem::path relative(installedrelativedatadir());
    EXPECT_TRUE(relative.is_relative()) << installedrelativedatadir();
    EXPECT_EQ(relative.filename(), "vornalt");
}

TEST(FindCatalogue, InstalledDataFolderIsAnAbsolutePath) {
#if defined(_WIN32)
    EXPECT_EQ(installeddatadir(), "") << "a Windows program has no fixed data folder";
    return;
#endif
    EXPECT_TRUE(std::filesystem::path(installeddatadir()).is_absolute()) << installeddatadir();
}

}  // namespace
}  // namespace vornalt

namespace vornalt {
namespace {

// A record costs hundreds of bytes however short its lines: 16 MiB of bare "model:" lines used
// to take gigabytes. The limit is checked while reading, so such a file is never held whole.
TEST(LoadCatalogueLimits, MoreModelsThanTheLimitAreAnErrorNamingTheFile) {
    std::string text;
    for (std::int32_t k = 0; k < k_max_catalogue_models; ++k) text += "model:m\n";
    const std::string atlimit = text;
    text += "model:one too many\nflash:1024\n";
    const Result<DeviceCatalogue> refused = parsecatalogue(text, "/x/devices.cfg");
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().message.find("/x/devices.cfg"), std::string::npos) << refused.error().message;
    EXPECT_NE(refused.error().message.find(std::to_string(k_max_catalogue_models)), std::string::npos);

    const Result<DeviceCatalogue> loaded = parsecatalogue(atlimit, "/x/devices.cfg");
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.value().modelcount, k_max_catalogue_models);
}

// The warnings walk a script without splitting it, and say the same as before about its ends
// and waits, also for a script too long to be applied.
TEST(LoadCatalogueLimits, AScriptTooLongToApplyIsStillCheckedForItsEndAndWaits) {
    std::string script = "BEGIN,w20000";
    for (std::size_t i = 0; i < k_max_script_lines; ++i) script += ",s06";
    const Result<DeviceCatalogue> loaded =
        parsecatalogue("model:m\nflash:1024\nprogtime:4\nvoltageseq:vddvpp\nconfigerased:3FFF,3FFF\nerase:" + script +
                           "\nprogram:begin,End,\nread:begin,end\nblankcheck:,\nverify:end,W11000",
                       "devices.cfg");
    ASSERT_TRUE(loaded.ok());
    const std::vector<std::string>& w = loaded.value().warnings;
    ASSERT_EQ(w.size(), 5u) << ::testing::PrintToString(w);
    EXPECT_NE(w[0].find("erase script does not end"), std::string::npos) << w[0];
    EXPECT_NE(w[1].find("erase script waits 20000 ms"), std::string::npos) << w[1];
    EXPECT_NE(w[2].find("blankcheck script does not end"), std::string::npos) << w[2];
    EXPECT_NE(w[3].find("verify script does not end"), std::string::npos) << w[3];
    EXPECT_NE(w[4].find("verify script waits 11000 ms (\"w11000\")"), std::string::npos) << w[4];
}

}  // namespace
}  // namespace vornalt
