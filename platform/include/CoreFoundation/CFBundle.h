/* CFBundle: a folder of code and resources, found by its identifier. */
#ifndef PLATFORM_CFBUNDLE_H
#define PLATFORM_CFBUNDLE_H

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct __CFBundle* CFBundleRef;

#ifdef __cplusplus
}
#endif

#endif
