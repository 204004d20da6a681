#include "base/file_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace vornalt {
namespace {

namespace fs = std::filesystem;

class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("vornalt-file-io-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(folder_, ignored);
    }
    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    // Names in the folder; a leftover temporary file would show up here.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static void put(const std::string& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }

    fs::path folder_;
};

TEST_F(FileIo, ReadsAndWritesBytesUnchanged) {
    const std::string bytes = std::string("a\r\nb\nc\rd\0e\xFF", 12);
    ASSERT_TRUE(write_file_whole(path("x.hex"), bytes).ok());
    EXPECT_EQ(read_file(path("x.hex")).value(), bytes);
    ASSERT_TRUE(write_file_whole(path("empty"), "").ok());
    EXPECT_EQ(read_file(path("empty")).value(), "");
    EXPECT_EQ(entries(), (std::vector<std::string>{"empty", "x.hex"}));
}

TEST_F(FileIo, ReplacesAnExistingFileWhole) {
    put(path("x.hex"), std::string(100000, 'o'));
    ASSERT_TRUE(write_file_whole(path("x.hex"), "new").ok());
    EXPECT_EQ(read_file(path("x.hex")).value(), "new");
    EXPECT_EQ(entries(), std::vector<std::string>{"x.hex"});
}

#if !defined(_WIN32)  // Windows keeps only a read-only flag (file_safety_test checks it)
TEST_F(FileIo, ReplacedFileKeepsItsPermissions) {
    put(path("x.hex"), "old");
    fs::permissions(path("x.hex"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(write_file_whole(path("x.hex"), "new").ok());
    EXPECT_EQ(fs::status(path("x.hex")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

TEST_F(FileIo, FailuresNameTheFileAndLeaveNothingBehind) {
    fs::create_directory(folder_ / "taken");
    put(path("taken/inside"), "keep");
    const struct {
        const char* name;
        std::string target;
        const char* reason;
    } cases[] = {
        {"missing folder", path("nowhere/x.hex"), "No such file or directory"},
        {"target is a folder", path("taken"), ""},
#if defined(_WIN32)
        {"folder is a file", path("taken/inside/x.hex"), "No such file or directory"},
#else
        {"folder is a file", path("taken/inside/x.hex"), "Not a directory"},
#endif
    };
    for (const auto& c : cases) {
        const Status status = write_file_whole(c.target, "data");
        ASSERT_FALSE(status.ok()) << c.name;
        EXPECT_NE(status.error().message.find(c.target), std::string::npos)
            << c.name << ": " << status.error().message;
        EXPECT_NE(status.error().message.find(c.reason), std::string::npos)
            << c.name << ": " << status.error().message;
        EXPECT_NE(status.error().code, 0) << c.name;
    }
    EXPECT_EQ(entries(), std::vector<std::string>{"taken"});
    EXPECT_EQ(read_file(path("taken/inside")).value(), "keep");
}

TEST_F(FileIo, ReadOnlyFolderKeepsTheOldFile) {
    put(path("x.hex"), "old");
    fs::permissions(folder_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    if (std::ofstream(path("probe"))) GTEST_SKIP() << "running with rights that ignore folder permissions";
    const Status status = write_file_whole(path("x.hex"), "new");
    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().message.find("Permission denied"), std::string::npos) << status.error().message;
    EXPECT_EQ(read_file(path("x.hex")).value(), "old");
    EXPECT_EQ(entries(), std::vector<std::string>{"x.hex"});
}

TEST_F(FileIo, ReadFailuresCarryTheReason) {
    const Result<std::string> missing = read_file(path("absent.hex"));
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().message.find(path("absent.hex")), std::string::npos);
    EXPECT_NE(missing.error().message.find("No such file or directory"), std::string::npos);
    const Result<std::string> folder = read_file(folder_.string());
    ASSERT_FALSE(folder.ok());
    EXPECT_NE(folder.error().message.find("Is a directory"), std::string::npos) << folder.error().message;
}

}  // namespace
}  // namespace vornalt
