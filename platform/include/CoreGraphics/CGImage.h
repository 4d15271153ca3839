/* Decoded bitmap images. */
#ifndef PLATFORM_CGIMAGE_H
#define PLATFORM_CGIMAGE_H

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CGImage* CGImageRef;

CFTypeID CGImageGetTypeID(void);
size_t CGImageGetWidth(CGImageRef image);
size_t CGImageGetHeight(CGImageRef image);
/* Null-safe. */
void CGImageRelease(CGImageRef image);

#ifdef __cplusplus
}
#endif

#endif
