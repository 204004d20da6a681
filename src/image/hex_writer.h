#pragma once
// Writes the memory image as an Intel HEX file that the loader reads back: FLASH words from
// byte address 0000 up to the last non-blank word, the four ID words unless all are erased,
// CONFIG1, CONFIG2 when the model has it,
// EEPROM bytes as words from 4200 up to the last non-FF byte, then the end record.
// 16 data bytes per record, upper-case digits, CR LF after every line.
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/result.h"
#include "image/memory_image.h"

namespace vornalt {

// The records of the image, one line each, without line ends. Fails when a non-blank location
// lies beyond what 16-bit byte addresses can reach (more than 32768 FLASH words or 24320
// EEPROM bytes in use), since such a file would put words at the wrong addresses.
Result<std::vector<std::string>> hexrecords(const MemoryImage& image, bool config2used);

// The whole file text: every record followed by CR LF.
Result<std::string> hexfiletext(const MemoryImage& image, bool config2used);

// Writes the file whole or not at all; on failure the existing file is untouched and the error
// names the file and the reason. The image is not changed. A read-only file is replaced only
// with options.replacereadonly; otherwise isreadonlyrefusal(error) is true.
Status savehex(const std::string& path, const MemoryImage& image, bool config2used, WriteOptions options = {});

}  // namespace vornalt
