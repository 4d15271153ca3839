// The object model under every platform object: a class record and a reference count, and for
// each class a count of its live objects, which the host-facing API reads to prove nothing was
// leaked.
#pragma once

#include <CoreFoundation/CFBase.h>

#include <cstdint>
#include <new>
#include <string>

namespace platform {

struct Object;

struct ObjectClass {
    const char* name;
    CFTypeID typeID;
    // Frees what the object holds; the object's memory itself is freed by the caller.
    void (*finalize)(Object* object);
    // Contents equality and hashing; null means identity.
    bool (*equal)(const Object* a, const Object* b);
    CFHashCode (*hash)(const Object* object);
    // A short text for %@.
    std::string (*describe)(const Object* object);
    // How many objects of the class are alive: what proves nothing was leaked.
    mutable long live = 0;
    mutable bool listed = false; // in the list of classes the leak report reads
    // Destroys and frees an object of the class as the record type it was made as: set as each
    // object is counted (all objects of a class are of one record type). Records have no
    // virtual destructor, so that none carries a pointer to one.
    mutable void (*destroy)(Object* object) = nullptr;
};

// The reference count of a constant object (CFSTR strings, constant UUIDs), which is never
// freed nor counted as live.
constexpr int32_t kImmortalRefCount = 0x7fffffff;

// Its fields take twelve bytes: a record's own fields start in the four of padding after them.
struct Object {
    const ObjectClass* cls = nullptr;
    int32_t refCount = 1;

    bool immortal() const { return refCount == kImmortalRefCount; }
};

template <class T>
void destroyRecord(Object* object) {
    delete static_cast<T*>(object);
}

// Counts a new object as live; it starts with one reference. T is the record's own type, which
// is what the object is destroyed as.
void registerLiveAs(Object* object, const ObjectClass* cls, void (*destroy)(Object* object));
template <class T>
void registerLive(T* object, const ObjectClass* cls) {
    registerLiveAs(object, cls, &destroyRecord<T>);
}
void unregisterLive(Object* object);

// Whether any creation has been asked to fail (by a test): the slow path.
extern bool gAllocationFailuresRequested;
bool allocationAllowedSlow(const ObjectClass* cls);

// False when a test has asked the next creations of this class to fail.
inline bool allocationAllowed(const ObjectClass* cls) {
    return !gAllocationFailuresRequested || allocationAllowedSlow(cls);
}

// Creates a T (derived from Object) with one reference, or returns null when allocation of that
// class has been made to fail.
template <class T>
T* createObject(const ObjectClass* cls) {
    if (!allocationAllowed(cls)) {
        return nullptr;
    }
    T* object = new (std::nothrow) T();
    if (object != nullptr) {
        registerLive(object, cls);
    }
    return object;
}

// Marks an object as constant: never freed, never counted.
void makeImmortal(Object* object);

// Drops one reference and destroys the object at zero (finalize, unregister, delete).
void releaseObject(Object* object);
void retainObject(Object* object);

// The object behind a CF reference, or null. Every CF type of this platform is an Object.
inline Object* asObject(CFTypeRef cf) {
    return static_cast<Object*>(const_cast<void*>(cf));
}

template <class T>
T* objectAs(CFTypeRef cf, const ObjectClass* cls) {
    Object* object = asObject(cf);
    if (object == nullptr || object->cls != cls) {
        return nullptr;
    }
    return static_cast<T*>(object);
}

std::string describeObject(CFTypeRef cf);

} // namespace platform
