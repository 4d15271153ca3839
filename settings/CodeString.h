// Codes are bytes in the system encoding (UTF-8 here). A code is never cut inside a character.
#pragma once

#include <cstddef>

// The length of the longest prefix of bytes[0, length) that is at most limit bytes long and does
// not end inside a multibyte character, whether the limit or the bytes themselves cut it. A stray
// continuation byte counts as a character of its own.
size_t codePrefixLength(const char* bytes, size_t length, size_t limit);

// Copies at most fieldSize - 1 bytes of the code into the field, cut at a character boundary,
// and terminates it inside the field.
void storeCode(char* field, size_t fieldSize, const char* bytes, size_t length);
