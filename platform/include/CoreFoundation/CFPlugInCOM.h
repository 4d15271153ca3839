/* The COM-style layout of plug-in instances. */
#ifndef PLATFORM_CFPLUGINCOM_H
#define PLATFORM_CFPLUGINCOM_H

#include <CoreFoundation/CFPlugIn.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef SInt32 HRESULT;
typedef UInt32 ULONG;
typedef void* LPVOID;
typedef CFUUIDBytes REFIID;

#define S_OK ((HRESULT)0x00000000L)
#define E_NOINTERFACE ((HRESULT)0x80000004L)

#define IUnknownUUID                                                                               \
    CFUUIDGetConstantUUIDWithBytes(kCFAllocatorDefault, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  \
                                   0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

typedef struct IUnknownVTbl {
    void* _reserved;
    HRESULT (*QueryInterface)(void* thisPointer, REFIID iid, LPVOID* ppv);
    ULONG (*AddRef)(void* thisPointer);
    ULONG (*Release)(void* thisPointer);
} IUnknownVTbl;

#ifdef __cplusplus
}
#endif

#endif
