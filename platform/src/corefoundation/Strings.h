// What other platform families need of CFString's inside.
#pragma once

#include <CoreFoundation/CFString.h>

#include <string>

namespace platform {

// The string's text as UTF-8 (unpaired surrogates become U+FFFD); empty for null.
std::string stringToUtf8(CFStringRef string);
// A new string from UTF-8 text, invalid bytes replaced; never null unless allocation fails.
CFStringRef createStringFromUtf8Lenient(const std::string& text);

} // namespace platform
