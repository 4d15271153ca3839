#include "Unicode.h"

#include <algorithm>

namespace platform {

size_t decodeUtf8(std::string_view bytes, size_t i, char32_t* value) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    unsigned char lead = byte(i);
    size_t length;
    char32_t v;
    if (lead < 0x80) {
        *value = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        v = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        v = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        v = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) {
        return 0;
    }
    for (size_t k = 1; k < length; ++k) {
        unsigned char c = byte(i + k);
        if ((c & 0xC0) != 0x80) {
            return 0;
        }
        v = (v << 6) | (c & 0x3F);
    }
    if ((length == 3 && v < 0x800) || (length == 4 && (v < 0x10000 || v > 0x10FFFF)) ||
        (v >= 0xD800 && v <= 0xDFFF)) {
        return 0;
    }
    *value = v;
    return length;
}

namespace {

void appendUtf16(std::u16string* out, char32_t v) {
    if (v >= 0x10000) {
        v -= 0x10000;
        out->push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
        out->push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
        out->push_back(static_cast<char16_t>(v));
    }
}

} // namespace

bool utf8ToUtf16(std::string_view bytes, std::u16string* out) {
    std::u16string result;
    result.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t v;
        size_t length = decodeUtf8(bytes, i, &v);
        if (length == 0) {
            return false;
        }
        appendUtf16(&result, v);
        i += length;
    }
    *out = std::move(result);
    return true;
}

std::u16string utf8ToUtf16Lenient(std::string_view bytes) {
    std::u16string result;
    result.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            result.push_back(static_cast<char16_t>(bytes[i++]));
            continue;
        }
        char32_t v;
        size_t length = decodeUtf8(bytes, i, &v);
        if (length == 0) {
            v = 0xFFFD;
            length = 1;
        }
        appendUtf16(&result, v);
        i += length;
    }
    return result;
}

bool utf16ToUtf8(std::u16string_view units, std::string* out) {
    std::string result;
    result.reserve(units.size());
    for (size_t i = 0; i < units.size(); ++i) {
        char32_t v = units[i];
        if (v >= 0xD800 && v <= 0xDBFF) {
            if (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) {
                return false;
            }
            v = 0x10000 + ((v - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (v >= 0xDC00 && v <= 0xDFFF) {
            return false;
        }
        if (v < 0x80) {
            result.push_back(static_cast<char>(v));
        } else if (v < 0x800) {
            result.push_back(static_cast<char>(0xC0 | (v >> 6)));
            result.push_back(static_cast<char>(0x80 | (v & 0x3F)));
        } else if (v < 0x10000) {
            result.push_back(static_cast<char>(0xE0 | (v >> 12)));
            result.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (v & 0x3F)));
        } else {
            result.push_back(static_cast<char>(0xF0 | (v >> 18)));
            result.push_back(static_cast<char>(0x80 | ((v >> 12) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | ((v >> 6) & 0x3F)));
            result.push_back(static_cast<char>(0x80 | (v & 0x3F)));
        }
    }
    *out = std::move(result);
    return true;
}

size_t characterStart(std::string_view bytes, size_t at) {
    at = std::min(at, bytes.size());
    // The lead byte at most three bytes back, when the sequence it starts covers `at`.
    for (size_t back = 1; back <= 3 && back <= at; ++back) {
        size_t lead = at - back;
        char32_t v;
        size_t length = decodeUtf8(bytes, lead, &v);
        if (length > back) {
            return lead;
        }
        if ((static_cast<unsigned char>(bytes[lead]) & 0xC0) != 0x80) {
            break;
        }
    }
    return at;
}

size_t characterEnd(std::string_view bytes, size_t at) {
    size_t start = characterStart(bytes, at);
    if (start == std::min(at, bytes.size())) {
        return start;
    }
    char32_t v;
    return start + decodeUtf8(bytes, start, &v);
}

bool isValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        char32_t v;
        size_t length = decodeUtf8(bytes, i, &v);
        if (length == 0) {
            return false;
        }
        i += length;
    }
    return true;
}

} // namespace platform
