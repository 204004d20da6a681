#include "programmer/programmer_port.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "base/file_io.h"
#include "base/path_text.h"
#include "sim/chip_model.h"
#include "sim/sim_chip.h"

namespace vornalt {
namespace {

// The file a name stands for when it is a link (also one whose file does not exist yet, which
// weakly_canonical would leave as it is); any other name as it is, so messages show it as given.
std::filesystem::path followlinks(std::filesystem::path path) {
    std::error_code error;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(path, error); ++hops) {
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

// One name per file for its lock: "." and ".." and a relative start resolved as well.
std::filesystem::path lockname(const std::filesystem::path& file) {
    std::error_code error;
    std::filesystem::path real = std::filesystem::weakly_canonical(file, error);
    return error ? file : real;
}

}  // namespace

ProgrammerPort::ProgrammerPort(BackendRow row, std::string argument, const Clock& clock,
                               const DriverState& driverstate)
    : row_(std::move(row)), argument_(std::move(argument)), clock_(clock), driverstate_(driverstate) {
    // A backend that is moved rather than reopened exists from the start: the simulator's socket
    // is filled before the load sequence opens the port.
    if (row_.moveto) {
        backend_ = row_.open({argument_, driverstate_.portaddress, clock_});
        board_ = dynamic_cast<SimBoard*>(backend_.get());
    }
}

ProgrammerPort::~ProgrammerPort() = default;

Status ProgrammerPort::choose(BackendRow row, std::string argument, PortDriver& driver) {
    if (Status saved = savechip(); !saved) return saved;
    release(driver);
    chiplock_.reset();
    socketmodel_.clear();
    chipname_.clear();
    chipfile_.clear();
    chipsaved_.clear();
    chipondisk_ = false;
    row_ = std::move(row);
    argument_ = std::move(argument);
    // As at construction: a moved backend exists before the port is first opened.
    if (row_.moveto) {
        backend_ = row_.open({argument_, driverstate_.portaddress, clock_});
        board_ = dynamic_cast<SimBoard*>(backend_.get());
    }
    return {};
}

void ProgrammerPort::release(PortDriver& driver) {
    // The driver and the trace move to the unopened port first: they hold the backend's port
    // and link until then.
    driver.setlink(nullptr);
    if (trace_) {
        trace_->setinner(unopened_);
        trace_->link(nullptr);
    }
    driver.setio(trace_ ? trace_->port() : unopened_);
    active_ = &unopened_;
    board_ = nullptr;
    backend_.reset();
}

PortIo& ProgrammerPort::select(std::int32_t portaddress, PortDriver& driver) {
    if (injected_ != nullptr) return *injected_;
    if (backend_ && row_.moveto) {
        row_.moveto(*backend_, portaddress);
        return *backend_;
    }
    // Released before the new one opens: an adapter (or a port device) opened again is the same
    // device, which cannot be claimed twice.
    release(driver);
    backend_ = row_.open ? row_.open({argument_, portaddress, clock_}) : nullptr;
    if (!backend_) backend_ = std::make_unique<UnavailablePort>("No port backend is configured in this program.");
    board_ = dynamic_cast<SimBoard*>(backend_.get());
    return *backend_;
}

PortIo& ProgrammerPort::open(std::int32_t portaddress, PortDriver& driver) {
    PortIo* port = &select(portaddress, driver);
    if (trace_) {
        trace_->setinner(*port);
        port = &trace_->port();
    }
    driver.setio(*port);
    // A batched backend takes the line states through its link; an injected port never has one.
    LineLink* link = injected_ == nullptr && row_.linkof && backend_ ? row_.linkof(*backend_, driverstate_) : nullptr;
    driver.setlink(trace_ ? trace_->link(link) : link);
    active_ = port;
    return *active_;
}

Status ProgrammerPort::starttrace(const std::string& path, WriteOptions options) {
    if (trace_) return {};
    // The trace wraps the port in use now and follows every later open.
    Result<std::unique_ptr<LineTraceFile>> opened = LineTraceFile::open(path, *active_, driverstate_, clock_, std::move(options));
    if (!opened) return opened.error();
    trace_ = std::move(opened).value();
    return {};
}

Result<FileLock> ProgrammerPort::takechiplock(const std::function<bool(const Error& held)>& waiting) {
    const std::filesystem::path folder = pathfromutf8(chipfile_).parent_path();
    std::error_code ignored;  // a folder that cannot be made fails the lock, which says why
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    // Two names of one file (a link, "..", a relative path) meet at one lock.
    const std::string lockpath = lockfilefor(utf8frompath(lockname(pathfromutf8(chipfile_))));
    const std::string what = "The simulated chip file " + chipname_;
    if (!waiting) return FileLock::take(lockpath, what, lockholder_);
    return FileLock::take_waiting(lockpath, what, lockholder_, waiting);
}

Status ProgrammerPort::lockchip(const std::function<bool(const Error& held)>& waiting) {
    if (board_ == nullptr || board_->chip() == nullptr || chipfile_.empty()) return {};
    Result<FileLock> locked = takechiplock(waiting);
    if (!locked) return locked.error();
    chiplock_.emplace(std::move(locked).value());
    // The file is read only while no run holds it: another program's run may have changed it
    // since. One that cannot be read now is left to this run's save, which says why.
    Result<std::string> text = read_file(chipfile_);
    if (!text || (chipondisk_ && text.value() == chipsaved_)) return {};
    if (Status loaded = board_->loadchipfile(chipfile_); !loaded) {
        chiplock_.reset();
        return loaded;
    }
    chipsaved_ = board_->chipfiletext();
    chipondisk_ = true;
    return {};
}

Status ProgrammerPort::savechip() {
    if (board_ == nullptr || board_->chip() == nullptr || chipfile_.empty()) return {};
    // Unchanged: the file is left alone, so a chip that nothing changed never overwrites a copy
    // another program may have changed meanwhile. A run's end writes a file that is missing.
    std::string text = board_->chipfiletext();
    if (text == chipsaved_ && (chipondisk_ || !chiplock_)) return {};
    std::optional<FileLock> forsave;
    if (!chiplock_) {
        Result<FileLock> locked = takechiplock({});
        if (!locked) return locked.error();
        forsave.emplace(std::move(locked).value());
    }
    const std::filesystem::path folder = pathfromutf8(chipfile_).parent_path();
    std::error_code error;
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) {
        return Error{"Cannot create the folder " + utf8frompath(folder) + " for the simulated chip file: " +
                         error.message() + ".",
                     error.value()};
    }
    Status saved = write_file_whole(chipfile_, text);
    if (saved) {
        chipsaved_ = std::move(text);
        chipondisk_ = true;
    }
    return saved;
}

Status ProgrammerPort::insertchip(const std::string& modelname, const std::string& chipfile) {
    if (board_ == nullptr) return {};
    Status saved = savechip();
    if (!saved) return saved;
    socketmodel_.clear();
    chipname_.clear();
    chipfile_.clear();
    chipsaved_.clear();
    chipondisk_ = false;
    board_->insert(nullptr);
    chiplock_.reset();
    const ChipModel* part = findchipmodel(modelname);
    if (part == nullptr) return {};
    // A save must replace the file a link points to, not the link.
    const std::string resolved = chipfile.empty() ? chipfile : utf8frompath(followlinks(pathfromutf8(chipfile)));
    auto chip = std::make_unique<SimChip>(*part);
    board_->insert(std::move(chip));
    std::error_code error;
    if (!resolved.empty() && std::filesystem::exists(pathfromutf8(resolved), error)) {
        // Read without the lock: a save replaces the file whole, so this sees one save or the
        // other, and each run reads it again under the lock when it changed.
        Status loaded = board_->loadchipfile(resolved);
        if (!loaded) {
            board_->insert(nullptr);
            return loaded;
        }
        chipondisk_ = true;
    }
    // A fresh chip is not written unless a run used it, so that closing after doing nothing
    // never puts a blank chip over a file another program made meanwhile.
    chipsaved_ = board_->chipfiletext();
    socketmodel_ = modelname;
    chipname_ = chipfile;
    chipfile_ = resolved;
    return {};
}

Status ProgrammerPort::finish() {
    Status result = savechip();
    if (trace_) {
        // The trace stays in place (recording nothing more): the driver may still hold its port.
        Status closed = trace_->close();
        if (result && !closed) result = closed;
    }
    return result;
}

}  // namespace vornalt
