#include "port/line_trace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <system_error>
#include <utility>
#include <vector>

#include "base/file_io.h"
#include "base/path_text.h"
#include "port/pin_map.h"
#include "port/port_driver.h"

namespace vornalt {

namespace {

// VCD identifiers and names of the lines, in the order of Line.
constexpr char k_ids[] = {'!', '"', '#', '$', '%'};
constexpr const char* k_names[] = {"VDD", "VPP", "CLOCK", "DATA_OUT", "DATA_IN"};

char bitchar(std::int32_t level) { return level != 0 ? '1' : '0'; }

// The stamp after `stamp`; the largest one has none after it and stays.
std::int64_t laterstamp(std::int64_t stamp) {
    return stamp < std::numeric_limits<std::int64_t>::max() ? stamp + 1 : stamp;
}

}  // namespace

LineTrace::LineTrace(PortIo& inner, const DriverState& state, const Clock& clock, std::ostream& out)
    : inner_(&inner), state_(state), clock_(clock), out_(out), start_ns_(clock.now_ns()) {
    out_ << "$version Vornalt line trace $end\n"
            "$timescale 1ns $end\n"
            "$scope module programmer $end\n";
    for (int i = 0; i < k_lines; ++i) out_ << "$var wire 1 " << k_ids[i] << ' ' << k_names[i] << " $end\n";
    out_ << "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    for (int i = 0; i < k_lines; ++i) out_ << 'x' << k_ids[i] << '\n';
    out_ << "$end\n";
}

void LineTrace::write(std::uint16_t address, std::uint8_t value) {
    inner_->write(address, value);
    beginaccess();
    const std::int32_t offset = std::int32_t{address} - state_.portaddress;
    if (offset == static_cast<std::int32_t>(PortRegister::data)) {
        data_ = value;
    } else if (offset == static_cast<std::int32_t>(PortRegister::control)) {
        control_ = value;
    } else {
        return;
    }
    outputschanged();
}

std::uint8_t LineTrace::read(std::uint16_t address) {
    const std::uint8_t value = inner_->read(address);
    beginaccess();
    if (std::int32_t{address} - state_.portaddress == static_cast<std::int32_t>(PortRegister::status)) {
        // The reading the driver makes of this status value.
        const std::int32_t level = pinlevel_from_status(linepin(state_, Line::datain), value);
        record(static_cast<int>(Line::datain), bitchar(lineinverted(state_, Line::datain) ? 1 - level : level));
    }
    return value;
}

void LineTrace::outputschanged() {
    for (Line line : {Line::vdd, Line::vpp, Line::clock, Line::dataout}) {
        const std::int32_t pin = linepin(state_, line);
        char level = 'x';  // a line on no output pin, or on a register not yet written
        if (isoutputpin(pin)) {
            const bool known = pininfo(pin).reg == PortRegister::data ? data_ >= 0 : control_ >= 0;
            if (known) {
                const std::int32_t electrical = pinlevel_from_outputs(pin, data_, control_);
                level = bitchar(lineinverted(state_, line) ? 1 - electrical : electrical);
            }
        }
        record(static_cast<int>(line), level);
    }
}

void LineTrace::beginaccess() {
    access_ns_ = clock_.now_ns() - start_ns_;
    stamped_ = false;
}

void LineTrace::record(int line, char level) {
    if (finished_ || levels_[line] == level) return;
    levels_[line] = level;
    // All changes decoded from one access share its stamp. Stamps strictly increase from one
    // access to the next even on a clock that does not move (the simulator's virtual time), so
    // no change hides behind a later one in a viewer.
    if (!stamped_) {
        stamped_ = true;
        const std::int64_t next = access_ns_ > last_ns_ ? access_ns_ : laterstamp(last_ns_);
        // At the end of a virtual clock's time there is no later stamp: changes join the last one.
        if (next != last_ns_) out_ << '#' << next << '\n';
        last_ns_ = next;
    }
    out_ << level << k_ids[line] << '\n';
}

void LineTrace::linkoutputs(const OutputLines& lines, std::int64_t at_ns) {
    access_ns_ = at_ns;
    stamped_ = false;
    for (Line line : {Line::vdd, Line::vpp, Line::clock, Line::dataout}) {
        record(static_cast<int>(line), lines[lineindex(line)] ? '1' : '0');
    }
}

void LineTrace::linkdatain(bool on, std::int64_t at_ns) {
    access_ns_ = at_ns;
    stamped_ = false;
    record(static_cast<int>(Line::datain), on ? '1' : '0');
}

// Between the driver and a batched link: every line state and sample is kept with the time the
// adapter will put it out (one step each at the driver state's rate, holds as long as they last,
// never before the host queued it) and written to the trace when the flush has sent it and
// resolved its samples. What a stop drops never reached the wire and is not recorded.
class TracedLink final : public LineLink {
public:
    TracedLink(LineLink& inner, LineTrace& trace, const DriverState& state) : inner_(inner), trace_(trace), state_(state) {}

    void put(const OutputLines& lines) override {
        events_.push_back({nextstep(), lines, -1});
        inner_.put(lines);
    }
    std::int64_t sample() override {
        const std::int64_t number = inner_.sample();
        // Read back with the step that follows: no step of its own.
        events_.push_back({std::max(next_ns_, trace_.elapsed_ns()), {}, number});
        return number;
    }
    Status flush() override {
        Status sent = inner_.flush();
        if (sent) {
            for (const Event& e : events_) {
                if (e.sample < 0) {
                    trace_.linkoutputs(e.lines, e.at_ns);
                } else {
                    trace_.linkdatain(inner_.value(e.sample), e.at_ns);
                }
            }
        }
        events_.clear();
        return sent;
    }
    const Status& status() const override { return inner_.status(); }
    bool value(std::int64_t sample) const override { return inner_.value(sample); }
    bool hold_us(std::int64_t us) override {
        if (!inner_.hold_us(us)) return false;
        next_ns_ = std::max(next_ns_, trace_.elapsed_ns()) + us * 1000;
        return true;
    }
    void drop() override {
        events_.clear();
        inner_.drop();
    }
    // Frames a device clocks itself pass straight through: the trace holds the line steps and
    // power around them, not the bits inside (moving those line by line instead would make a
    // traced run differ from an untraced one).
    bool frame(std::int32_t code, std::int32_t word) override { return inner_.frame(code, word); }
    std::int64_t readframe(std::int32_t code) override { return inner_.readframe(code); }
    bool measure(double& vdd, double& vpp) override { return inner_.measure(vdd, vpp); }

private:
    struct Event {
        std::int64_t at_ns;
        OutputLines lines;
        std::int64_t sample;  // -1: a line state
    };

    std::int64_t nextstep() {
        const std::int64_t at = std::max(next_ns_, trace_.elapsed_ns());
        next_ns_ = at + 1'000'000'000 / std::max<std::int64_t>(state_.steprate, 1);
        return at;
    }

    LineLink& inner_;
    LineTrace& trace_;
    const DriverState& state_;
    std::vector<Event> events_;
    std::int64_t next_ns_ = 0;
};

void LineTrace::finish() {
    if (finished_) return;
    finished_ = true;
    std::int64_t t = clock_.now_ns() - start_ns_;
    if (t <= last_ns_) t = laterstamp(last_ns_);
    if (t != last_ns_) out_ << '#' << t << '\n';
    out_.flush();
}

struct LineTraceFile::Parts {
    explicit Parts(OutputFile file) : out(std::move(file)) {}
    OutputFile out;
    std::unique_ptr<LineTrace> trace;
    std::unique_ptr<TracedLink> link;
    const DriverState* state = nullptr;
    bool closed = false;
};

LineTraceFile::LineTraceFile(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

LineTraceFile::~LineTraceFile() {
    // A trace abandoned by an error is still worth reading: finish it under its name.
    if (parts_ && !parts_->closed) (void)close();
}

Result<std::unique_ptr<LineTraceFile>> LineTraceFile::open(const std::filesystem::path& path, PortIo& inner,
                                                           const DriverState& state, const Clock& clock,
                                                           WriteOptions options) {
    Result<OutputFile> file = OutputFile::open(utf8frompath(path), std::move(options));
    if (!file) {
        return Error{"Cannot write the line trace: " + file.error().message, file.error().code};
    }
    auto parts = std::make_unique<Parts>(std::move(file).value());
    parts->trace = std::make_unique<LineTrace>(inner, state, clock, parts->out.stream());
    parts->state = &state;
    return std::unique_ptr<LineTraceFile>(new LineTraceFile(std::move(parts)));
}

PortIo& LineTraceFile::port() { return *parts_->trace; }

void LineTraceFile::setinner(PortIo& inner) { parts_->trace->setinner(inner); }

LineLink* LineTraceFile::link(LineLink* inner) {
    // The previous link's trace goes now: the driver is pointed at the new one straight after.
    parts_->link.reset();
    if (inner == nullptr) return nullptr;
    parts_->link = std::make_unique<TracedLink>(*inner, *parts_->trace, *parts_->state);
    return parts_->link.get();
}

Status LineTraceFile::close() {
    if (parts_->closed) return {};
    parts_->closed = true;
    parts_->trace->finish();
    Status committed = parts_->out.commit();
    if (!committed) {
        return Error{"Cannot finish the line trace: " + committed.error().message, committed.error().code};
    }
    return {};
}

}  // namespace vornalt
