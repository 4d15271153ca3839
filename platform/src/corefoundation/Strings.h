// What other platform families need of CFString's inside.
#pragma once

#include <CoreFoundation/CFString.h>

#include "../common/Object.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// A string object and its UTF-16 units in one allocation: the units follow the record.
struct __CFString : platform::Object {
    uint32_t length = 0;
    mutable bool hashed = false;
    mutable CFHashCode hash = 0; // worked out when first asked for

    const char16_t* data() const { return reinterpret_cast<const char16_t*>(this + 1); }
    char16_t* data() { return reinterpret_cast<char16_t*>(this + 1); }
    std::u16string_view units() const { return {data(), length}; }

    // Allocated and freed whole, with room for the units after the record.
    static void operator delete(void* memory) { ::operator delete(memory); }
};
static_assert(sizeof(__CFString) % alignof(char16_t) == 0);

namespace platform {

extern const ObjectClass kStringClass;

inline bool isStringObject(const void* cf) {
    return cf != nullptr && static_cast<const Object*>(cf)->cls == &kStringClass;
}

// Worked out once and kept with the string: four units at a time, each word mixed in by a
// multiply. Equal contents, equal hash.
inline CFHashCode stringHashOf(const __CFString* string) {
    if (!string->hashed) {
        const char16_t* units = string->data();
        size_t length = string->length;
        uint64_t h = 0x9E3779B97F4A7C15ull ^ length;
        size_t i = 0;
        for (; i + 4 <= length; i += 4) {
            uint64_t word;
            std::memcpy(&word, units + i, sizeof word);
            h = (h ^ word) * 0xff51afd7ed558ccdULL;
            h ^= h >> 32;
        }
        uint64_t tail = 0;
        std::memcpy(&tail, units + i, (length - i) * sizeof(char16_t));
        h = (h ^ tail) * 0xc4ceb9fe1a85ec53ULL;
        h ^= h >> 29;
        string->hash = h;
        string->hashed = true;
    }
    return string->hash;
}

inline bool stringsEqual(const __CFString* x, const __CFString* y) {
    if (x->length != y->length || (x->hashed && y->hashed && x->hash != y->hash)) {
        return false;
    }
    return std::memcmp(x->data(), y->data(), x->length * sizeof(char16_t)) == 0;
}

} // namespace platform

namespace platform {

// The string's text as UTF-8 (unpaired surrogates become U+FFFD); empty for null.
std::string stringToUtf8(CFStringRef string);
// A new string from UTF-8 text, invalid bytes replaced; never null unless allocation fails.
CFStringRef createStringFromUtf8Lenient(const std::string& text);

} // namespace platform
