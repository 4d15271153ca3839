#include "PropertyListObjects.h"

#include <CoreFoundation/CoreFoundation.h>

#include "../common/PropertyList.h"
#include "Strings.h"

#include <cstdlib>

namespace platform {

CFTypeRef createObjectFromPropertyList(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        char* text = nullptr;
        plist_get_string_val(node, &text);
        CFStringRef string = createStringFromUtf8Lenient(text == nullptr ? "" : text);
        std::free(text);
        return string;
    }
    case PLIST_UINT: {
        uint64_t raw = 0;
        plist_get_uint_val(node, &raw);
        auto value = static_cast<int64_t>(raw);
        return CFNumberCreate(nullptr, kCFNumberSInt64Type, &value);
    }
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value != 0 ? kCFBooleanTrue : kCFBooleanFalse;
    }
    case PLIST_ARRAY: {
        CFMutableArrayRef array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
        uint32_t count = plist_array_get_size(node);
        for (uint32_t i = 0; array != nullptr && i < count; ++i) {
            if (CFTypeRef item = createObjectFromPropertyList(plist_array_get_item(node, i))) {
                CFArrayAppendValue(array, item);
                CFRelease(item);
            }
        }
        return array;
    }
    case PLIST_DICT: {
        CFMutableDictionaryRef dict = CFDictionaryCreateMutable(
            nullptr, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
        forEachDictEntry(node, [&](const char* key, plist_t value) {
            CFStringRef cfKey = createStringFromUtf8Lenient(key);
            CFTypeRef cfValue = createObjectFromPropertyList(value);
            if (dict != nullptr && cfKey != nullptr && cfValue != nullptr) {
                CFDictionarySetValue(dict, cfKey, cfValue);
            }
            if (cfKey != nullptr) {
                CFRelease(cfKey);
            }
            if (cfValue != nullptr) {
                CFRelease(cfValue);
            }
            return true;
        });
        return dict;
    }
    default:
        return nullptr;
    }
}

} // namespace platform
