#pragma once
// Splitting a text into physical lines the one way every reader of the program does (HEX
// files, simulated chip files): CR LF, a lone LF and a lone CR each end one line, and a last
// line without an ending counts as well.
#include <cstddef>
#include <string_view>

namespace vornalt {

class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    // The next line without its ending; false when the text is used up.
    bool next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        std::size_t end = pos_;
        while (end < text_.size() && text_[end] != '\r' && text_[end] != '\n') ++end;
        line = text_.substr(pos_, end - pos_);
        pos_ = end;
        if (pos_ < text_.size()) {
            const bool cr = text_[pos_++] == '\r';
            if (cr && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
        }
        return true;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

}  // namespace vornalt
