#include "plugin/Factory.h"

#include "pane/Construction.h"
#include "plugin/Lifecycle.h"
#include "sync/TicketSync.h"

#include <cstdlib>

namespace {

RecordAllocator gAllocate = std::calloc;

void* allocateRecord(size_t size) {
    return gAllocate(1, size);
}

void releaseIfSet(CFTypeRef object) {
    if (object != nullptr) {
        CFRelease(object);
    }
}

// A new interface record with its table, or null; a record whose table can't be had is freed.
AccountingPluginInterface* newInterface() {
    auto* record =
        static_cast<AccountingPluginInterface*>(allocateRecord(sizeof(AccountingPluginInterface)));
    if (record == nullptr) {
        return nullptr;
    }
    record->vtable = nullptr;
    record->refCount = 1;
    auto* table = static_cast<AccountingPluginInterfaceTable*>(
        allocateRecord(sizeof(AccountingPluginInterfaceTable)));
    if (table == nullptr) {
        std::free(record);
        return nullptr;
    }
    table->plugInHeader.Retain = Retain;
    table->plugInHeader.Release = Release;
    table->plugInHeader.GetAPIVersion = GetAPIVersion;
    table->Prologue = Prologue;
    table->Initialize = Initialize;
    table->Sync = Sync;
    table->GetSummaryText = GetSummaryText;
    table->Open = Open;
    table->Close = Close;
    table->Terminate = Terminate;
    record->vtable = table;
    return record;
}

} // namespace

void setRecordAllocator(RecordAllocator allocator) {
    gAllocate = allocator != nullptr ? allocator : std::calloc;
}

extern "C" {

void* AccountingPluginFactory(CFAllocatorRef, CFUUIDRef typeID) {
    CFUUIDRef type = CFUUIDCreateFromString(kCFAllocatorDefault, kAccountingPlugInTypeString);
    CFUUIDRef factory = CFUUIDCreateFromString(kCFAllocatorDefault, kAccountingFactoryString);
    AccountingPluginInstance* instance = nullptr;
    if (type != nullptr && factory != nullptr && typeID != nullptr && CFEqual(typeID, type)) {
        instance = static_cast<AccountingPluginInstance*>(
            allocateRecord(sizeof(AccountingPluginInstance)));
    }
    if (instance == nullptr) {
        releaseIfSet(type);
        releaseIfSet(factory);
        return nullptr;
    }
    instance->vtablePtr = &instance->vtable;
    instance->vtable._reserved = nullptr;
    instance->vtable.QueryInterface = QueryInterface;
    instance->vtable.AddRef = IUnknownAddRef;
    instance->vtable.Release = IUnknownRelease;
    instance->refCount = 1;
    instance->factoryID = factory;
    CFPlugInAddInstanceForFactory(factory);
    CFRelease(type);
    return instance;
}

HRESULT QueryInterface(void* thisPointer, REFIID iid, LPVOID* ppv) {
    if (ppv == nullptr) {
        return E_NOINTERFACE;
    }
    CFUUIDRef requested = CFUUIDCreateFromUUIDBytes(kCFAllocatorDefault, iid);
    CFUUIDRef dialogExtension =
        CFUUIDCreateFromString(kCFAllocatorDefault, kAccountingInterfaceString);
    HRESULT result = S_OK;
    if (thisPointer == nullptr) {
        *ppv = nullptr;
        result = E_NOINTERFACE;
    } else if (requested != nullptr && CFEqual(requested, IUnknownUUID)) {
        auto* instance = static_cast<AccountingPluginInstance*>(thisPointer);
        instance->vtable.AddRef(thisPointer);
        *ppv = thisPointer;
    } else if (requested != nullptr && dialogExtension != nullptr &&
               CFEqual(requested, dialogExtension)) {
        // Every query makes a record of its own; the instance's count is not raised.
        *ppv = newInterface();
    } else {
        *ppv = nullptr;
        result = E_NOINTERFACE;
    }
    releaseIfSet(requested);
    releaseIfSet(dialogExtension);
    return result;
}

ULONG IUnknownAddRef(void* thisPointer) {
    auto* instance = static_cast<AccountingPluginInstance*>(thisPointer);
    if (instance == nullptr) {
        return 0;
    }
    return ++instance->refCount;
}

ULONG IUnknownRelease(void* thisPointer) {
    auto* instance = static_cast<AccountingPluginInstance*>(thisPointer);
    if (instance == nullptr || instance->refCount == 0) {
        return 0;
    }
    if (--instance->refCount != 0) {
        return instance->refCount;
    }
    try {
        CFPlugInRemoveInstanceForFactory(instance->factoryID);
        CFRelease(instance->factoryID);
        instance->factoryID = nullptr;
    } catch (...) {
        // Nothing may be thrown across the plug-in boundary.
        if (instance->factoryID != nullptr) {
            CFRelease(instance->factoryID);
        }
    }
    std::free(instance);
    return 0;
}

OSStatus Retain(PMPlugInHeaderInterface* obj) {
    if (obj != nullptr) {
        ++reinterpret_cast<AccountingPluginInterface*>(obj)->refCount;
    }
    return noErr;
}

OSStatus Release(PMPlugInHeaderInterface** objPtr) {
    if (objPtr == nullptr || *objPtr == nullptr) {
        return noErr;
    }
    auto* record = reinterpret_cast<AccountingPluginInterface*>(*objPtr);
    *objPtr = nullptr;
    if (record->refCount > 0 && --record->refCount == 0) {
        std::free(record->vtable);
        std::free(record);
    }
    return noErr;
}

OSStatus GetAPIVersion(PMPlugInHeaderInterface*, PMPlugInAPIVersion* versionPtr) {
    if (versionPtr != nullptr) {
        versionPtr->buildVersionMajor = 1;
        versionPtr->buildVersionMinor = 0;
        versionPtr->baseVersionMajor = 1;
        versionPtr->baseVersionMinor = 0;
    }
    return noErr;
}

} // extern "C"
