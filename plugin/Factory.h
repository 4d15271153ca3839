// The bundle's front door: the factory the plug-in loader finds by name, the reference-counted
// instance it returns, and the dialog-extension interface records with their ten-slot table.
#pragma once

#include <Carbon/Carbon.h>

#define kAccountingPlugInTypeString CFSTR("BDB091F4-E57F-11D3-B5CC-0050E4603277")
#define kAccountingFactoryString CFSTR("5C16FB24-2D86-46E4-AFE6-D8C0F52B5124")
#define kAccountingInterfaceString CFSTR("A996FD7E-B738-11D3-8519-0050E4603277")

// The instance the factory returns, laid out as the platform's plug-in model reads it.
struct AccountingPluginInstance {
    IUnknownVTbl* vtablePtr; // points at vtable, just below
    IUnknownVTbl vtable;
    CFUUIDRef factoryID; // owned
    UInt32 refCount;
};

using AccountingPluginInterfaceTable = PlugInIntfVTable;

// The dialog-extension interface record; the header operations receive it as a
// PMPlugInHeaderInterface.
struct AccountingPluginInterface {
    AccountingPluginInterfaceTable* vtable; // allocated separately, owned
    UInt32 refCount;
};

extern "C" {

__attribute__((visibility("default"))) void* AccountingPluginFactory(CFAllocatorRef allocator,
                                                                     CFUUIDRef typeID);

HRESULT QueryInterface(void* thisPointer, REFIID iid, LPVOID* ppv);
ULONG IUnknownAddRef(void* thisPointer);
ULONG IUnknownRelease(void* thisPointer);

OSStatus Retain(PMPlugInHeaderInterface* obj);
OSStatus Release(PMPlugInHeaderInterface** objPtr);
OSStatus GetAPIVersion(PMPlugInHeaderInterface* obj, PMPlugInAPIVersion* versionPtr);

} // extern "C"

// Where the records' memory comes from: calloc, unless a test makes it fail.
using RecordAllocator = void* (*)(size_t count, size_t size);
void setRecordAllocator(RecordAllocator allocator);
