#include <CoreFoundation/CFArray.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"
#include "CallBacks.h"

#include <string>
#include <vector>

extern "C" const CFArrayCallBacks kCFTypeArrayCallBacks = {
    0, platform::retainCallBack, platform::releaseCallBack, nullptr, platform::equalCallBack};

struct __CFArray : platform::Object {
    CFArrayCallBacks callBacks{};
    std::vector<const void*> values;
};

namespace {

void arrayFinalize(platform::Object* object) {
    auto* array = static_cast<__CFArray*>(object);
    if (array->callBacks.release != nullptr) {
        for (const void* value : array->values) {
            array->callBacks.release(nullptr, value);
        }
    }
    array->values.clear();
}

std::string arrayDescribe(const platform::Object* object) {
    return "<CFArray of " + std::to_string(static_cast<const __CFArray*>(object)->values.size()) +
           ">";
}

const platform::ObjectClass kArrayClass = {
    "CFArray", platform::kTypeIDArray, arrayFinalize, nullptr, nullptr, arrayDescribe};

__CFArray* asArray(CFArrayRef array) {
    return platform::objectAs<__CFArray>(array, &kArrayClass);
}

} // namespace

extern "C" {

CFTypeID CFArrayGetTypeID(void) {
    return platform::kTypeIDArray;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity,
                                       const CFArrayCallBacks* callBacks) {
    __CFArray* array = platform::createObject<__CFArray>(&kArrayClass);
    if (array == nullptr) {
        return nullptr;
    }
    if (callBacks != nullptr) {
        array->callBacks = *callBacks;
    }
    if (capacity > 0) {
        array->values.reserve(static_cast<size_t>(capacity));
    }
    return array;
}

CFArrayRef CFArrayCreate(CFAllocatorRef allocator, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks) {
    if (numValues < 0 || (values == nullptr && numValues > 0)) {
        return nullptr;
    }
    CFMutableArrayRef array = CFArrayCreateMutable(allocator, numValues, callBacks);
    for (CFIndex i = 0; array != nullptr && i < numValues; ++i) {
        CFArrayAppendValue(array, values[i]);
    }
    return array;
}

CFIndex CFArrayGetCount(CFArrayRef theArray) {
    __CFArray* array = asArray(theArray);
    return array == nullptr ? 0 : static_cast<CFIndex>(array->values.size());
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx) {
    __CFArray* array = asArray(theArray);
    if (array == nullptr || idx < 0 || static_cast<size_t>(idx) >= array->values.size()) {
        return nullptr;
    }
    return array->values[static_cast<size_t>(idx)];
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value) {
    __CFArray* array = asArray(theArray);
    if (array == nullptr) {
        return;
    }
    if (array->callBacks.retain != nullptr) {
        value = array->callBacks.retain(nullptr, value);
    }
    array->values.push_back(value);
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx) {
    __CFArray* array = asArray(theArray);
    if (array == nullptr || idx < 0 || static_cast<size_t>(idx) >= array->values.size()) {
        return;
    }
    const void* value = array->values[static_cast<size_t>(idx)];
    array->values.erase(array->values.begin() + idx);
    if (array->callBacks.release != nullptr) {
        array->callBacks.release(nullptr, value);
    }
}

} // extern "C"
