/* CFBundle: a folder of code and resources (Contents/Info.plist, Contents/Resources), found by
   its identifier once it has been created. */
#ifndef PLATFORM_CFBUNDLE_H
#define PLATFORM_CFBUNDLE_H

#include <CoreFoundation/CFDictionary.h>
#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFURL.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct __CFBundle* CFBundleRef;

#define kCFBundleIdentifierKey CFSTR("CFBundleIdentifier")
#define kCFBundleExecutableKey CFSTR("CFBundleExecutable")

CFTypeID CFBundleGetTypeID(void);
/* Null when the folder holds no readable Contents/Info.plist. A bundle with an identifier can
   be found by it while it lives. */
CFBundleRef CFBundleCreate(CFAllocatorRef allocator, CFURLRef bundleURL);
/* Not retained for the caller; null when no live bundle has that identifier. */
CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID);
CFStringRef CFBundleGetIdentifier(CFBundleRef bundle);
CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle);
/* Not retained for the caller; null when the key is absent. */
CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key);
CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle);
CFURLRef CFBundleCopyResourcesDirectoryURL(CFBundleRef bundle);
/* The key's text in the table (Localizable when tableName is null or empty) of the preferred
   localisation, taken from LC_ALL, LC_MESSAGES or LANG, with English as the fallback. When no
   table has the key: value, or the key itself when value is null or empty. */
CFStringRef CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key, CFStringRef value,
                                        CFStringRef tableName);

#ifdef __cplusplus
}
#endif

#endif
