#include <CoreFoundation/CFUUID.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"
#include "Strings.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

struct __CFUUID : platform::Object {
    CFUUIDBytes bytes{};
};

namespace {

bool uuidEqual(const platform::Object* a, const platform::Object* b) {
    return std::memcmp(&static_cast<const __CFUUID*>(a)->bytes,
                       &static_cast<const __CFUUID*>(b)->bytes, sizeof(CFUUIDBytes)) == 0;
}

CFHashCode uuidHash(const platform::Object* object) {
    CFHashCode h = 0;
    std::memcpy(&h, &static_cast<const __CFUUID*>(object)->bytes, sizeof h);
    return h;
}

std::string uuidText(const CFUUIDBytes& b) {
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b.byte0,
                  b.byte1, b.byte2, b.byte3, b.byte4, b.byte5, b.byte6, b.byte7, b.byte8, b.byte9,
                  b.byte10, b.byte11, b.byte12, b.byte13, b.byte14, b.byte15);
    return text;
}

std::string uuidDescribe(const platform::Object* object) {
    return "<CFUUID " + uuidText(static_cast<const __CFUUID*>(object)->bytes) + ">";
}

const platform::ObjectClass kUUIDClass = {"CFUUID", platform::kTypeIDUUID, nullptr, uuidEqual,
                                          uuidHash, uuidDescribe};

CFUUIDRef makeUUID(const CFUUIDBytes& bytes) {
    __CFUUID* uuid = platform::createObject<__CFUUID>(&kUUIDClass);
    if (uuid != nullptr) {
        uuid->bytes = bytes;
    }
    return uuid;
}

CFUUIDBytes bytesOf(const std::array<UInt8, 16>& b) {
    CFUUIDBytes bytes;
    std::memcpy(&bytes, b.data(), sizeof bytes);
    return bytes;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

extern "C" {

CFTypeID CFUUIDGetTypeID(void) {
    return platform::kTypeIDUUID;
}

CFUUIDRef CFUUIDCreateFromString(CFAllocatorRef, CFStringRef uuidStr) {
    std::string text = platform::stringToUtf8(uuidStr);
    if (text.size() != 36) {
        return nullptr;
    }
    std::array<UInt8, 16> b{};
    size_t out = 0;
    for (size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') {
                return nullptr;
            }
            ++i;
            continue;
        }
        int hi = hexValue(text[i]);
        int lo = hexValue(text[i + 1]);
        if (hi < 0 || lo < 0) {
            return nullptr;
        }
        b[out++] = static_cast<UInt8>(hi * 16 + lo);
        i += 2;
    }
    return makeUUID(bytesOf(b));
}

CFUUIDRef CFUUIDCreateFromUUIDBytes(CFAllocatorRef, CFUUIDBytes bytes) {
    return makeUUID(bytes);
}

CFUUIDRef CFUUIDCreateWithBytes(CFAllocatorRef, UInt8 byte0, UInt8 byte1, UInt8 byte2, UInt8 byte3,
                                UInt8 byte4, UInt8 byte5, UInt8 byte6, UInt8 byte7, UInt8 byte8,
                                UInt8 byte9, UInt8 byte10, UInt8 byte11, UInt8 byte12, UInt8 byte13,
                                UInt8 byte14, UInt8 byte15) {
    return makeUUID(bytesOf({byte0, byte1, byte2, byte3, byte4, byte5, byte6, byte7, byte8, byte9,
                             byte10, byte11, byte12, byte13, byte14, byte15}));
}

CFUUIDRef CFUUIDGetConstantUUIDWithBytes(CFAllocatorRef, UInt8 byte0, UInt8 byte1, UInt8 byte2,
                                         UInt8 byte3, UInt8 byte4, UInt8 byte5, UInt8 byte6,
                                         UInt8 byte7, UInt8 byte8, UInt8 byte9, UInt8 byte10,
                                         UInt8 byte11, UInt8 byte12, UInt8 byte13, UInt8 byte14,
                                         UInt8 byte15) {
    static auto* constants = new std::map<std::array<UInt8, 16>, CFUUIDRef>();
    std::array<UInt8, 16> key = {byte0, byte1, byte2,  byte3,  byte4,  byte5,  byte6,  byte7,
                                 byte8, byte9, byte10, byte11, byte12, byte13, byte14, byte15};
    auto found = constants->find(key);
    if (found != constants->end()) {
        return found->second;
    }
    auto* uuid = new __CFUUID();
    platform::registerLive(uuid, &kUUIDClass);
    platform::makeImmortal(uuid);
    uuid->bytes = bytesOf(key);
    constants->emplace(key, uuid);
    return uuid;
}

CFUUIDBytes CFUUIDGetUUIDBytes(CFUUIDRef uuid) {
    const __CFUUID* u = platform::objectAs<const __CFUUID>(uuid, &kUUIDClass);
    return u == nullptr ? CFUUIDBytes{} : u->bytes;
}

CFStringRef CFUUIDCreateString(CFAllocatorRef, CFUUIDRef uuid) {
    const __CFUUID* u = platform::objectAs<const __CFUUID>(uuid, &kUUIDClass);
    if (u == nullptr) {
        return nullptr;
    }
    return platform::createStringFromUtf8Lenient(uuidText(u->bytes));
}

} // extern "C"
