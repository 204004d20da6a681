#include "session/production.h"

#include <utility>

#include "app/hex_file_commands.h"
#include "app/source_file.h"
#include "base/file_io.h"
#include "base/sha256.h"
#include "session/session.h"
#include "settings/setting_names.h"

namespace vornalt {
namespace {

// Stands in for the window during one chip: progress, status and enabling reach the window;
// messages and questions are kept as the chip's message, and every question is answered "no",
// so a batch never waits on a box and a wrong or missing chip fails rather than being written.
class BatchWindow final : public WindowServices {
public:
    explicit BatchWindow(WindowServices& window) : window_(window) {}

    void set_status(std::string_view text) override {
        status_ = text;
        window_.set_status(text);
    }
    void process_events() override { window_.process_events(); }
    void message(std::string_view text, MessageIcon) override { add(text); }
    bool question(std::string_view text) override {
        add(std::string(text) + " No.");
        return false;
    }
    std::string input(std::string_view, std::string_view) override { return {}; }
    std::string open_file(std::string_view, std::string_view, std::string_view) override { return {}; }
    std::string save_file(std::string_view, std::string_view, std::string_view) override { return {}; }
    void disable() override { window_.disable(); }
    void enable() override { window_.enable(); }
    void updatedisplay() override { window_.updatedisplay(); }
    void progress(MemoryRegion region, std::int64_t done, std::int64_t total) override {
        window_.progress(region, done, total);
    }
    void runshare(double share) override { window_.runshare(share); }

    // Everything said, or else the last status text ("Programming completed").
    std::string text() const { return said_.empty() ? status_ : said_; }

private:
    void add(std::string_view text) {
        if (!said_.empty()) said_ += "\r\n";
        said_ += text;
    }

    WindowServices& window_;
    std::string said_;
    std::string status_;
};

}  // namespace

Status Production::start(const ProductionSetup& setup) {
    started_ = false;
    if (session_.busy()) return Error{"An operation is running.", 0};
    Result<std::string> bytes = read_file(setup.hexfile);
    if (!bytes) return bytes.error();
    SerialPlace place;
    if (!setup.serialat.empty()) {
        Result<SerialPlace> parsed = parseserialplace(setup.serialat, session_.image_.flashsize);
        if (!parsed) return parsed.error();
        place = std::move(parsed).value();
        MemoryImage trial = session_.image_;
        if (Status fits = putserial(trial, place, setup.serial); !fits) return fits;
    }
    // Loaded as File > Open loads it; its message (the words loaded, a missing configuration
    // word) is the batch's first message rather than a box.
    BatchWindow loading(session_.window_);
    const SplitPath parts = splitpath(setup.hexfile);
    session_.app_.lastpath = parts.folder;
    openhexfile(session_.app_, session_.model_, session_.image_, loading, parts.name);
    if (session_.app_.label_hex.empty()) return Error{loading.text(), 0};
    startmessage_ = loading.text();
    if (!setup.configfields.empty()) {
        ConfigBits bits = session_.config_bits();
        if (Status set = bits.set_fields(setup.configfields); !set) return set;
        session_.image_.config1word = bits.words()[0];
        if (session_.image_.config2word >= 0) session_.image_.config2word = bits.words()[1];
    }
    setup_ = setup;
    base_ = session_.image_;
    file_ = splitpath(setup.hexfile).name;
    sha256_ = sha256hex(bytes.value());
    stamp_ = session_.app_.source;
    place_ = std::move(place);
    serial_ = setup.serial;
    counts_ = {};
    last_ = {};
    logged_ = {};
    started_ = true;
    return {};
}

const ChipRecord& Production::next_chip() {
    ChipRecord record;
    record.time = utcstamp();
    record.model = session_.model_.modelname;
    record.file = file_;
    record.sha256 = sha256_;
    if (!started_ || session_.busy()) {
        record.message = started_ ? "An operation is running." : "No batch has been started.";
        last_ = std::move(record);
        return last_;
    }

    // A chip that is not run still fails and is logged, so the log accounts for every chip.
    const auto notrun = [this, &record](std::string message) -> const ChipRecord& {
        record.message = std::move(message);
        ++counts_.failed;
        logged_ = setup_.logfile.empty() ? Status{} : appendlogrow(setup_.logfile, record);
        last_ = std::move(record);
        return last_;
    };
    // Every chip gets the file as it was at start and as the log names it. A rebuilt file would
    // otherwise be loaded again by Program All, dropping the serial and the chosen fields.
    if (stampfile(setup_.hexfile) != stamp_) {
        return notrun("The HEX file " + setup_.hexfile +
                      " changed on disk since the batch started. Start the batch again to program the new file.");
    }
    session_.image_ = base_;
    if (serials()) {
        record.serial = serial_;
        // Checked at start for the first serial; a later one can outgrow its bytes.
        if (Status put = putserial(session_.image_, place_, serial_); !put) return notrun(put.error().message);
    }

    BatchWindow window(session_.window_);
    session_.runwindow_ = &window;
    const std::int64_t began = session_.clock_->now_ns();
    const RunOutcome outcome = session_.run(ChipOperation::programall);
    record.duration_ms = (session_.clock_->now_ns() - began) / 1'000'000;
    session_.runwindow_ = nullptr;

    record.passed = outcome == RunOutcome::succeeded;
    record.deviceid = session_.engine_.deviceidread;
    record.message = window.text();
    if (record.passed) {
        ++counts_.passed;
        if (serials()) {
            ++serial_;
            if (setup_.keepserial) session_.settings_.writesetting(k_setting_serial, std::to_string(serial_));
        }
    } else {
        ++counts_.failed;
    }
    logged_ = setup_.logfile.empty() ? Status{} : appendlogrow(setup_.logfile, record);
    last_ = std::move(record);
    return last_;
}

std::int64_t Production::saved_serial(Session& session) {
    const std::string text = session.settings_.readsetting(k_setting_serial, "0");
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9' || value > (std::int64_t{1} << 56)) return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string Production::saved_serialat(Session& session) { return session.settings_.readsetting(k_setting_serialat, ""); }

std::string Production::saved_logfolder(Session& session) { return session.settings_.readsetting(k_setting_logfolder, ""); }

void Production::save_choices(Session& session, const std::string& serialat, const std::string& logfolder) {
    session.settings_.writesetting(k_setting_serialat, serialat);
    session.settings_.writesetting(k_setting_logfolder, logfolder);
}

}  // namespace vornalt
