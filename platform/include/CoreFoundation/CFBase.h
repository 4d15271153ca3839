/* CoreFoundation base: the object model shared by every CF type. */
#ifndef PLATFORM_CFBASE_H
#define PLATFORM_CFBASE_H

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef const void* CFTypeRef;
typedef unsigned long CFTypeID;
typedef unsigned long CFHashCode;
typedef signed long CFIndex;
typedef unsigned long CFOptionFlags;

typedef const struct __CFAllocator* CFAllocatorRef;
typedef const struct __CFString* CFStringRef;
typedef struct __CFString* CFMutableStringRef;

/* The default allocator; every allocator argument is accepted and ignored. */
#define kCFAllocatorDefault ((CFAllocatorRef)0)

typedef struct CFRange {
    CFIndex location;
    CFIndex length;
} CFRange;

static inline CFRange CFRangeMake(CFIndex location, CFIndex length) {
    CFRange range = {location, length};
    return range;
}

typedef enum {
    kCFCompareLessThan = -1,
    kCFCompareEqualTo = 0,
    kCFCompareGreaterThan = 1
} CFComparisonResult;

enum { kCFNotFound = -1 };

/* Adds one reference; returns its argument. A null argument is a fault on the real platform and
   is ignored here. */
CFTypeRef CFRetain(CFTypeRef cf);
/* Drops one reference; the object is destroyed when the last one goes. */
void CFRelease(CFTypeRef cf);
CFIndex CFGetRetainCount(CFTypeRef cf);
CFTypeID CFGetTypeID(CFTypeRef cf);
Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2);
CFHashCode CFHash(CFTypeRef cf);

#ifdef __cplusplus
}
#endif

#endif
