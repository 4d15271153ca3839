// What other platform families need of CFString's inside.
#pragma once

#include <CoreFoundation/CFString.h>

#include "../common/Object.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// A string object and its text in one allocation: one byte a unit when every unit is below
// 0x100 (the common case of names and keys), else the UTF-16 units. Equal texts are always
// stored the same way, so the stored bytes can be hashed and compared directly. The text starts
// right after the hash, 20 bytes into the record, in what would be the record's tail padding.
struct __CFString : platform::Object {
    uint32_t length : 31 = 0;  // in UTF-16 units
    uint32_t narrow : 1 = 0;   // one byte a unit
    mutable uint32_t hash = 0; // worked out when first asked for; 0 until then
    uint8_t text[];            // the stored units; written only after the record is made

    const uint8_t* bytes() const { return text; }
    uint8_t* bytes() { return text; }
    const char16_t* wideUnits() const { return reinterpret_cast<const char16_t*>(text); }
    char16_t* wideUnits() { return reinterpret_cast<char16_t*>(text); }
    size_t storedSize() const { return length * (narrow ? 1 : sizeof(char16_t)); }

    char16_t unitAt(size_t i) const { return narrow ? bytes()[i] : wideUnits()[i]; }
    // Units [from, from + count) into out.
    void copyUnits(size_t from, size_t count, char16_t* out) const {
        if (narrow) {
            for (size_t i = 0; i < count; ++i) {
                out[i] = bytes()[from + i];
            }
        } else if (count > 0) {
            std::memcpy(out, wideUnits() + from, count * sizeof(char16_t));
        }
    }
    std::u16string units() const {
        std::u16string out(length, u'\0');
        copyUnits(0, length, out.data());
        return out;
    }

    static constexpr size_t kLongestLength = 0x7fffffff;
    // Where the text starts, and the bytes a record with size bytes of text needs.
    static constexpr size_t kTextOffset = 20;
    static size_t allocationSize(size_t size) {
        return std::max(sizeof(__CFString), kTextOffset + size);
    }

    // Made and freed only with their text, as small blocks (cfstring.cpp).
    static void operator delete(void* memory) = delete;
};
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(__CFString, text) == __CFString::kTextOffset);
#pragma GCC diagnostic pop

namespace platform {

extern const ObjectClass kStringClass;

inline bool isStringObject(const void* cf) {
    return cf != nullptr && static_cast<const Object*>(cf)->cls == &kStringClass;
}

// Worked out once and kept with the string: eight stored bytes at a time, each word mixed in by a
// multiply. Equal contents, equal hash.
inline CFHashCode stringHashOf(const __CFString* string) {
    if (string->hash == 0) {
        const uint8_t* stored = string->bytes();
        size_t size = string->storedSize();
        uint64_t h = 0x9E3779B97F4A7C15ull ^ string->length;
        size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            uint64_t word;
            std::memcpy(&word, stored + i, sizeof word);
            h = (h ^ word) * 0xff51afd7ed558ccdULL;
            h ^= h >> 32;
        }
        uint64_t tail = 0;
        std::memcpy(&tail, stored + i, size - i);
        h = (h ^ tail) * 0xc4ceb9fe1a85ec53ULL;
        h ^= h >> 29;
        auto kept = static_cast<uint32_t>(h ^ (h >> 32));
        string->hash = kept != 0 ? kept : 1;
    }
    return string->hash;
}

inline bool stringsEqual(const __CFString* x, const __CFString* y) {
    if (x->length != y->length || x->narrow != y->narrow ||
        (x->hash != 0 && y->hash != 0 && x->hash != y->hash)) {
        return false;
    }
    return std::memcmp(x->bytes(), y->bytes(), x->storedSize()) == 0;
}

} // namespace platform

namespace platform {

// The string's text as UTF-8 (unpaired surrogates become U+FFFD); empty for null.
std::string stringToUtf8(CFStringRef string);
// A new string from UTF-8 text, invalid bytes replaced; never null unless allocation fails.
CFStringRef createStringFromUtf8Lenient(const std::string& text);

} // namespace platform
