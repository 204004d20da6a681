// What saving and reading do with paths that are not plain files, with files of other
// permissions, with leftovers of killed processes, and with files far too large.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/file_io.h"
#include "base/file_lock.h"

namespace vornalt {
namespace {

namespace fs = std::filesystem;

class FileSafety : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("vornalt-file-safety-" + std::to_string(std::random_device{}()));
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string path(const std::string& name) const { return (folder_ / name).string(); }
    static void put(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }
    static std::string get(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
#if !defined(_WIN32)
    static mode_t modeof(const std::string& file) {
        struct stat info {};
        EXPECT_EQ(::lstat(file.c_str(), &info), 0) << file;
        return info.st_mode;
    }
#endif
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

#if !defined(_WIN32)  // devices, pipes, links, modes and process ids are POSIX matters
TEST_F(FileSafety, DevicesAndPipesAreWrittenInPlace) {
    ASSERT_TRUE(write_file_whole("/dev/null", "into nothing").ok());
    EXPECT_TRUE(S_ISCHR(modeof("/dev/null")));

    const std::string fifo = path("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Nobody reading: refused at once instead of waiting in open() for ever.
    const Status unread = write_file_whole(fifo, "lost");
    ASSERT_FALSE(unread.ok());
    EXPECT_NE(unread.error().message.find("nobody is reading " + fifo), std::string::npos) << unread.error().message;

    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const Status written = write_file_whole(fifo, "through the pipe");
    std::string received(64, '\0');
    const ssize_t got = ::read(reader, received.data(), received.size());
    ::close(reader);
    ASSERT_TRUE(written.ok()) << written.error().message;
    received.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(S_ISFIFO(modeof(fifo)));
    EXPECT_EQ(entries(), std::vector<std::string>{"pipe"});
}
#endif

#if !defined(_WIN32)
// A stop that came just before a write began waiting for a stalled pipe's reader (no signal cuts
// the wait short): the wait ends at the give-up check and the save fails.
TEST_F(FileSafety, AWaitForAStalledPipeEndsAtTheGiveUpCheck) {
    ASSERT_EQ(::mkfifo(path("stalled").c_str(), 0600), 0);
    const int reader = ::open(path("stalled").c_str(), O_RDONLY | O_NONBLOCK);
    int asked = 0;
    const Status written = write_file_whole(path("stalled"), std::string(std::size_t{1} << 20, 'x'),
                                            WriteOptions{.giveup = [&asked] { return ++asked == 3; }});
    ::close(reader);
    ASSERT_FALSE(written.ok());
    EXPECT_NE(written.error().message.find("stopped"), std::string::npos) << written.error().message;
    EXPECT_EQ(asked, 3);
}
#endif

#if !defined(_WIN32)  // devices, pipes, links, modes and process ids are POSIX matters
TEST_F(FileSafety, ALinkIsFollowedAndItsTargetReplaced) {
    fs::create_directory(folder_ / "real");
    put(path("real/chip.hex"), "old");
    fs::create_symlink("real/chip.hex", folder_ / "link.hex");         // relative
    fs::create_symlink(folder_ / "link.hex", folder_ / "link2.hex");    // a link to a link
    fs::create_symlink("real/new.hex", folder_ / "dangling.hex");      // target not there yet
    ASSERT_TRUE(write_file_whole(path("link2.hex"), "new").ok());
    ASSERT_TRUE(write_file_whole(path("dangling.hex"), "fresh").ok());
    EXPECT_TRUE(S_ISLNK(modeof(path("link.hex"))));
    EXPECT_TRUE(S_ISLNK(modeof(path("link2.hex"))));
    EXPECT_TRUE(S_ISLNK(modeof(path("dangling.hex"))));
    EXPECT_EQ(get(path("real/chip.hex")), "new");
    EXPECT_EQ(get(path("real/new.hex")), "fresh");
}
#endif

TEST_F(FileSafety, AFolderOrSocketIsRefusedWithAClearMessage) {
    fs::create_directory(folder_ / "dir");
    const Status folder = write_file_whole(path("dir"), "x");
    ASSERT_FALSE(folder.ok());
    EXPECT_NE(folder.error().message.find("it is a folder"), std::string::npos) << folder.error().message;
    EXPECT_TRUE(fs::is_directory(folder_ / "dir"));
}

#if !defined(_WIN32)  // devices, pipes, links, modes and process ids are POSIX matters
TEST_F(FileSafety, TheTemporaryIsNewWithTheTargetsModeFromTheStartAndNoSetuidBit) {
    put(path("x.hex"), "old");
    ::chmod(path("x.hex").c_str(), 06750);
    // A file planted under the old temporary name, pointing elsewhere, is never touched.
    put(path("victim"), "mine");
    fs::create_symlink(folder_ / "victim", folder_ / "x.hex.part");
    Result<OutputFile> file = OutputFile::open(path("x.hex"));
    ASSERT_TRUE(file.ok()) << file.error().message;
    EXPECT_EQ(modeof(file.value().writingto()) & 07777, 0750u);
    EXPECT_NE(file.value().writingto(), path("x.hex"));
    EXPECT_EQ(fs::path(file.value().writingto()).parent_path(), folder_);
    file.value().stream() << "new";
    ASSERT_TRUE(file.value().commit().ok());
    EXPECT_EQ(get(path("x.hex")), "new");
    EXPECT_EQ(modeof(path("x.hex")) & 07777, 0750u);
    EXPECT_EQ(get(path("victim")), "mine");
}
#endif

TEST_F(FileSafety, DroppedWithoutCommitLeavesTheOldFileAndNoTemporary) {
    put(path("x.hex"), "old");
    {
        Result<OutputFile> file = OutputFile::open(path("x.hex"));
        ASSERT_TRUE(file.ok());
        file.value().stream() << "half";
    }
    EXPECT_EQ(get(path("x.hex")), "old");
    EXPECT_EQ(entries(), std::vector<std::string>{"x.hex"});
}

TEST_F(FileSafety, AReadOnlyFileIsReplacedOnlyWhenAskedAndStaysReadOnly) {
    put(path("x.hex"), "old");
    fs::permissions(path("x.hex"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Status refused = write_file_whole(path("x.hex"), "new");
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(isreadonlyrefusal(refused.error()));
    EXPECT_NE(refused.error().message.find("read-only"), std::string::npos);
    EXPECT_EQ(get(path("x.hex")), "old");
    ASSERT_TRUE(write_file_whole(path("x.hex"), "new", WriteOptions{.replacereadonly = true}).ok());
    EXPECT_EQ(get(path("x.hex")), "new");
    EXPECT_EQ(fs::status(path("x.hex")).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_FALSE(isreadonlyrefusal(Error{"other", EACCES}));
}

TEST_F(FileSafety, InputsThatAreNotFilesOrAreTooLargeAreRefused) {
    put(path("big.hex"), std::string(101, 'x'));
    const Result<std::string> big = read_file(path("big.hex"), 100);
    ASSERT_FALSE(big.ok());
    EXPECT_NE(big.error().message.find("larger than 100 bytes"), std::string::npos) << big.error().message;
    EXPECT_TRUE(read_file(path("big.hex"), 101).ok());

#if !defined(_WIN32)
    const Result<std::string> zero = read_file("/dev/zero");
    ASSERT_FALSE(zero.ok());
    EXPECT_NE(zero.error().message.find("not a regular file"), std::string::npos) << zero.error().message;

    // A FIFO with no writer would block an open for reading for ever.
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    const Result<std::string> pipe = read_file(path("pipe"));
    ASSERT_FALSE(pipe.ok());
    EXPECT_NE(pipe.error().message.find("not a regular file"), std::string::npos);
#endif

    EXPECT_NE(read_file(path("big.hex"), k_max_hex_bytes).ok(), false);
    EXPECT_EQ(k_max_hex_bytes, 64u << 20);
    EXPECT_EQ(k_max_catalogue_bytes, 16u << 20);
}

#if !defined(_WIN32)  // devices, pipes, links, modes and process ids are POSIX matters
TEST_F(FileSafety, StaleTemporariesOfDeadProcessesGoWhenTheNextSaveStarts) {
    const auto backdate = [](const std::string& file) {
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(2));
    };
    const std::string mine = ".vornalt-" + std::to_string(::getpid()) + "-7.tmp";
    put(path(".vornalt-999999999-1.tmp"), "dead process");  // no such process can exist
    put(path(mine), "this process, in use");
    put(path(".vornalt-123456.tmp"), "an old one without a process id");
    backdate(path(".vornalt-123456.tmp"));
    put(path(".vornalt-55.tmp"), "recent, writer unknown");
    put(path("old.vcd.part"), "$version Vornalt line trace $end\n");  // of a killed run
    backdate(path("old.vcd.part"));
    put(path("theirs.vcd.part"), "$version another recorder $end\n");
    backdate(path("theirs.vcd.part"));
    put(path("live.vcd.part"), "trace being written");
    put(path("notes.tmp"), "not ours");
    backdate(path("notes.tmp"));
    ASSERT_TRUE(write_file_whole(path("x.hex"), "data").ok());
    std::vector<std::string> kept{".vornalt-55.tmp", mine, "live.vcd.part", "notes.tmp", "theirs.vcd.part", "x.hex"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(entries(), kept);
}
#endif

TEST_F(FileSafety, ASecondLockOnTheSameFileIsRefusedNamingTheHolder) {
    const std::string lock = lockfilefor(path("chip.hex"));
    {
        Result<FileLock> first = FileLock::take(lock, "The chip file");
        ASSERT_TRUE(first.ok()) << first.error().message;
        Result<FileLock> second = FileLock::take(lock, "The chip file");
        ASSERT_FALSE(second.ok());
#if defined(_WIN32)
        // A Windows lock is a file opened without sharing: nobody can read the holder's id.
        EXPECT_EQ(second.error().message.rfind("The chip file is in use by another process", 0), 0u)
#else
        EXPECT_EQ(second.error().message.rfind("The chip file is in use by process " + std::to_string(::getpid()), 0), 0u)
#endif
            << second.error().message;
    }
    EXPECT_TRUE(FileLock::take(lock, "The chip file").ok());  // released with the first
}

}  // namespace
}  // namespace vornalt
