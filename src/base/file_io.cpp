#include "base/file_io.h"
#include "base/file_io_internal.h"
#include "base/path_text.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <system_error>

namespace vornalt {
namespace file_io_internal {
namespace {

namespace fs = std::filesystem;

// Traces of earlier versions were written to "NAME.vcd.part"; other recorders may use the same
// ending, so only a file that starts as our traces do is ours.
constexpr std::string_view k_old_trace_suffix = ".vcd.part";
constexpr std::string_view k_trace_header = "$version Vornalt line trace";
// A temporary whose writer cannot be asked is stale once nobody could still be writing it.
constexpr auto k_stale_age = std::chrono::hours(1);

std::string mib(std::size_t bytes) {
    if (bytes >= (std::size_t{1} << 20) && bytes % (std::size_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

// A temporary of ours whose writer is known to have ended.
bool writer_gone(const std::string& name) {
    const std::string middle(name.substr(k_temp_prefix.size(), name.size() - k_temp_prefix.size() - k_temp_suffix.size()));
    const std::size_t dash = middle.find('-');
    if (dash == std::string::npos || dash == 0) return false;
    char* end = nullptr;
    const long pid = std::strtol(middle.c_str(), &end, 10);
    return end == middle.c_str() + dash && pid != current_process() && process_gone(pid);
}

bool our_old_trace(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string start(k_trace_header.size(), '\0');
    in.read(start.data(), static_cast<std::streamsize>(start.size()));
    return in && start == k_trace_header;
}

}  // namespace

std::string reason(int code) {
    if (code == ECANCELED) return "the save was stopped while the reader of the pipe took nothing more";
    return std::strerror(code);
}

Error read_error(const std::string& path, int code) {
    return {"Cannot read file " + path + ": " + reason(code) +
                ". Check that the file exists and that you are allowed to read it.",
            code};
}

Error not_regular_error(const std::string& path) {
    return {"Cannot read file " + path +
                ": it is not a regular file (a folder, a device or a pipe). Name a file saved on disk.",
            EINVAL};
}

Error too_large_error(const std::string& path, std::size_t maxbytes) {
    return {"Cannot read file " + path + ": it is larger than " + mib(maxbytes) +
                ", more than any file of this kind holds. Check that this is the right file.",
            EFBIG};
}

Error write_error(const std::string& path, const std::string& why, int code) {
    return {"Cannot save file " + path + ": " + why +
                ". Nothing was changed on disk; choose another folder or file name, or free some space.",
            code};
}

Error readonly_refused(const std::string& path) {
    return {"The file " + path + " is read-only, so it was not replaced. Make it writable or choose another name.",
            k_readonly_refused};
}

fs::path temporary_beside(const fs::path& folder, std::mt19937& generator) {
    return folder / (std::string(k_temp_prefix) + std::to_string(current_process()) + "-" +
                     std::to_string(generator() % 1000000) + std::string(k_temp_suffix));
}

void remove_stale(const fs::path& folder) {
    std::error_code failure;
    fs::directory_iterator entries(folder.empty() ? fs::path(".") : folder, failure);
    if (failure) return;
    const auto now = fs::file_time_type::clock::now();
    for (const fs::directory_entry& entry : entries) {
        const std::string name = utf8frompath(entry.path().filename());
        const bool ours = name.starts_with(k_temp_prefix) && name.ends_with(k_temp_suffix);
        const bool oldtrace = name.ends_with(k_old_trace_suffix);
        if (!ours && !oldtrace) continue;
        if (!entry.is_regular_file(failure) || entry.is_symlink(failure)) continue;
        if (oldtrace && !our_old_trace(entry.path())) continue;
        bool stale = ours && writer_gone(name);
        if (!stale) {
            const auto written = entry.last_write_time(failure);
            stale = !failure && now - written > k_stale_age;
        }
        if (stale) fs::remove(entry.path(), failure);
    }
}

SystemFile::int_type SystemFile::overflow(int_type c) {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(c);
        pbump(1);
    }
    return traits_type::not_eof(c);
}

bool SystemFile::drain() {
    const char* at = pbase();
    const char* end = pptr();
    while (at < end && error == 0) at += write_some(at, static_cast<std::size_t>(end - at));
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return error == 0;
}

OutputState::~OutputState() {
    if (file) file->close();
    if (!done && !inplace && !writing.empty()) remove_file(writing);
}

}  // namespace file_io_internal

using namespace file_io_internal;

struct OutputFile::State : OutputState {};

OutputFile::OutputFile(std::unique_ptr<State> state) : state_(std::move(state)) {}
OutputFile::OutputFile(OutputFile&&) noexcept = default;
OutputFile& OutputFile::operator=(OutputFile&&) noexcept = default;
OutputFile::~OutputFile() = default;

std::ostream& OutputFile::stream() { return state_->out; }
const std::string& OutputFile::writingto() const { return state_->writing; }

Result<OutputFile> OutputFile::open(const std::string& path, WriteOptions options) {
    auto state = std::make_unique<State>();
    state->target = path;
    if (Status opened = open_output(*state, options); !opened) return opened.error();
    return OutputFile(std::move(state));
}

Status OutputFile::commit() {
    State& s = *state_;
    if (s.done) return {};
    s.done = true;
    int code = 0;
    if (!s.file->flush_all()) code = s.file->error;
    // A regular file reaches the medium before it takes the name, so the rename never
    // publishes contents that are still only in memory.
    if (code == 0 && !s.inplace) code = s.file->sync_to_medium();
    const int closed = s.file->close();
    if (code == 0) code = closed;
    if (code != 0) {
        if (!s.inplace) remove_file(s.writing);
        return write_error(s.target, reason(code), code);
    }
    if (s.inplace) return {};
    return publish(s);
}

Status write_file_whole(const std::string& path, std::string_view contents, WriteOptions options) {
    Result<OutputFile> file = OutputFile::open(path, options);
    if (!file) return file.error();
    file.value().stream().write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return file.value().commit();
}

}  // namespace vornalt
