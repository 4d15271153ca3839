// What the files of the scenario runner share: the error that stops a scenario and the
// checks of a command's words.
#pragma once

#include "host/scenario/ScenarioReader.h"

#include <Carbon/Carbon.h>

#include <string>
#include <vector>

namespace scenario {

// The Accounting bundle's factory, whose live instances `expect instances` counts.
inline const char* const kFactoryUUID = "5C16FB24-2D86-46E4-AFE6-D8C0F52B5124";

// A failure that stops the scenario: a syntax error, a missing file, a bad bundle.
struct ScenarioError {
    std::string message;
};

[[noreturn]] inline void fail(const std::string& message) {
    throw ScenarioError{message};
}

inline void needWords(const std::vector<std::string>& w, size_t count, const char* usage) {
    if (w.size() != count) {
        fail(std::string("usage: ") + usage);
    }
}

inline long numberOf(const std::string& word) {
    long value = 0;
    if (!parseNumber(word, &value)) {
        fail("\"" + word + "\" is not a number");
    }
    return value;
}

// The text of a string object; empty for anything else.
inline std::string cfText(CFTypeRef value) {
    char text[1024] = "";
    if (value != nullptr && CFGetTypeID(value) == CFStringGetTypeID()) {
        CFStringGetCString(static_cast<CFStringRef>(value), text, sizeof text,
                           kCFStringEncodingUTF8);
    }
    return text;
}

} // namespace scenario
