// UTF-8 and UTF-16 conversions used by strings, tickets and files.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Strict decoding: false for overlong forms, surrogates, values above U+10FFFF and cut sequences.
bool utf8ToUtf16(std::string_view bytes, std::u16string* out);
// Lenient decoding: every invalid byte becomes U+FFFD.
std::u16string utf8ToUtf16Lenient(std::string_view bytes);
// False for an unpaired surrogate.
bool utf16ToUtf8(std::u16string_view units, std::string* out);
bool isValidUtf8(std::string_view bytes);

} // namespace platform
