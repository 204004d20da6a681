#pragma once
// A production batch: one HEX file programmed into chip after chip on the session's programmer,
// each with Program All (which reads every word back as it writes it), optionally with a serial
// number, counted and logged. Both front ends drive it: the Production window and
// `vornalt-cli program --repeat`.
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "app/production.h"
#include "base/result.h"

namespace vornalt {

class Session;

struct ProductionSetup {
    std::string hexfile;      // full path of the file every chip gets
    std::string logfile;      // CSV log, a row per chip; empty: none
    std::string serialat;     // "ADDR,ADDR,..." in hex (see parseserialplace); empty: no serial
    std::int64_t serial = 0;  // the next chip's serial number
    std::string configfields; // "NAME=VALUE,..." set in the loaded image (see ConfigBits::set_fields)
    // The next serial is saved in the settings after each passed chip and offered on the next
    // start (the desktop program; the terminal's settings are never written).
    bool keepserial = false;
};

struct ProductionCounts {
    std::int64_t passed = 0;
    std::int64_t failed = 0;
    std::int64_t total() const { return passed + failed; }
};

class Production {
public:
    explicit Production(Session& session) : session_(session) {}

    // Loads the file and checks the serial's place; the
    // error says why the batch cannot start. Counters start at zero.
    Status start(const ProductionSetup& setup);
    bool started() const { return started_; }
    // What loading the file said: the words loaded and, for a file without a configuration
    // word, what the chips will run with.
    const std::string& start_message() const { return startmessage_; }

    // The next chip: the file's image with the next serial, Program All. Messages and questions
    // of the run do not reach the window (a wrong or missing chip is answered "no" and fails);
    // they are the record's message. A passed chip takes the serial; a failed one leaves it for
    // the next chip. A file changed on disk since the start fails the chip unrun. Not while the
    // session is busy (the record then says so and nothing counts).
    const ChipRecord& next_chip();

    const ProductionCounts& counts() const { return counts_; }
    const ChipRecord& last() const { return last_; }
    bool serials() const { return place_.idwords || !place_.addresses.empty(); }
    std::int64_t next_serial() const { return serial_; }
    // Whether the last chip's row reached the log; the error names the file.
    const Status& last_log() const { return logged_; }

    // The serial the settings hold for the next batch (0 when none was kept), and the settings
    // a window offers again: where the serial goes and the log's folder.
    static std::int64_t saved_serial(Session& session);
    static std::string saved_serialat(Session& session);
    static std::string saved_logfolder(Session& session);
    static void save_choices(Session& session, const std::string& serialat, const std::string& logfolder);

private:
    Session& session_;
    ProductionSetup setup_;
    bool started_ = false;
    MemoryImage base_;
    std::string file_;
    std::string sha256_;
    FileStamp stamp_;  // the file as it was loaded at start
    std::string startmessage_;
    SerialPlace place_;
    std::int64_t serial_ = 0;
    ProductionCounts counts_;
    ChipRecord last_;
    Status logged_;
};

}  // namespace vornalt
