#pragma once
// Whole-file reading and writing.
//
// Reading takes regular files only (a device or a pipe could block for ever or never end) and
// at most a size no real file of the kind reaches, so a wrong name cannot exhaust the memory.
//
// Writing a regular file is whole or not at all: the text goes to a temporary file beside the
// target, created exclusively with the target's mode (never a setuid or setgid bit) and owner
// where the process may, and replaces the target only once complete, so a failure never destroys
// what was there before. A symbolic link is followed and its target replaced. A character device
// or a pipe (/dev/null, /dev/stdout, a FIFO) is written in place; a folder or another special
// file is refused. Temporary files of this program left beside the target by a process that
// died are removed when the next save there starts.
#include <cstddef>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "base/result.h"

namespace vornalt {

// Input caps: far beyond any real file of the kind, far below what would strain the memory.
inline constexpr std::size_t k_max_hex_bytes = std::size_t{64} << 20;
inline constexpr std::size_t k_max_catalogue_bytes = std::size_t{16} << 20;

// The file's bytes, unchanged (no line-end translation). Refuses what is not a regular file and
// a file larger than maxbytes; the message names the file and the limit.
Result<std::string> read_file(const std::string& path, std::size_t maxbytes = k_max_hex_bytes);

struct WriteOptions {
    // A read-only target is replaced only when the user said so; otherwise the write is refused
    // with an error for which isreadonlyrefusal() is true (the desktop asks, the terminal refuses).
    bool replacereadonly = false;
    // Asked while a write waits for a pipe's reader to take more (a stop signal, a closing
    // window): true ends the wait and the save fails. Without it only a signal that arrives
    // during the wait ends it.
    std::function<bool()> giveup = {};
};

// Error::code of a write refused because its target is read-only.
inline constexpr int k_readonly_refused = -1000;
inline bool isreadonlyrefusal(const Error& error) { return error.code == k_readonly_refused; }

// A file being written: to a temporary beside a regular target (published by commit()), or in
// place to a device or pipe. Dropped without commit(), the temporary goes and the target stays.
class OutputFile {
public:
    static Result<OutputFile> open(const std::string& path, WriteOptions options = {});
    OutputFile(OutputFile&&) noexcept;
    OutputFile& operator=(OutputFile&&) noexcept;
    ~OutputFile();

    // Buffered output; its errors are reported by commit().
    std::ostream& stream();
    // Everything written reaches the medium and takes the target's name. Only once.
    Status commit();
    // Where the bytes go until commit() (the temporary, or the target itself).
    const std::string& writingto() const;

private:
    struct State;
    explicit OutputFile(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// Creates or replaces the file with exactly these bytes (see above). On failure the old file
// (if any) is untouched and no temporary file is left behind; the error names the file and the
// reason.
Status write_file_whole(const std::string& path, std::string_view contents, WriteOptions options = {});

}  // namespace vornalt
