#pragma once
// The file of the running program, as the operating system names it: where the program finds
// the catalogue shipped beside it, and the Windows port library it loads.
#include <filesystem>

#include "base/result.h"

namespace vornalt {

// The full path of the program file this process runs. On failure the message is the system's
// short reason; the caller says what it needed the path for.
Result<std::filesystem::path> running_program_path();

}  // namespace vornalt
