/* Relocatable blocks of memory. */
#ifndef PLATFORM_MACMEMORY_H
#define PLATFORM_MACMEMORY_H

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef char** Handle;

/* Null when there is no memory. */
Handle NewHandle(Size byteCount);
void DisposeHandle(Handle h);
Size GetHandleSize(Handle h);
/* memFullErr, with the block unchanged, when there is no memory for the new size. */
OSErr SetHandleSize(Handle h, Size newSize);
void HLock(Handle h);
void HUnlock(Handle h);

#ifdef __cplusplus
}
#endif

#endif
