#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/application_folder.h"

namespace vornalt {
namespace {

struct FolderCase {
    std::string text;
    bool windowsrules;
    std::string expected;
};

TEST(ApplicationFolder, FolderGetsOneTrailingSeparatorAndWindowsLowerCase) {
    const FolderCase cases[] = {
        {R"(C:\Tools\PP)", true, R"(c:\tools\pp\)"},
        {R"(C:\)", true, R"(c:\)"},
        {R"(C:\Tools\PP\)", true, R"(c:\tools\pp\)"},
        {"C:/Tools/PP", true, R"(c:\tools\pp\)"},
        {R"(\\Server\Share\Bin)", true, R"(\\server\share\bin\)"},
        {"", true, R"(.\)"},
        {"/opt/Vornalt/bin", false, "/opt/Vornalt/bin/"},
        {"/opt/Vornalt/bin/", false, "/opt/Vornalt/bin/"},
        {"/", false, "/"},
        {"", false, "./"},
        {R"(/srv/odd\Name)", false, R"(/srv/odd\Name/)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + (c.windowsrules ? " (Windows)" : " (POSIX)"));
        EXPECT_EQ(folderwithseparator(c.text, c.windowsrules), c.expected);
    }
}

TEST(ApplicationFolder, IsTheFolderOfTheProgramFile) {
    const FolderCase cases[] = {
        {R"(C:\Tools\PP\PP.EXE)", true, R"(c:\tools\pp\)"},
        {R"(C:\Vornalt.exe)", true, R"(c:\)"},
        {"C:/Program Files/Tremwick/Vornalt.exe", true, R"(c:\program files\tremwick\)"},
        {"D:\\Caf\xC3\x89\\VORNALT.EXE", true, "d:\\caf\xC3\x89\\"},
        {"vornalt.exe", true, R"(.\)"},
        {"/opt/Vornalt/bin/vornalt", false, "/opt/Vornalt/bin/"},
        {"/vornalt", false, "/"},
        {R"(/home/u/a\b/vornalt)", false, R"(/home/u/a\b/)"},
        {"vornalt", false, "./"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + (c.windowsrules ? " (Windows)" : " (POSIX)"));
        EXPECT_EQ(applicationfolder(c.text, c.windowsrules), c.expected);
    }
}

TEST(ApplicationFolder, ProgramPathNamesThisTestProgram) {
    const Result<std::string> path = programpath();
    ASSERT_TRUE(path.ok()) << path.error().message;
    const std::filesystem::path file(path.value());
    EXPECT_TRUE(file.is_absolute()) << path.value();
    EXPECT_EQ(file.stem().string(), "app_tests");
    EXPECT_TRUE(std::filesystem::is_regular_file(file)) << path.value();
}

TEST(ApplicationFolder, FirstDialogsStartAtHomeWhenTheProgramLivesInASystemFolder) {
    struct Case {
        std::string lastpath, appfolder, home;
        bool windowsrules;
        std::string expected;
    };
    const Case cases[] = {
        {"/usr/bin/", "/usr/bin/", "/home/ann", false, "/home/ann/"},
        {"c:\\program files\\vornalt\\", "c:\\program files\\vornalt\\", "C:\\Users\\ann", true, "c:\\users\\ann\\"},
        {"/home/ann/src/", "/usr/bin/", "/home/ann", false, "/home/ann/src/"},        // a saved last path
        {"/home/ann/tools/", "/home/ann/tools/", "/home/ann", false, "/home/ann/tools/"},  // the user's own folder
        {"/usr/bin/", "/usr/bin/", "", false, "/usr/bin/"},                          // no home known
    };
    for (const Case& c : cases) {
        EXPECT_EQ(firstdialogfolder(c.lastpath, c.appfolder, c.home, c.windowsrules), c.expected) << c.appfolder;
    }
}

}  // namespace
}  // namespace vornalt
