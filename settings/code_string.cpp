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
    if (length <= limit) {
        return length;
    }
    // Walk back over at most three continuation bytes to the lead byte of the character that
    // holds byte `limit`; if that character does not end at `limit`, cut before it.
    size_t cut = limit;
    size_t lead = cut;
    while (lead > 0 && cut - lead < 3 && (static_cast<unsigned char>(bytes[lead]) & 0xC0) == 0x80) {
        --lead;
    }
    if (lead == cut) {
        return cut; // byte `limit` starts a character: the prefix ends on a boundary
    }
    size_t needed = sequenceLength(static_cast<unsigned char>(bytes[lead]));
    if (needed > 1 && lead + needed > cut) {
        return lead;
    }
    return cut;
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
