/* CFPlugIn: plug-in bundles whose Info.plist names factories (CFPlugInFactories: factory UUID
   to function name) and the plug-in types they make (CFPlugInTypes: type UUID to factory
   UUIDs), and the count of live instances per factory. */
#ifndef PLATFORM_CFPLUGIN_H
#define PLATFORM_CFPLUGIN_H

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFBundle.h>
#include <CoreFoundation/CFUUID.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct __CFBundle* CFPlugInRef;

/* What a factory function looks like. */
typedef void* (*CFPlugInFactoryFunction)(CFAllocatorRef allocator, CFUUIDRef typeUUID);

/* Registers the bundle's factories and types; null when it is not a plug-in bundle. */
CFPlugInRef CFPlugInCreate(CFAllocatorRef allocator, CFURLRef plugInURL);
/* The factories that make the type; the caller releases the array. */
CFArrayRef CFPlugInFindFactoriesForPlugInType(CFUUIDRef typeUUID);
/* Loads the factory's executable when needed and calls the factory function. */
void* CFPlugInInstanceCreate(CFAllocatorRef allocator, CFUUIDRef factoryUUID, CFUUIDRef typeUUID);

void CFPlugInAddInstanceForFactory(CFUUIDRef factoryID);
void CFPlugInRemoveInstanceForFactory(CFUUIDRef factoryID);

#ifdef __cplusplus
}
#endif

#endif
