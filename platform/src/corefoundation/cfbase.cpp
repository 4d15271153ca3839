#include <CoreFoundation/CFBase.h>

#include "../common/Object.h"

using platform::asObject;

extern "C" {

CFTypeRef CFRetain(CFTypeRef cf) {
    platform::retainObject(asObject(cf));
    return cf;
}

void CFRelease(CFTypeRef cf) {
    platform::releaseObject(asObject(cf));
}

CFIndex CFGetRetainCount(CFTypeRef cf) {
    platform::Object* object = asObject(cf);
    if (object == nullptr) {
        return 0;
    }
    return object->refCount; // a constant's is already the largest
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
    platform::Object* object = asObject(cf);
    return object == nullptr ? 0 : object->cls->typeID;
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2) {
    if (cf1 == cf2) {
        return true;
    }
    platform::Object* a = asObject(cf1);
    platform::Object* b = asObject(cf2);
    if (a == nullptr || b == nullptr || a->cls != b->cls || a->cls->equal == nullptr) {
        return false;
    }
    return a->cls->equal(a, b);
}

CFHashCode CFHash(CFTypeRef cf) {
    platform::Object* object = asObject(cf);
    if (object == nullptr) {
        return 0;
    }
    if (object->cls->hash == nullptr) {
        return reinterpret_cast<CFHashCode>(cf);
    }
    return object->cls->hash(object);
}

} // extern "C"
