/* Nibs: window layouts kept in a bundle's resources. A nib named N is the file N.nib in the
   preferred localisation's folder or in Resources itself: an XML property list that describes
   named windows and their controls. */
#ifndef PLATFORM_IBCARBONRUNTIME_H
#define PLATFORM_IBCARBONRUNTIME_H

#include <CoreFoundation/CFBundle.h>
#include <HIToolbox/MacWindows.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueIBNibRef* IBNibRef;

enum {
    kIBCarbonRuntimeCantFindNibFile = -10960,
    kIBCarbonRuntimeObjectNotOfRequestedType = -10961,
    kIBCarbonRuntimeCantFindObject = -10962
};

/* kIBCarbonRuntimeCantFindNibFile when there is no such nib;
   kIBCarbonRuntimeObjectNotOfRequestedType when the file is malformed. */
OSStatus CreateNibReferenceWithCFBundle(CFBundleRef inBundle, CFStringRef inNibName,
                                        IBNibRef* outNibRef);
/* A new, hidden window; kIBCarbonRuntimeCantFindObject when the nib has no such window. */
OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName, WindowRef* outWindow);
void DisposeNibReference(IBNibRef inNibRef);

#ifdef __cplusplus
}
#endif

#endif
