#include <CoreFoundation/CFNumber.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"

#include <cstring>
#include <string>

struct __CFNumber : platform::Object {
    int64_t value = 0;
};

namespace {

bool numberEqual(const platform::Object* a, const platform::Object* b) {
    return static_cast<const __CFNumber*>(a)->value == static_cast<const __CFNumber*>(b)->value;
}

CFHashCode numberHash(const platform::Object* object) {
    return static_cast<CFHashCode>(static_cast<const __CFNumber*>(object)->value);
}

std::string numberDescribe(const platform::Object* object) {
    return std::to_string(static_cast<const __CFNumber*>(object)->value);
}

const platform::ObjectClass kNumberClass = {
    "CFNumber", platform::kTypeIDNumber, nullptr, numberEqual, numberHash, numberDescribe};

// The width in bytes of the integer types this implementation holds; 0 for any other type.
size_t widthOf(CFNumberType type) {
    switch (type) {
    case kCFNumberSInt8Type:
        return 1;
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
        return 2;
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
        return 4;
    case kCFNumberSInt64Type:
    case kCFNumberLongLongType:
        return 8;
    case kCFNumberLongType:
        return sizeof(long);
    case kCFNumberCFIndexType:
        return sizeof(CFIndex);
    }
    return 0;
}

} // namespace

extern "C" {

CFTypeID CFNumberGetTypeID(void) {
    return platform::kTypeIDNumber;
}

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr) {
    size_t width = widthOf(theType);
    if (width == 0 || valuePtr == nullptr) {
        return nullptr;
    }
    int64_t value = 0;
    switch (width) {
    case 1: {
        int8_t v;
        std::memcpy(&v, valuePtr, 1);
        value = v;
        break;
    }
    case 2: {
        int16_t v;
        std::memcpy(&v, valuePtr, 2);
        value = v;
        break;
    }
    case 4: {
        int32_t v;
        std::memcpy(&v, valuePtr, 4);
        value = v;
        break;
    }
    default:
        std::memcpy(&value, valuePtr, 8);
        break;
    }
    __CFNumber* number = platform::createObject<__CFNumber>(&kNumberClass);
    if (number != nullptr) {
        number->value = value;
    }
    return number;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
    const __CFNumber* n = platform::objectAs<const __CFNumber>(number, &kNumberClass);
    size_t width = widthOf(theType);
    if (n == nullptr || width == 0 || valuePtr == nullptr) {
        return false;
    }
    int64_t value = n->value;
    switch (width) {
    case 1: {
        auto v = static_cast<int8_t>(value);
        std::memcpy(valuePtr, &v, 1);
        return v == value;
    }
    case 2: {
        auto v = static_cast<int16_t>(value);
        std::memcpy(valuePtr, &v, 2);
        return v == value;
    }
    case 4: {
        auto v = static_cast<int32_t>(value);
        std::memcpy(valuePtr, &v, 4);
        return v == value;
    }
    default:
        std::memcpy(valuePtr, &value, 8);
        return true;
    }
}

} // extern "C"
