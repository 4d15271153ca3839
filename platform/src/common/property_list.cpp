#include "PropertyList.h"

#include "Unicode.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace platform {
namespace {

// The deepest nesting of dict and array elements, or -1 when the markup is cut short. Comments,
// processing instructions, declarations and CDATA sections are skipped; a '<' can't stand
// anywhere else in well-formed XML.
int nestingDepth(const std::string& text) {
    int depth = 0;
    int deepest = 0;
    size_t i = 0;
    auto skipPast = [&](const char* end) {
        size_t found = text.find(end, i);
        if (found == std::string::npos) {
            return false;
        }
        i = found + std::strlen(end);
        return true;
    };
    while ((i = text.find('<', i)) != std::string::npos) {
        if (text.compare(i, 4, "<!--") == 0) {
            if (!skipPast("-->")) {
                return -1;
            }
            continue;
        }
        if (text.compare(i, 9, "<![CDATA[") == 0) {
            if (!skipPast("]]>")) {
                return -1;
            }
            continue;
        }
        size_t close = text.find('>', i);
        if (close == std::string::npos) {
            return -1;
        }
        std::string_view tag(text.data() + i + 1, close - i - 1);
        i = close + 1;
        if (tag.empty() || tag[0] == '?' || tag[0] == '!' || tag.back() == '/') {
            continue;
        }
        bool closing = tag[0] == '/';
        std::string_view name = tag.substr(closing ? 1 : 0);
        name = name.substr(0, name.find_first_of(" \t\r\n"));
        if (name != "dict" && name != "array" && name != "plist") {
            continue;
        }
        if (closing) {
            --depth;
        } else if (++depth > deepest) {
            deepest = depth;
            if (deepest > kMaxPropertyListDepth) {
                return deepest;
            }
        }
    }
    return deepest;
}

// XML 1.0's Char production: tab, line feed, carriage return, and U+0020 upwards except the
// surrogates, U+FFFE and U+FFFF.
bool isXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

std::string hexByte(unsigned char byte) {
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[byte >> 4] + digits[byte & 0xF];
}

// The code point a character reference such as "&#65;" or "&#x41;" at i names; false when the
// text at i is not one (entity references and stray ampersands are libplist's to judge).
bool characterReference(const std::string& text, size_t i, char32_t* code) {
    if (text.compare(i, 2, "&#") != 0) {
        return false;
    }
    size_t at = i + 2;
    int base = 10;
    if (at < text.size() && text[at] == 'x') {
        base = 16;
        ++at;
    }
    uint64_t value = 0;
    size_t digits = 0;
    for (; at < text.size() && text[at] != ';'; ++at, ++digits) {
        int digit = std::isdigit(static_cast<unsigned char>(text[at])) ? text[at] - '0'
                    : base == 16 && std::isxdigit(static_cast<unsigned char>(text[at]))
                        ? std::tolower(static_cast<unsigned char>(text[at])) - 'a' + 10
                        : -1;
        if (digit < 0) {
            return false;
        }
        value = std::min<uint64_t>(value * static_cast<uint64_t>(base) + digit, 0x110000);
    }
    if (digits == 0 || at >= text.size()) {
        return false;
    }
    *code = static_cast<char32_t>(value);
    return true;
}

} // namespace

std::string findDisallowedCharacter(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        // Printable ASCII, tab and line ends, the bulk of any property list, need no decoding.
        auto byte = static_cast<unsigned char>(text[i]);
        if ((byte >= 0x20 && byte < 0x7F && byte != '&') || byte == '\t' || byte == '\n' ||
            byte == '\r') {
            ++i;
            continue;
        }
        char32_t code = 0;
        size_t length = decodeUtf8(text, i, &code);
        if (length == 0) {
            return "byte " + hexByte(static_cast<unsigned char>(text[i])) + " at offset " +
                   std::to_string(i) + " is not UTF-8";
        }
        if (!isXmlChar(code)) {
            return "byte " + hexByte(static_cast<unsigned char>(text[i])) + " at offset " +
                   std::to_string(i) + " is not allowed in XML";
        }
        if (text[i] == '&' && characterReference(text, i, &code) && !isXmlChar(code)) {
            return "character reference at offset " + std::to_string(i) +
                   " names a character not allowed in XML";
        }
        i += length;
    }
    return {};
}

bool readWholeFile(const std::string& path, size_t maxBytes, std::string* bytes,
                   std::string* error) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string data;
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (data.size() + n > maxBytes) {
            std::fclose(file);
            *error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
            return false;
        }
        data.append(chunk, n);
    }
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        *error = path + ": read error";
        return false;
    }
    *bytes = std::move(data);
    return true;
}

bool parsePropertyList(const std::string& bytes, plist_t* root, std::string* error) {
    if (bytes.size() > kMaxPropertyListBytes) {
        *error = "property list larger than " + std::to_string(kMaxPropertyListBytes) + " bytes";
        return false;
    }
    size_t start = bytes.find_first_not_of(" \t\r\n");
    if (start == std::string::npos || bytes.size() - start < 8 || bytes[start] != '<' ||
        bytes.find("<plist") == std::string::npos) {
        *error = "not an XML property list";
        return false;
    }
    // libplist 2.2 asserts on a string holding a NUL byte, so characters that XML does not allow
    // never reach it.
    std::string disallowed = findDisallowedCharacter(bytes);
    if (!disallowed.empty()) {
        *error = "malformed property list: " + disallowed;
        return false;
    }
    int depth = nestingDepth(bytes);
    if (depth < 0) {
        *error = "property list cut short";
        return false;
    }
    if (depth > kMaxPropertyListDepth) {
        *error = "property list nested deeper than " + std::to_string(kMaxPropertyListDepth);
        return false;
    }
    plist_t parsed = nullptr;
    plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &parsed);
    if (parsed == nullptr) {
        *error = "malformed property list";
        return false;
    }
    *root = parsed;
    return true;
}

bool readPropertyListFile(const std::string& path, plist_t* root, std::string* error) {
    std::string bytes;
    if (!readWholeFile(path, kMaxPropertyListBytes, &bytes, error)) {
        return false;
    }
    if (!parsePropertyList(bytes, root, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

std::string propertyListToXml(plist_t root) {
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    std::string text = xml == nullptr ? std::string() : std::string(xml, length);
    if (xml != nullptr) {
        plist_to_xml_free(xml);
    }
    return text;
}

} // namespace platform
