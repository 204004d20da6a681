#pragma once
// The texts the engine shows in message boxes. Lines are separated by CR LF.
#include <cstdint>
#include <string>
#include <string_view>

namespace vornalt {

// A blank check read something other than the erased value. address and read are hex texts.
std::string blankmessage(std::string_view address, std::string_view read);
// A verify check read something other than the image holds.
std::string verifymessage(std::string_view address, std::string_view read, std::string_view expected);

// Added to a Verify failure that read 0 from a code-protected chip: CR LF and one line.
std::string protectedverifyline();

// The word read at 2006h is not the model's device ID: "Device ID 09A0h is not a 16F877A
// (expects 0E20h)". found and expected are the identifying bits only.
std::string wrongdevicemessage(std::int32_t found, std::string_view modelname, std::int32_t expected);

// A model without a device ID met a chip that answers with another part's: "Device ID 0E23h is
// a 16F877A; a 16F84 has no device ID".
std::string otherpartmessage(std::int32_t found, std::string_view othername, std::string_view modelname);
// The word read at 2006h is 0000h or 3FFFh: no chip answered.
std::string nochipmessage(std::int32_t read, std::string_view modelname);
// The question after either of those: the text, then whether to go on anyway.
std::string goonanywayquestion(std::string_view problem);
// A calibration cell read erased: its factory value was lost before this run. replacement is
// the image's value written in its place, -1 when the image holds none.
std::string calibrationlostmessage(std::int32_t address, std::int32_t read, std::int32_t replacement);
// A FLASH calibration word holds something other than a RETLW (34xxh). replacement is the
// image's RETLW written in its place; -1 when the image holds none and the run stops.
std::string calibrationinvalidmessage(std::int32_t address, std::int32_t read, std::int32_t replacement);
// A calibration cell read back after its value was written back (or should have survived an
// erase) holds something else. editable: the image has the cell, so the user can put the value
// there; otherwise the text names the value the run kept.
std::string calibrationnotrestoredmessage(std::int32_t address, std::int32_t read, bool editable, std::int32_t kept);

// Texts of a run that had to be stopped; each ends with the line saying so.
std::string unrecognisedmessage(std::string_view line);
std::string noloopendmessage(std::int32_t linenumber, std::string_view line);
std::string noloopheadermessage(std::int32_t linenumber, std::string_view line);
std::string loopendedmessage(std::int32_t linenumber, std::string_view line);
std::string loopstuckmessage(std::int32_t linenumber, std::string_view line);
std::string lastlinefailedmessage(std::int32_t linenumber, std::string_view line);
// address is the address as the user sees it (EEPROM byte n at 2100h + n); size counts
// the region's words or bytes.
std::string outsidememorymessage(std::int32_t linenumber, std::string_view line, bool flash,
                                 std::int32_t address, std::int32_t size);

}  // namespace vornalt
