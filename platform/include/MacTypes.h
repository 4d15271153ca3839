/* Basic types, constants and records shared by every platform family. */
#ifndef PLATFORM_MACTYPES_H
#define PLATFORM_MACTYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t UInt8;
typedef int8_t SInt8;
typedef uint16_t UInt16;
typedef int16_t SInt16;
typedef uint32_t UInt32;
typedef int32_t SInt32;
typedef uint64_t UInt64;
typedef int64_t SInt64;

typedef unsigned char Boolean;
typedef SInt16 OSErr;
typedef SInt32 OSStatus;
typedef UInt32 FourCharCode;
typedef FourCharCode OSType;
typedef FourCharCode ResType;
typedef long Size;
typedef char* Ptr;
typedef UInt16 UniChar;
typedef UInt32 UniCharCount;

typedef unsigned char Str255[256];
typedef unsigned char Str63[64];
typedef unsigned char Str31[32];
typedef unsigned char* StringPtr;
typedef const unsigned char* ConstStringPtr;
typedef const unsigned char* ConstStr255Param;

enum { noErr = 0 };

enum {
    paramErr = -50,    /* a parameter is wrong */
    memFullErr = -108, /* out of memory */
    nsvErr = -35,      /* no such volume */
    fnfErr = -43,      /* file not found */
    eofErr = -39,      /* end of file */
    ioErr = -36,       /* input or output error */
    afpAccessDenied = -5000,
    errFSNoMoreItems = -1417
};

typedef struct Point {
    SInt16 v;
    SInt16 h;
} Point;

/* Four signed 16-bit coordinates in the order top, left, bottom, right. */
typedef struct Rect {
    SInt16 top;
    SInt16 left;
    SInt16 bottom;
    SInt16 right;
} Rect;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#ifdef __cplusplus
}
#endif

#endif
