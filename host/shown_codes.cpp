#include "host/ShownCodes.h"

std::string shownCode(const std::string& code, bool concealed) {
    if (!concealed) {
        return code;
    }
    std::string bullets;
    for (unsigned char c : code) {
        if ((c & 0xC0) != 0x80) {
            bullets += "\xE2\x80\xA2";
        }
    }
    return bullets;
}

std::string quotedCode(const std::string& code, bool concealed) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal prepended
    // to a temporary string.
    std::string out = "\"";
    out += shownCode(code, concealed);
    out += '"';
    return out;
}
