// Text from a file, as an error message shows it: a control character as an escape, so that a
// message is always one line.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// One character as a message names it, after a backslash of its own: itself when printable,
// else "xNN".
inline std::string characterForMessage(char c) {
    static const char digits[] = "0123456789ABCDEF";
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
        return std::string(1, c);
    }
    std::string out = "x";
    out.push_back(digits[byte >> 4]);
    out.push_back(digits[byte & 0xF]);
    return out;
}

// The text with each control character escaped: \n, \t, else \xNN.
inline std::string escapedForMessage(std::string_view text) {
    std::string out;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += '\\';
            out += characterForMessage(c);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// The text in double quotes, escaped as above. Appended piece by piece: GCC 12 at -O3 warns
// falsely (-Wrestrict) on a literal prepended to a temporary string.
inline std::string quotedForMessage(std::string_view text) {
    std::string out = "\"";
    out += escapedForMessage(text);
    out += '"';
    return out;
}

} // namespace platform
