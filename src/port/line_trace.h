#pragma once
// A recorder of the five programmer lines as a Value Change Dump (VCD) file, readable by
// GTKWave and PulseView. It is a PortIo placed between the driver and any backend (the real
// port or the simulator): it passes every access through, decodes the registers back into
// logical lines with the same pin map and inversion flags the driver uses, and stamps each
// change with the clock seam's time. Without a trace nothing sits on the hot path.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "base/file_io.h"
#include "base/result.h"
#include "platform/clock.h"
#include "platform/port_io.h"
#include "port/driver_state.h"
#include "port/line_link.h"

namespace vornalt {

class LineTrace final : public PortIo {
public:
    // Writes the VCD header to out at once; the five lines start unknown.
    LineTrace(PortIo& inner, const DriverState& state, const Clock& clock, std::ostream& out);

    void write(std::uint16_t address, std::uint8_t value) override;
    std::uint8_t read(std::uint16_t address) override;
    bool available() const override { return inner_->available(); }
    std::string reason() const override { return inner_->reason(); }

    // The port the accesses pass to from now on (the owner of the port opened another one).
    void setinner(PortIo& inner) { inner_ = &inner; }

    // Marks the end time so viewers show the last levels for a while; nothing is recorded after.
    void finish();

    // A batched link's line states and DATA IN readings, stamped at `at_ns` from the trace's start
    // (which never goes back).
    void linkoutputs(const OutputLines& lines, std::int64_t at_ns);
    void linkdatain(bool on, std::int64_t at_ns);
    std::int64_t elapsed_ns() const { return clock_.now_ns() - start_ns_; }

private:
    static constexpr int k_lines = 5;  // VDD, VPP, CLOCK, DATA OUT, DATA IN

    void beginaccess();
    void outputschanged();
    void record(int line, char level);

    PortIo* inner_;
    const DriverState& state_;
    const Clock& clock_;
    std::ostream& out_;
    std::int64_t start_ns_;
    std::int64_t last_ns_ = 0;    // latest stamp written, relative to the start
    std::int64_t access_ns_ = 0;  // time of the access being decoded
    bool stamped_ = false;        // its stamp is written
    std::int32_t data_ = -1;     // register values last written; -1 before the first write
    std::int32_t control_ = -1;
    char levels_[k_lines] = {'x', 'x', 'x', 'x', 'x'};
    bool finished_ = false;
};

// A trace written to a file: it goes to a temporary beside it and takes the final name only
// when closed, so a run that dies never leaves a truncated trace under the name the user chose
// (a device or pipe such as /dev/null is written in place; see OutputFile).
class LineTraceFile {
public:
    // `options` carry the check that ends a wait for a stalled pipe's reader.
    static Result<std::unique_ptr<LineTraceFile>> open(const std::filesystem::path& path, PortIo& inner,
                                                      const DriverState& state, const Clock& clock,
                                                      WriteOptions options = {});
    ~LineTraceFile();
    LineTraceFile(const LineTraceFile&) = delete;
    LineTraceFile& operator=(const LineTraceFile&) = delete;

    // The port the driver should use while the trace runs.
    PortIo& port();
    // The port the trace passes every access to from now on.
    void setinner(PortIo& inner);
    // The link the driver should use over a batched backend's `inner` link while the trace runs:
    // it records what each flush sent, at the times the adapter put it out; null for none.
    LineLink* link(LineLink* inner);
    // Finishes the trace and gives it its final name.
    Status close();

private:
    struct Parts;
    explicit LineTraceFile(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
};

}  // namespace vornalt
