/* CFNumber: integers of the sizes the system stores. */
#ifndef PLATFORM_CFNUMBER_H
#define PLATFORM_CFNUMBER_H

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef const struct __CFNumber* CFNumberRef;

typedef enum {
    kCFNumberSInt8Type = 1,
    kCFNumberSInt16Type = 2,
    kCFNumberSInt32Type = 3,
    kCFNumberSInt64Type = 4,
    kCFNumberShortType = 8,
    kCFNumberIntType = 9,
    kCFNumberLongType = 10,
    kCFNumberLongLongType = 11,
    kCFNumberCFIndexType = 14
} CFNumberType;

CFTypeID CFNumberGetTypeID(void);
/* Null for a type this implementation does not hold. */
CFNumberRef CFNumberCreate(CFAllocatorRef allocator, CFNumberType theType, const void* valuePtr);
/* Writes the value converted to theType; false when the conversion lost information (the
   truncated value is still written) or the type is not supported (nothing written). */
Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr);

#ifdef __cplusplus
}
#endif

#endif
