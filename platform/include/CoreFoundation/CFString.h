/* CFString: immutable Unicode strings, kept as UTF-16 units. */
#ifndef PLATFORM_CFSTRING_H
#define PLATFORM_CFSTRING_H

#include <CoreFoundation/CFBase.h>
#include <stdarg.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef UInt32 CFStringEncoding;

enum {
    kCFStringEncodingMacRoman = 0,
    kCFStringEncodingISOLatin1 = 0x0201,
    kCFStringEncodingASCII = 0x0600,
    kCFStringEncodingUTF8 = 0x08000100
};

enum { kCFCompareCaseInsensitive = 1 };

typedef const struct __CFDictionary* CFDictionaryRef;

CFTypeID CFStringGetTypeID(void);

/* Null when the bytes are not valid in the encoding or the encoding is not supported. */
CFStringRef CFStringCreateWithCString(CFAllocatorRef alloc, const char* cStr,
                                      CFStringEncoding encoding);
CFStringRef CFStringCreateWithBytes(CFAllocatorRef alloc, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation);
CFStringRef CFStringCreateWithCharacters(CFAllocatorRef alloc, const UniChar* chars,
                                         CFIndex numChars);
CFStringRef CFStringCreateCopy(CFAllocatorRef alloc, CFStringRef theString);
/* Formats with printf conversions plus %@ (any CF object). */
CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...);
CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef alloc,
                                                 CFDictionaryRef formatOptions, CFStringRef format,
                                                 va_list arguments);

/* The number of UTF-16 units. */
CFIndex CFStringGetLength(CFStringRef theString);
UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx);
void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer);
/* Converts into buffer with a terminating zero. False, with the buffer untouched, when the text
   does not fit in bufferSize bytes or can't be expressed in the encoding. */
Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding);
/* Never has a direct pointer to give in this implementation: always null. */
const char* CFStringGetCStringPtr(CFStringRef theString, CFStringEncoding encoding);
CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding);
CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFOptionFlags compareOptions);
Boolean CFStringHasSuffix(CFStringRef theString, CFStringRef suffix);
CFStringEncoding CFStringGetSystemEncoding(void);

/* A constant string: made once per text, never freed, unaffected by retain and release. */
CFStringRef __CFStringMakeConstantString(const char* cStr);
#define CFSTR(cStr) __CFStringMakeConstantString("" cStr "")

#ifdef __cplusplus
}
#endif

#endif
