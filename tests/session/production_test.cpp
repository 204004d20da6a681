// A production batch on the simulated programmer: chips go in and out of the socket between
// runs, some of them wrong, and the counters, the serials and the log follow.
#include "session/production.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/sha256.h"
#include "settings/setting_names.h"
#include "sim/sim_chip.h"
#include "support/session_rig.h"
#include "support/temp_folder.h"

namespace vornalt {
namespace {

std::vector<std::vector<std::string>> csvrows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
        rows.push_back(cells);
    }
    return rows;
}

// Ten chips, the fourth socket empty and the seventh a 16F84A: eight pass with serials 300-307,
// in order, each in the chip as RETLW bytes; the failed two take none and show no box.
TEST(Production, TenChipsTwoFailing) {
    testing::SessionRig rig(testing::cataloguefile(VORNALT_SHIPPED_CATALOGUE), "16F877A");
    ASSERT_TRUE(rig.ready());
    testing::TempFolder temp;
    const std::string firmware = ":020000000528D1\r\n:00000001FF\r\n";  // GOTO 5 at 0
    ProductionSetup setup;
    setup.hexfile = temp.write("fw.hex", firmware);
    setup.logfile = temp.folder() + "batch.csv";
    setup.serialat = "10,0x11";
    setup.serial = 300;
    setup.keepserial = true;
    Production batch(*rig.session);
    ASSERT_TRUE(batch.start(setup).ok());
    rig.window.messages.clear();

    std::vector<std::int64_t> serials;
    for (int chip = 1; chip <= 10; ++chip) {
        rig.board().insert(chip == 4 ? nullptr : makechip(chip == 7 ? "16F84A" : "16F877A"));
        const ChipRecord& record = batch.next_chip();
        const bool good = chip != 4 && chip != 7;
        EXPECT_EQ(record.passed, good) << chip << ": " << record.message;
        EXPECT_TRUE(batch.last_log().ok());
        if (!good) continue;
        serials.push_back(record.serial);
        const ChipMemory& memory = rig.chipmemory();
        EXPECT_EQ(memory.program[0], 0x2805);
        EXPECT_EQ(memory.program[0x10], 0x3400 | (record.serial >> 8)) << chip;
        EXPECT_EQ(memory.program[0x11], 0x3400 | (record.serial & 0xFF)) << chip;
    }
    EXPECT_EQ(serials, (std::vector<std::int64_t>{300, 301, 302, 303, 304, 305, 306, 307}));
    EXPECT_EQ(batch.counts().passed, 8);
    EXPECT_EQ(batch.counts().failed, 2);
    EXPECT_EQ(batch.next_serial(), 308);
    EXPECT_EQ(Production::saved_serial(*rig.session), 308) << "kept for the next start";
    EXPECT_TRUE(rig.window.messages.empty()) << rig.window.messages.front();

    Result<std::string> log = read_file(setup.logfile);
    ASSERT_TRUE(log.ok());
    const auto rows = csvrows(log.value());
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"time", "model", "file", "sha256", "device_id", "serial", "result",
                                                 "duration_ms", "message"}));
    for (std::size_t chip = 1; chip <= 10; ++chip) {
        const auto& row = rows[chip];
        ASSERT_GE(row.size(), 9u) << chip;
        EXPECT_EQ(row[1], "16F877A");
        EXPECT_EQ(row[2], "fw.hex");
        EXPECT_EQ(row[3], sha256hex(firmware));
        EXPECT_EQ(row[6], chip == 4 || chip == 7 ? "fail" : "pass") << chip;
    }
    // A failed chip logs the serial it was given, which the next chip gets again.
    EXPECT_EQ(rows[4][5], "303");
    EXPECT_EQ(rows[5][5], "303");
    EXPECT_EQ(rows[7][5], "305");
    EXPECT_EQ(rows[8][5], "305");
    EXPECT_EQ(rows[7][4].substr(0, 3), "056") << "the 16F84A's ID, read";
    EXPECT_EQ(rows[1][4].substr(0, 3), "0E2");
    EXPECT_NE(rows[4][8].find("16F877A"), std::string::npos) << "the empty socket's message is logged";
}

// A file rebuilt in the middle of a batch is neither programmed under the old file's checksum
// nor reloaded behind the serial's back: the chip fails untouched, logged, its serial kept.
TEST(Production, FileChangedMidBatchFailsTheChipUnrun) {
    testing::SessionRig rig(testing::cataloguefile(VORNALT_SHIPPED_CATALOGUE), "16F877A");
    ASSERT_TRUE(rig.ready());
    testing::TempFolder temp;
    ProductionSetup setup;
    setup.hexfile = temp.write("fw.hex", ":020000000528D1\r\n:00000001FF\r\n");
    setup.logfile = temp.folder() + "batch.csv";
    setup.serialat = "10";
    setup.serial = 7;
    Production batch(*rig.session);
    ASSERT_TRUE(batch.start(setup).ok());
    rig.board().insert(makechip("16F877A"));
    ASSERT_TRUE(batch.next_chip().passed);

    temp.write("fw.hex", ":020000000628D0\r\n:00000001FF\r\n");  // GOTO 6 now
    rig.board().insert(makechip("16F877A"));
    const ChipRecord& record = batch.next_chip();
    EXPECT_FALSE(record.passed);
    EXPECT_NE(record.message.find("changed on disk"), std::string::npos) << record.message;
    EXPECT_EQ(rig.chipmemory().program[0], 0x3FFF) << "the new chip was not written";
    EXPECT_EQ(batch.next_serial(), 8);
    EXPECT_EQ(batch.counts().failed, 1);
    Result<std::string> log = read_file(setup.logfile);
    ASSERT_TRUE(log.ok());
    EXPECT_EQ(csvrows(log.value()).size(), 3u) << "header and both chips";
}

// A serial in the user ID words reaches each chip, one hex digit per word.
TEST(Production, SerialInTheIdWordsReachesTheChip) {
    testing::SessionRig rig(testing::cataloguefile(VORNALT_SHIPPED_CATALOGUE), "16F877A");
    ASSERT_TRUE(rig.ready());
    testing::TempFolder temp;
    ProductionSetup setup;
    setup.hexfile = temp.write("fw.hex", ":020000000528D1\r\n:00000001FF\r\n");
    setup.serialat = "ID";
    setup.serial = 0x12EF;
    Production batch(*rig.session);
    ASSERT_TRUE(batch.start(setup).ok());
    for (const std::int32_t last : {0xF, 0x0}) {  // 12EFh, then 12F0h
        rig.board().insert(makechip("16F877A"));
        ASSERT_TRUE(batch.next_chip().passed);
        EXPECT_EQ(rig.chipmemory().id, (std::array<std::int32_t, 4>{0x1, 0x2, last == 0 ? 0xF : 0xE, last}));
    }
}

// A batch that cannot start leaves the image alone: a serial that does not fit its bytes, an
// address past program memory, a missing file.
TEST(Production, RefusesToStart) {
    testing::SessionRig rig(testing::cataloguefile(VORNALT_SHIPPED_CATALOGUE), "16F877A");
    testing::TempFolder temp;
    const std::string file = temp.write("fw.hex", ":020000000528D1\r\n:00000001FF\r\n");
    const struct {
        std::string file, at;
        std::int64_t serial;
        const char* says;
    } cases[] = {
        {file, "10", 256, "does not fit in 1 byte"},
        {file, "2000", 1, "no program memory address"},
        {file, "10,10", 1, "given twice"},
        {temp.folder() + "none.hex", "", 0, "none.hex"},
    };
    for (const auto& c : cases) {
        Production batch(*rig.session);
        ProductionSetup setup;
        setup.hexfile = c.file;
        setup.serialat = c.at;
        setup.serial = c.serial;
        const Status started = batch.start(setup);
        ASSERT_FALSE(started.ok()) << c.says;
        EXPECT_NE(started.error().message.find(c.says), std::string::npos) << started.error().message;
        EXPECT_EQ(rig.session->loaded_file(), "") << c.says;
        EXPECT_FALSE(batch.next_chip().passed);
        EXPECT_EQ(batch.counts().total(), 0);
    }
}

}  // namespace
}  // namespace vornalt
