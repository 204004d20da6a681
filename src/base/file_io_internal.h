#pragma once
// What file_io.cpp shares with the operating system's half of whole-file I/O. CMake builds one
// half: file_io_posix.cpp or file_io_windows.cpp. Each half defines read_file() and the system
// functions declared at the end. Not for use outside base.
#include <cstddef>
#include <filesystem>
#include <memory>
#include <ostream>
#include <random>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "base/file_io.h"
#include "base/result.h"

namespace vornalt::file_io_internal {

// Temporaries are named ".vornalt-PID-N.tmp", so the next save can tell whose they were.
inline constexpr std::string_view k_temp_prefix = ".vornalt-";
inline constexpr std::string_view k_temp_suffix = ".tmp";

// The user's texts, the same on every system.
std::string reason(int code);
Error read_error(const std::string& path, int code);
Error not_regular_error(const std::string& path);
Error too_large_error(const std::string& path, std::size_t maxbytes);
Error write_error(const std::string& path, const std::string& why, int code);
Error readonly_refused(const std::string& path);

// A fresh temporary name of this process in folder.
std::filesystem::path temporary_beside(const std::filesystem::path& folder, std::mt19937& generator);

// Removes temporaries of this program in folder whose writer is gone: a process that no longer
// runs, or anything not touched for an hour (also traces of earlier versions). Failures are
// ignored: the cleaning is a courtesy, the save does not depend on it.
void remove_stale(const std::filesystem::path& folder);

// The open file a save writes into, behind a buffer that keeps the first error. The system's
// half supplies the writing, the flush to the medium and the closing.
class SystemFile : public std::streambuf {
public:
    SystemFile() { setp(buffer_.data(), buffer_.data() + buffer_.size()); }
    int error = 0;  // errno value of the first failure

    bool flush_all() { return drain() && error == 0; }
    // What was handed over reaches the medium: 0, or the errno value of the failure.
    virtual int sync_to_medium() = 0;
    // Closes the file; later calls do nothing. 0, or the errno value of the failure.
    virtual int close() = 0;

protected:
    // Writes a first part of the bytes and says how many; on failure sets error.
    virtual std::size_t write_some(const char* data, std::size_t size) = 0;

    int_type overflow(int_type c) override;
    int sync() override { return drain() ? 0 : -1; }

private:
    bool drain();

    std::vector<char> buffer_ = std::vector<char>(65536);
};

// Where an OutputFile stands.
struct OutputState {
    std::string target;     // the name the user gave, for messages
    std::string finalpath;  // the file that is replaced (links followed)
    std::string writing;    // the temporary, or finalpath when written in place
    bool inplace = false;
    bool keepreadonly = false;  // a read-only target replaced on request is made read-only again
    bool done = false;
    std::unique_ptr<SystemFile> file;
    std::ostream out{nullptr};

    void attach(std::unique_ptr<SystemFile> opened) {
        file = std::move(opened);
        out.rdbuf(file.get());
    }
    // Closes the file; a temporary never committed is removed.
    ~OutputState();
};

// ---- The system's half ---------------------------------------------------------------------

// Finds what a save of state.target writes into and opens it: a temporary beside a regular
// target (removing stale ones first), or a device or pipe in place. Refuses a folder, another
// special file and, unless the options allow it, a read-only target.
Status open_output(OutputState& state, WriteOptions options);
// The complete temporary takes the target's name.
Status publish(OutputState& state);
void remove_file(const std::string& path);
long current_process();
// True only when the process is known to have ended.
bool process_gone(long pid);

}  // namespace vornalt::file_io_internal
