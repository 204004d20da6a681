#pragma once
// Reading a whole text file, with the system's reason when that fails.
#include <string>

#include "base/result.h"

namespace vornalt {

// The file's bytes, unchanged. The error's code is the errno of the failed call and its message
// "<path>: <reason>" (the caller says what it was reading and what to do).
Result<std::string> readwholefile(const std::string& path);

}  // namespace vornalt
