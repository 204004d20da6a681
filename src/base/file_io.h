#pragma once
// Whole-file reading and writing. A file is written whole or not at all: the text goes to a
// temporary file beside the target, which replaces the target only once it is complete, so a
// failure never destroys what was there before.
#include <string>
#include <string_view>

#include "base/result.h"

namespace vornalt {

// The file's bytes, unchanged (no line-end translation).
Result<std::string> read_file(const std::string& path);

// Creates or replaces the file with exactly these bytes. On failure the old file (if any) is
// untouched and no temporary file is left behind; the error names the file and the reason.
Status write_file_whole(const std::string& path, std::string_view contents);

}  // namespace vornalt
