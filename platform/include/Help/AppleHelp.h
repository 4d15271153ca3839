/* The help viewer: pages and anchors of the help books that bundles declare with
   CFBundleHelpBookName and CFBundleHelpBookFolder. */
#ifndef PLATFORM_APPLEHELP_H
#define PLATFORM_APPLEHELP_H

#include <CoreFoundation/CFString.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { kAHInternalErr = -10790 };

/* Opens the page (a path inside the book's folder), at the anchor when one is given.
   kAHInternalErr for an unknown book or a page the book does not hold. */
OSStatus AHGotoPage(CFStringRef bookname, CFStringRef path, CFStringRef anchor);
/* Opens the page of the book that holds the anchor; kAHInternalErr when none does. */
OSStatus AHLookupAnchor(CFStringRef bookname, CFStringRef anchor);

#ifdef __cplusplus
}
#endif

#endif
