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
// Decodes the scalar value at bytes[i]; its length in bytes, or 0 when the bytes there are not
// well-formed UTF-8 (cut short, overlong, a surrogate, above U+10FFFF).
size_t decodeUtf8(std::string_view bytes, size_t i, char32_t* value);
// A byte offset moved to the start (or the end) of the well-formed character it falls inside;
// an offset on a boundary, or among bytes that are not UTF-8, stays. Offsets past the end are
// taken as the end.
size_t characterStart(std::string_view bytes, size_t at);
size_t characterEnd(std::string_view bytes, size_t at);

} // namespace platform
