#include "PropertyList.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
        std::string tag = text.substr(i + 1, close - i - 1);
        i = close + 1;
        if (tag.empty() || tag[0] == '?' || tag[0] == '!' || tag.back() == '/') {
            continue;
        }
        bool closing = tag[0] == '/';
        std::string name = tag.substr(closing ? 1 : 0);
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

} // namespace

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
