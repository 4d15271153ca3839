// A strings table from any bytes: it parses or is a clear error that leaves the table alone;
// every key and value it gives is UTF-8 that the bundle's strings can be made of.
#include "FuzzSupport.h"

#include "platform/src/common/Unicode.h"

#include <map>
#include <string>

namespace platform {
bool parseStringsFile(const std::string& bytes, std::map<std::string, std::string>* table,
                      std::string* error);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NoObjectLeftAlive guard;
    std::map<std::string, std::string> table = {{"poison", "untouched"}};
    std::string error;
    if (!platform::parseStringsFile(std::string(reinterpret_cast<const char*>(data), size), &table,
                                    &error)) {
        fuzzCheck(table.size() == 1 && table["poison"] == "untouched",
                  "a table that fails to parse is left alone");
        fuzzCheck(!error.empty() && error.find('\n') == std::string::npos,
                  "a table that fails to parse says why in one line");
        return 0;
    }
    for (const auto& [key, value] : table) {
        fuzzCheck(platform::isValidUtf8(key) && platform::isValidUtf8(value),
                  "keys and values are UTF-8");
        CFStringRef string = CFStringCreateWithBytes(
            nullptr, reinterpret_cast<const UInt8*>(value.data()),
            static_cast<CFIndex>(value.size()), kCFStringEncodingUTF8, false);
        fuzzCheck(string != nullptr, "every value makes a string");
        CFRelease(string);
    }
    return 0;
}
