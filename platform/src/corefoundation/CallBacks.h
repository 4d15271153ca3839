// The callbacks of collections that hold CF objects.
#pragma once

#include <CoreFoundation/CFBase.h>

namespace platform {

inline const void* retainCallBack(CFAllocatorRef, const void* value) {
    return CFRetain(value);
}
inline void releaseCallBack(CFAllocatorRef, const void* value) {
    CFRelease(value);
}
inline Boolean equalCallBack(const void* a, const void* b) {
    return CFEqual(a, b);
}
inline CFHashCode hashCallBack(const void* value) {
    return CFHash(value);
}

} // namespace platform
