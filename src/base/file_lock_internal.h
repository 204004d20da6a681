#pragma once
// What file_lock.cpp shares with the operating system's half of the lock (file_lock_posix.cpp or
// file_lock_windows.cpp, chosen by CMake). Not for use outside base.
#include <string>
#include <string_view>

#include "base/result.h"

namespace vornalt::file_lock_internal {

Error cannot_lock(const std::string& lockpath, const std::string& what, int code);
// contents: what the lock file holds ("<pid> <holder>\n"), empty when it cannot be read.
Error in_use(const std::string& what, std::string_view contents);
// What a lock file says of the process that holds it.
std::string holdertext(const std::string& holder);

}  // namespace vornalt::file_lock_internal
