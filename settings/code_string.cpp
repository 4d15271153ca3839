#include "settings/CodeString.h"

#include <cstring>

namespace {

// The number of bytes a UTF-8 sequence with this lead byte claims; 1 for anything that is not a
// lead byte.
size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    return 1;
}

} // namespace

size_t codePrefixLength(const char* bytes, size_t length, size_t limit) {
    size_t end = length < limit ? length : limit;
    if (end == 0) {
        return 0;
    }
    // Walk back over at most three continuation bytes to the lead byte of the last character
    // kept; if that character does not end by `end` (cut by the limit, or cut short in the
    // bytes themselves), it goes.
    size_t lead = end - 1;
    while (lead > 0 && end - 1 - lead < 3 &&
           (static_cast<unsigned char>(bytes[lead]) & 0xC0) == 0x80) {
        --lead;
    }
    size_t needed = sequenceLength(static_cast<unsigned char>(bytes[lead]));
    if (needed > 1 && lead + needed > end) {
        return lead;
    }
    return end;
}

void storeCode(char* field, size_t fieldSize, const char* bytes, size_t length) {
    if (field == nullptr || fieldSize == 0) {
        return;
    }
    size_t kept = bytes == nullptr ? 0 : codePrefixLength(bytes, length, fieldSize - 1);
    if (kept > 0) {
        std::memmove(field, bytes, kept);
    }
    field[kept] = '\0';
}
