#include "host/ShownText.h"

#include <glib.h>

namespace {

// The sign a control character shows as: its picture (U+2400 to U+2421) for C0 and DEL, the
// replacement character for the rest.
gunichar visibleSign(gunichar c) {
    if (c < 0x20) {
        return 0x2400 + c;
    }
    if (c == 0x7F) {
        return 0x2421;
    }
    bool c1 = c >= 0x80 && c <= 0x9F;
    bool direction = (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E ||
                     c == 0x200F || c == 0x061C;
    return c1 || direction ? 0xFFFD : c;
}

std::string visible(const std::string& text, size_t maxCharacters) {
    // A NUL would end the repaired string early: it shows as its picture.
    std::string input;
    input.reserve(text.size());
    for (char c : text) {
        if (c == '\0') {
            input += "\xE2\x90\x80";
        } else {
            input += c;
        }
    }
    gchar* valid = g_utf8_make_valid(input.data(), static_cast<gssize>(input.size()));
    std::string out;
    size_t count = 0;
    for (const gchar* p = valid; *p != '\0'; p = g_utf8_next_char(p)) {
        if (count == maxCharacters) {
            out += "\xE2\x80\xA6"; // …
            break;
        }
        gchar bytes[6];
        gint length = g_unichar_to_utf8(visibleSign(g_utf8_get_char(p)), bytes);
        out.append(bytes, static_cast<size_t>(length));
        ++count;
    }
    g_free(valid);
    return out;
}

} // namespace

std::string shownText(const std::string& text, size_t maxCharacters) {
    return visible(text, maxCharacters);
}

std::string oneLine(const std::string& text) {
    return visible(text, std::string::npos);
}
