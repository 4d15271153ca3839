/* Image sources: reading images from files. These calls are linked weakly: on a system without
   the facility, the address of each reads as null, and a caller tests it before use. */
#ifndef PLATFORM_CGIMAGESOURCE_H
#define PLATFORM_CGIMAGESOURCE_H

#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFURL.h>
#include <CoreGraphics/CGImage.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGImageSource* CGImageSourceRef;

typedef enum {
    kCGImageStatusUnexpectedEOF = -5,
    kCGImageStatusInvalidData = -4,
    kCGImageStatusUnknownType = -3,
    kCGImageStatusReadingHeader = -2,
    kCGImageStatusIncomplete = -1,
    kCGImageStatusComplete = 0
} CGImageSourceStatus;

typedef CGImageSourceRef (*__CGImageSourceCreateWithURLProc)(CFURLRef url, CFDictionaryRef options);
typedef CGImageSourceStatus (*__CGImageSourceGetStatusProc)(CGImageSourceRef isrc);
typedef CGImageRef (*__CGImageSourceCreateImageAtIndexProc)(CGImageSourceRef isrc, size_t index,
                                                            CFDictionaryRef options);

/* The weak links: each yields the call's address, or null where the facility is absent. */
__CGImageSourceCreateWithURLProc __CGImageSourceCreateWithURLAddress(void);
__CGImageSourceGetStatusProc __CGImageSourceGetStatusAddress(void);
__CGImageSourceCreateImageAtIndexProc __CGImageSourceCreateImageAtIndexAddress(void);

#define CGImageSourceCreateWithURL (__CGImageSourceCreateWithURLAddress())
#define CGImageSourceGetStatus (__CGImageSourceGetStatusAddress())
#define CGImageSourceCreateImageAtIndex (__CGImageSourceCreateImageAtIndexAddress())

CFTypeID CGImageSourceGetTypeID(void);

#ifdef __cplusplus
}
#endif

#endif
