#include "session/programmer_port.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "base/path_text.h"
#include "platform/port_backend.h"
#include "sim/chip_model.h"
#include "sim/sim_chip.h"
#ifdef __linux__
#include "platform/ppdev_port.h"
#endif

namespace vornalt {
namespace {

// The driver's view of a port owned elsewhere.
class ForwardingPort final : public PortIo {
public:
    explicit ForwardingPort(PortIo& target) : target_(target) {}
    void write(std::uint16_t address, std::uint8_t value) override { target_.write(address, value); }
    std::uint8_t read(std::uint16_t address) override { return target_.read(address); }
    bool available() const override { return target_.available(); }
    std::string reason() const override { return target_.reason(); }

private:
    PortIo& target_;
};

}  // namespace

ProgrammerPort::ProgrammerPort(BackendKind kind, std::string device, const Clock& clock,
                               const DriverState& driverstate)
    : kind_(kind), device_(std::move(device)), clock_(clock), driverstate_(driverstate) {
    route_.target = &unopened_;
    if (kind_ == BackendKind::simulator) board_ = std::make_unique<SimBoard>(clock_, driverstate_.portaddress);
}

ProgrammerPort::~ProgrammerPort() = default;

void ProgrammerPort::select(std::int32_t portaddress) {
    if (injected_ != nullptr) {
        route_.target = injected_;
        return;
    }
    switch (kind_) {
    case BackendKind::simulator:
        board_->setportaddress(portaddress);
        route_.target = board_.get();
        return;
    case BackendKind::parallelport: real_ = openport(portaddress); break;
    case BackendKind::device:
#ifdef __linux__
        real_ = openppdev(device_, portaddress);
#else
        real_ = std::make_unique<UnavailablePort>("The port " + device_ +
                                                  " cannot be opened: device paths name Linux ppdev devices. Use "
                                                  "port 1, 2 or 3.");
#endif
        break;
    }
    // The port opened before is gone already; the driver still holds a forwarder to the route,
    // which from here on reaches the new one.
    route_.target = real_.get();
}

PortOpener ProgrammerPort::opener() {
    return [this](std::int32_t portaddress) -> std::unique_ptr<PortIo> {
        select(portaddress);
        PortIo& target = trace_ ? trace_->port() : static_cast<PortIo&>(route_);
        return std::make_unique<ForwardingPort>(target);
    };
}

Status ProgrammerPort::starttrace(const std::string& path) {
    if (trace_) return {};
    Result<std::unique_ptr<LineTraceFile>> opened = LineTraceFile::open(path, route_, driverstate_, clock_);
    if (!opened) return opened.error();
    trace_ = std::move(opened).value();
    return {};
}

Status ProgrammerPort::savechip() {
    if (board_ == nullptr || board_->chip() == nullptr || chipfile_.empty()) return {};
    const std::filesystem::path folder = pathfromutf8(chipfile_).parent_path();
    std::error_code error;
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    if (error) {
        return Error{"Cannot create the folder " + utf8frompath(folder) + " for the simulated chip file: " +
                         error.message() + ".",
                     error.value()};
    }
    return board_->savechipfile(chipfile_);
}

Status ProgrammerPort::insertchip(const std::string& modelname, const std::string& chipfile) {
    if (board_ == nullptr) return {};
    Status saved = savechip();
    if (!saved) return saved;
    socketmodel_.clear();
    chipfile_.clear();
    board_->insert(nullptr);
    chiplock_.reset();
    const ChipModel* part = findchipmodel(modelname);
    if (part == nullptr) return {};
    if (!chipfile.empty()) {
        const std::filesystem::path folder = pathfromutf8(chipfile).parent_path();
        std::error_code ignored;  // a folder that cannot be made fails the lock, which says why
        if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
        Result<FileLock> locked = FileLock::take(lockfilefor(chipfile), "The simulated chip file " + chipfile);
        if (!locked) return locked.error();
        chiplock_.emplace(std::move(locked).value());
    }
    auto chip = std::make_unique<SimChip>(*part);
    board_->insert(std::move(chip));
    std::error_code error;
    if (std::filesystem::exists(pathfromutf8(chipfile), error)) {
        Status loaded = board_->loadchipfile(chipfile);
        if (!loaded) {
            board_->insert(nullptr);
            chiplock_.reset();
            return loaded;
        }
    }
    socketmodel_ = modelname;
    chipfile_ = chipfile;
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
