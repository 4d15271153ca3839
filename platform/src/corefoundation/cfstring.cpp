#include <CoreFoundation/CFNumber.h>
#include <CoreFoundation/CFString.h>

#include "../common/Object.h"
#include "../common/SmallBlocks.h"
#include "../common/TypeIDs.h"
#include "../common/Unicode.h"
#include "Strings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

bool stringEqual(const platform::Object* a, const platform::Object* b) {
    return platform::stringsEqual(static_cast<const __CFString*>(a),
                                  static_cast<const __CFString*>(b));
}

CFHashCode stringHash(const platform::Object* object) {
    return platform::stringHashOf(static_cast<const __CFString*>(object));
}

std::string stringDescribe(const platform::Object* object) {
    return platform::stringToUtf8(static_cast<const __CFString*>(object));
}

} // namespace

const platform::ObjectClass platform::kStringClass = {
    "CFString", platform::kTypeIDString, nullptr, stringEqual, stringHash, stringDescribe};

namespace {

const __CFString* asString(CFStringRef string) {
    return platform::objectAs<const __CFString>(string, &platform::kStringClass);
}

// A new, empty string record with room for size bytes of text, not yet counted as live. Records
// are small blocks, freed by destroyString.
__CFString* newStringRecord(size_t size) {
    void* memory = platform::allocateSmallBlock(__CFString::allocationSize(size));
    return memory == nullptr ? nullptr : new (memory) __CFString();
}

void destroyString(platform::Object* object) {
    auto* string = static_cast<__CFString*>(object);
    size_t size = __CFString::allocationSize(string->storedSize());
    string->~__CFString();
    platform::freeSmallBlock(string, size);
}

// A new string record holding the units, not yet counted as live; null for more units than a
// record can count (its length has 31 bits).
__CFString* allocateString(std::u16string_view units) {
    if (units.size() > __CFString::kLongestLength) {
        return nullptr;
    }
    bool narrow = std::all_of(units.begin(), units.end(), [](char16_t u) { return u < 0x100; });
    size_t size = units.size() * (narrow ? 1 : sizeof(char16_t));
    __CFString* string = newStringRecord(size);
    if (string == nullptr) {
        return nullptr;
    }
    string->narrow = narrow;
    string->length = static_cast<uint32_t>(units.size());
    if (narrow) {
        for (size_t i = 0; i < units.size(); ++i) {
            string->bytes()[i] = static_cast<uint8_t>(units[i]);
        }
    } else if (size > 0) {
        std::memcpy(string->wideUnits(), units.data(), size);
    }
    return string;
}

// A copy of a string record, stored as it is, not yet counted as live.
__CFString* copyString(const __CFString* from) {
    size_t size = from->storedSize();
    __CFString* string = newStringRecord(size);
    if (string == nullptr) {
        return nullptr;
    }
    string->narrow = from->narrow;
    string->length = from->length;
    string->hash = from->hash;
    if (size > 0) {
        std::memcpy(string->bytes(), from->bytes(), size);
    }
    return string;
}

// A string made by make() (a record not yet counted), counted as live; null when allocation of
// strings has been made to fail or make() found no memory.
template <class Make>
CFStringRef createString(Make make) {
    if (!platform::allocationAllowed(&platform::kStringClass)) {
        return nullptr;
    }
    __CFString* string = make();
    if (string != nullptr) {
        platform::registerLiveAs(string, &platform::kStringClass, destroyString);
    }
    return string;
}

CFStringRef makeString(std::u16string_view units) {
    return createString([&] { return allocateString(units); });
}

// Decodes bytes in one of the supported encodings.
bool decode(const char* bytes, size_t length, CFStringEncoding encoding, std::u16string* out) {
    std::string_view view(bytes, length);
    switch (encoding) {
    case kCFStringEncodingUTF8:
        return platform::utf8ToUtf16(view, out);
    case kCFStringEncodingASCII:
        out->clear();
        for (unsigned char c : view) {
            if (c >= 0x80) {
                return false;
            }
            out->push_back(c);
        }
        return true;
    case kCFStringEncodingISOLatin1:
        out->clear();
        for (unsigned char c : view) {
            out->push_back(c);
        }
        return true;
    default:
        return false;
    }
}

bool encode(std::u16string_view units, CFStringEncoding encoding, std::string* out) {
    switch (encoding) {
    case kCFStringEncodingUTF8:
        return platform::utf16ToUtf8(units, out);
    case kCFStringEncodingASCII:
    case kCFStringEncodingISOLatin1: {
        char16_t limit = encoding == kCFStringEncodingASCII ? 0x80 : 0x100;
        out->clear();
        for (char16_t unit : units) {
            if (unit >= limit) {
                return false;
            }
            out->push_back(static_cast<char>(unit));
        }
        return true;
    }
    default:
        return false;
    }
}

// Renders one printf conversion (flags, width and length included) of an integer, character or
// C string argument.
std::string formatScalar(const std::string& spec, va_list* args) {
    char conversion = spec.back();
    std::string length;
    for (char c : spec) {
        if (c == 'l' || c == 'h' || c == 'z' || c == 'q') {
            length.push_back(c);
        }
    }
    char buffer[512];
    int n = 0;
    switch (conversion) {
    case 'd':
    case 'i':
        if (length == "l" || length == "z") {
            n = std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(*args, long));
        } else if (length == "ll" || length == "q") {
            std::string fixed = spec;
            if (length == "q") {
                fixed.replace(fixed.find('q'), 1, "ll");
            }
            n = std::snprintf(buffer, sizeof buffer, fixed.c_str(), va_arg(*args, long long));
        } else {
            n = std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(*args, int));
        }
        break;
    case 'u':
    case 'x':
    case 'X':
    case 'o':
        if (length == "l" || length == "z") {
            n = std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(*args, unsigned long));
        } else if (length == "ll") {
            n = std::snprintf(buffer, sizeof buffer, spec.c_str(),
                              va_arg(*args, unsigned long long));
        } else {
            n = std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(*args, unsigned int));
        }
        break;
    case 'c':
        n = std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(*args, int));
        break;
    case 'p':
        n = std::snprintf(buffer, sizeof buffer, "%p", va_arg(*args, void*));
        break;
    case 's': {
        const char* text = va_arg(*args, const char*);
        if (spec == "%s") {
            return text == nullptr ? "(null)" : text;
        }
        n = std::snprintf(buffer, sizeof buffer, spec.c_str(), text == nullptr ? "(null)" : text);
        break;
    }
    default:
        return spec;
    }
    if (n < 0) {
        return {};
    }
    return std::string(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

// Formats in UTF-16 units, so that strings given to %@ are copied as they are.
std::u16string formatUnits(const std::u16string& format, va_list* args) {
    std::u16string out;
    out.reserve(format.size() + 32);
    for (size_t i = 0; i < format.size(); ++i) {
        char16_t c = format[i];
        if (c != u'%') {
            out.push_back(c);
            continue;
        }
        size_t start = i++;
        if (i >= format.size()) {
            out.push_back(u'%');
            break;
        }
        if (format[i] == u'%') {
            out.push_back(u'%');
            continue;
        }
        if (format[i] == u'@') {
            CFTypeRef object = va_arg(*args, CFTypeRef);
            if (const __CFString* string = asString(static_cast<CFStringRef>(object))) {
                out += string->units();
            } else {
                out += platform::utf8ToUtf16Lenient(platform::describeObject(object));
            }
            continue;
        }
        while (i < format.size() && format[i] < 0x80 &&
               std::strchr("-+ #0123456789.lhzq", static_cast<char>(format[i])) != nullptr) {
            ++i;
        }
        if (i >= format.size()) {
            out += format.substr(start);
            break;
        }
        std::string spec;
        for (size_t k = start; k <= i; ++k) {
            spec.push_back(static_cast<char>(format[k] < 0x80 ? format[k] : '?'));
        }
        out += platform::utf8ToUtf16Lenient(formatScalar(spec, args));
    }
    return out;
}

} // namespace

namespace platform {

std::string stringToUtf8(CFStringRef string) {
    const __CFString* s = asString(string);
    if (s == nullptr) {
        return {};
    }
    std::string out;
    if (s->narrow) {
        // Units below 0x100 are their own code points: one or two UTF-8 bytes each.
        out.reserve(s->length);
        for (size_t i = 0; i < s->length; ++i) {
            uint8_t unit = s->bytes()[i];
            if (unit < 0x80) {
                out.push_back(static_cast<char>(unit));
            } else {
                out.push_back(static_cast<char>(0xC0 | (unit >> 6)));
                out.push_back(static_cast<char>(0x80 | (unit & 0x3F)));
            }
        }
        return out;
    }
    if (!utf16ToUtf8(s->units(), &out)) {
        std::u16string fixed(s->units());
        for (char16_t& unit : fixed) {
            if (unit >= 0xD800 && unit <= 0xDFFF) {
                unit = 0xFFFD;
            }
        }
        utf16ToUtf8(fixed, &out);
    }
    return out;
}

CFStringRef createStringFromUtf8Lenient(const std::string& text) {
    return makeString(utf8ToUtf16Lenient(text));
}

} // namespace platform

extern "C" {

CFTypeID CFStringGetTypeID(void) {
    return platform::kTypeIDString;
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding encoding) {
    if (cStr == nullptr) {
        return nullptr;
    }
    std::u16string units;
    if (!decode(cStr, std::strlen(cStr), encoding, &units)) {
        return nullptr;
    }
    return makeString(std::move(units));
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean) {
    if (numBytes < 0 || (bytes == nullptr && numBytes > 0)) {
        return nullptr;
    }
    std::u16string units;
    if (!decode(reinterpret_cast<const char*>(bytes), static_cast<size_t>(numBytes), encoding,
                &units)) {
        return nullptr;
    }
    return makeString(std::move(units));
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* chars, CFIndex numChars) {
    if (numChars < 0 || (chars == nullptr && numChars > 0)) {
        return nullptr;
    }
    return makeString(std::u16string_view(reinterpret_cast<const char16_t*>(chars),
                                          static_cast<size_t>(numChars)));
}

CFStringRef CFStringCreateCopy(CFAllocatorRef, CFStringRef theString) {
    const __CFString* s = asString(theString);
    return s == nullptr ? nullptr : createString([&] { return copyString(s); });
}

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFDictionaryRef,
                                                 CFStringRef format, va_list arguments) {
    if (asString(format) == nullptr) {
        return nullptr;
    }
    va_list copy;
    va_copy(copy, arguments);
    std::u16string units = formatUnits(asString(format)->units(), &copy);
    va_end(copy);
    return makeString(std::move(units));
}

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...) {
    va_list arguments;
    va_start(arguments, format);
    CFStringRef result =
        CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, arguments);
    va_end(arguments);
    return result;
}

CFIndex CFStringGetLength(CFStringRef theString) {
    const __CFString* s = asString(theString);
    return s == nullptr ? 0 : static_cast<CFIndex>(s->length);
}

UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx) {
    const __CFString* s = asString(theString);
    if (s == nullptr || idx < 0 || static_cast<size_t>(idx) >= s->length) {
        return 0;
    }
    return s->unitAt(static_cast<size_t>(idx));
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer) {
    const __CFString* s = asString(theString);
    if (s == nullptr || buffer == nullptr || range.location < 0 || range.length < 0 ||
        static_cast<size_t>(range.location + range.length) > s->length) {
        return;
    }
    s->copyUnits(static_cast<size_t>(range.location), static_cast<size_t>(range.length),
                 reinterpret_cast<char16_t*>(buffer));
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
    const __CFString* s = asString(theString);
    if (s == nullptr || buffer == nullptr || bufferSize <= 0) {
        return false;
    }
    std::string bytes;
    if (!encode(s->units(), encoding, &bytes) ||
        bytes.size() + 1 > static_cast<size_t>(bufferSize)) {
        return false;
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    buffer[bytes.size()] = '\0';
    return true;
}

const char* CFStringGetCStringPtr(CFStringRef, CFStringEncoding) {
    return nullptr;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
    if (encoding == kCFStringEncodingUTF8) {
        return length * 3;
    }
    return length;
}

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFOptionFlags compareOptions) {
    const __CFString* a = asString(theString1);
    const __CFString* b = asString(theString2);
    std::u16string x(a == nullptr ? std::u16string() : a->units());
    std::u16string y(b == nullptr ? std::u16string() : b->units());
    if ((compareOptions & kCFCompareCaseInsensitive) != 0) {
        for (auto* text : {&x, &y}) {
            for (char16_t& unit : *text) {
                if (unit >= u'A' && unit <= u'Z') {
                    unit = static_cast<char16_t>(unit - u'A' + u'a');
                }
            }
        }
    }
    int order = x.compare(y);
    return order < 0 ? kCFCompareLessThan : order > 0 ? kCFCompareGreaterThan : kCFCompareEqualTo;
}

Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix) {
    const __CFString* s = asString(theString);
    const __CFString* t = asString(suffix);
    if (s == nullptr || t == nullptr || t->length > s->length) {
        return false;
    }
    size_t from = s->length - t->length;
    for (size_t i = 0; i < t->length; ++i) {
        if (s->unitAt(from + i) != t->unitAt(i)) {
            return false;
        }
    }
    return true;
}

CFStringEncoding CFStringGetSystemEncoding(void) {
    return kCFStringEncodingUTF8;
}

CFStringRef __CFStringMakeConstantString(const char* cStr) {
    // One object per text, kept for the life of the process.
    static auto* constants = new std::map<std::string, CFStringRef>();
    std::string key = cStr == nullptr ? "" : cStr;
    auto found = constants->find(key);
    if (found != constants->end()) {
        return found->second;
    }
    __CFString* string = allocateString(platform::utf8ToUtf16Lenient(key));
    platform::registerLiveAs(string, &platform::kStringClass, destroyString);
    platform::makeImmortal(string);
    constants->emplace(key, string);
    return string;
}

} // extern "C"
