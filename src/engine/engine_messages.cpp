#include "engine/engine_messages.h"

#include "image/hex_text.h"

namespace vornalt {
namespace {

constexpr std::string_view k_crlf = "\r\n";
constexpr std::string_view k_stopped = "The operation has been stopped.";

// "Script line 7 ('loop') " - how every stop names the line it happened at.
std::string whereline(std::int32_t linenumber, std::string_view line) {
    std::string text = "Script line " + std::to_string(linenumber) + " ('";
    text += line;
    text += "') ";
    return text;
}

std::string stopped(std::string text) {
    text += k_crlf;
    text += k_stopped;
    return text;
}

// "<what><address>h!" and the value read: the first two lines of the blank and verify messages.
std::string valueatmessage(std::string_view what, std::string_view address, std::string_view read) {
    std::string text(what);
    text += address;
    text += "h!";
    text += k_crlf;
    text += "The value read from that address is ";
    text += read;
    text += "h.";
    return text;
}

// The head the lost and the invalid calibration messages share, and the line for an image
// value that takes the chip's place.
std::string calibrationreads(std::int32_t address, std::int32_t read) {
    return "The calibration value at " + tohex4(address) + "h reads " + tohex4(read) + "h";
}

std::string imagevalueinstead(std::int32_t replacement) {
    return "The image's value " + tohex4(replacement) + "h is written in its place.";
}

}  // namespace

std::string blankmessage(std::string_view address, std::string_view read) {
    return valueatmessage("Chip is not blank at address ", address, read);
}

std::string verifymessage(std::string_view address, std::string_view read, std::string_view expected) {
    std::string text = valueatmessage("Verify failed at address ", address, read);
    text += k_crlf;
    text += "The value expected is ";
    text += expected;
    text += "h.";
    return text;
}

std::string wrongdevicemessage(std::int32_t found, std::string_view modelname, std::int32_t expected) {
    std::string text = "Device ID " + tohex4(found) + "h is not a ";
    text += modelname;
    text += " (expects " + tohex4(expected) + "h).";
    return text;
}

std::string otherpartmessage(std::int32_t found, std::string_view othername, std::string_view modelname) {
    std::string text = "Device ID " + tohex4(found) + "h is a ";
    text += othername;
    text += "; a ";
    text += modelname;
    text += " has no device ID.";
    return text;
}

std::string nochipmessage(std::int32_t read, std::string_view modelname) {
    std::string text = "No chip answered: the device ID reads " + tohex4(read) + "h.";
    text += k_crlf;
    text += "Check that a ";
    text += modelname;
    text += " sits in the socket the right way round and that the programmer is powered and connected.";
    return text;
}

std::string goonanywayquestion(std::string_view problem) {
    std::string text(problem);
    text += k_crlf;
    text += "Nothing has been written to the chip. Go on anyway?";
    return text;
}

std::string calibrationlostmessage(std::int32_t address, std::int32_t read, std::int32_t replacement) {
    std::string text = calibrationreads(address, read) + ", as erased: this chip lost its factory value before.";
    text += k_crlf;
    text += replacement >= 0 ? imagevalueinstead(replacement) : std::string("The image holds none, so it stays erased.");
    return text;
}

std::string protectedverifyline() {
    std::string text(k_crlf);
    text += "The chip is code-protected (its configuration word says so), so its memory reads 0000h; "
            "Program All already checked each word before protecting it.";
    return text;
}

std::string calibrationinvalidmessage(std::int32_t address, std::int32_t read, std::int32_t replacement) {
    std::string text = calibrationreads(address, read) +
                       ", which is no RETLW (34xxh) and so no calibration value (a code-protected chip may read so).";
    text += k_crlf;
    text += replacement >= 0 ? imagevalueinstead(replacement)
                             : "Nothing has been written. Put the value from the chip's label at " + tohex4(address) +
                                   "h with Edit and try again.";
    return text;
}

std::string calibrationnotrestoredmessage(std::int32_t address, std::int32_t read, bool editable, std::int32_t kept) {
    std::string text = "Calibration word could not be restored: the chip now holds " + tohex4(read) + "h at " +
                       tohex4(address) + "h; ";
    text += editable ? std::string("write the value from the chip's label back with Edit")
                     : "it held " + tohex4(kept) + "h before this run";
    return text;
}

std::string unrecognisedmessage(std::string_view line) {
    std::string text = "Unrecognized symbolic instruction '";
    text += line;
    text += "'.";
    return stopped(std::move(text));
}

std::string noloopendmessage(std::int32_t linenumber, std::string_view line) {
    return stopped(whereline(linenumber, line) + "starts a loop that no 'loop' line closes.");
}

std::string noloopheadermessage(std::int32_t linenumber, std::string_view line) {
    return stopped(whereline(linenumber, line) + "has no loop header before it in this operation.");
}

std::string loopendedmessage(std::int32_t linenumber, std::string_view line) {
    return stopped(whereline(linenumber, line) + "goes back to a loop that has already ended.");
}

std::string loopstuckmessage(std::int32_t linenumber, std::string_view line) {
    return stopped(whereline(linenumber, line) +
                   "closes a loop pass that moved no address, so the loop would never end.");
}

std::string lastlinefailedmessage(std::int32_t linenumber, std::string_view line) {
    return stopped(whereline(linenumber, line) +
                   "failed as the last line of the script, so the script cannot finish.");
}

std::string outsidememorymessage(std::int32_t linenumber, std::string_view line, bool flash,
                                 std::int32_t address, std::int32_t size) {
    std::string text = whereline(linenumber, line) + "would use address " + tohex4(address) + "h, outside the ";
    text += flash ? "FLASH memory of the image (" + std::to_string(size) + " words)."
                  : "EEPROM memory of the image (" + std::to_string(size) + " bytes).";
    return stopped(std::move(text));
}

}  // namespace vornalt
