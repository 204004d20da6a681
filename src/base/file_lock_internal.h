#pragma once
// What file_lock.cpp shares with the operating system's half of the lock (file_lock_posix.cpp or
// file_lock_windows.cpp, chosen by CMake). Not for use outside base.
#include <string>

#include "base/result.h"

namespace vornalt::file_lock_internal {

Error cannot_lock(const std::string& lockpath, const std::string& what, int code);
// holder is the process id read from the lock file, empty when unknown.
Error in_use(const std::string& what, const std::string& holder);

}  // namespace vornalt::file_lock_internal
