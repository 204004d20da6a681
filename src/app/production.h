#pragma once
// The pieces of a production batch that need no programmer: serial numbers placed as RETLW
// words, the CSV log and its rows. Session's Production runs the chips with them.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "image/memory_image.h"

namespace vornalt {

// Where a serial goes: one byte per program word, as RETLW k (34kkh), most significant byte
// at the first address, so a table read in address order gives the number as written. Or the
// four user ID words, one hex digit in the low four bits of each (the bits the parts' documents
// advise using), most significant first: serials up to 65535.
struct SerialPlace {
    std::vector<std::int32_t> addresses;
    bool idwords = false;
};

// "ADDR,ADDR,..." in hex (0x or h allowed), each inside program memory of flashwords words,
// no address twice; or "ID" (any case) for the user ID words.
Result<SerialPlace> parseserialplace(std::string_view text, std::int32_t flashwords);

// Writes serial into the image at place; fails (writing nothing) when it does not fit the bytes
// given or is negative.
Status putserial(MemoryImage& image, const SerialPlace& place, std::int64_t serial);

// One chip of the batch, one row of the log.
struct ChipRecord {
    std::string time;           // UTC, 2026-12-08T04:30:00Z
    std::string model;
    std::string file;           // name of the HEX file, without its folder
    std::string sha256;         // of the HEX file's bytes
    std::int32_t deviceid = -1; // the word read at 2006h; -1: none read (empty socket, no ID check)
    std::int64_t serial = -1;   // -1: the batch writes no serial
    bool passed = false;
    std::int64_t duration_ms = 0;
    std::string message;        // what the run said, whole (lines joined with " / ")
};

std::string csvheader();
std::string csvrow(const ChipRecord& record);
// Adds the row to the log, with the header first in a new or empty file. The file is written
// whole each time, so a crash leaves the log as it was before the chip or after it.
Status appendlogrow(const std::string& path, const ChipRecord& record);

// The current time as ChipRecord::time writes it.
std::string utcstamp();

}  // namespace vornalt
