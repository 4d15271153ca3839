/* What a print-dialog extension shares with the dialog. */
#ifndef PLATFORM_PMPRINTINGDIALOGEXTENSIONS_H
#define PLATFORM_PMPRINTINGDIALOGEXTENSIONS_H

#include <CoreFoundation/CFArray.h>
#include <CoreFoundation/CFString.h>
#include <PrintCore/PMCore.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaquePMPDEContext* PMPDEContext;
typedef struct OpaquePMPDERef* PMPDERef;
typedef UInt32 PMPDEFlags;
typedef struct OpaqueControlRef* PMPDEControlRef;

/* The plug-in type of print-dialog extensions, and the interface the dialog asks for. */
#define kPDEPlugInTypeUUIDString "BDB091F4-E57F-11D3-B5CC-0050E4603277"
#define kDialogExtensionIntfIDString "A996FD7E-B738-11D3-8519-0050E4603277"

typedef struct PMPlugInAPIVersion {
    UInt32 buildVersionMajor;
    UInt32 buildVersionMinor;
    UInt32 baseVersionMajor;
    UInt32 baseVersionMinor;
} PMPlugInAPIVersion;

typedef struct PMPlugInHeaderInterface PMPlugInHeaderInterface;

/* The three operations every printing plug-in's table starts with. */
typedef struct PMPlugInHeader {
    OSStatus (*Retain)(PMPlugInHeaderInterface* obj);
    OSStatus (*Release)(PMPlugInHeaderInterface** objPtr);
    OSStatus (*GetAPIVersion)(PMPlugInHeaderInterface* obj, PMPlugInAPIVersion* versionPtr);
} PMPlugInHeader;

struct PMPlugInHeaderInterface {
    const PMPlugInHeader* vtable;
};

/* The dialog-extension table, called by position: the header, then the seven entry points. */
typedef struct PlugInIntfVTable {
    PMPlugInHeader plugInHeader;
    OSStatus (*Prologue)(PMPDEContext* context, OSType* creator, CFStringRef* userOptionKind,
                         CFStringRef* title, UInt32* maxH, UInt32* maxV);
    OSStatus (*Initialize)(PMPDEContext context, PMPDEFlags* flags, PMPDERef ref,
                           PMPDEControlRef parentUserPane, PMPrintSession printSession);
    OSStatus (*Sync)(PMPDEContext context, PMPrintSession printSession, Boolean reinitializePlugIn);
    OSStatus (*GetSummaryText)(PMPDEContext context, CFArrayRef* titleArray,
                               CFArrayRef* summaryArray);
    OSStatus (*Open)(PMPDEContext context);
    OSStatus (*Close)(PMPDEContext context);
    OSStatus (*Terminate)(PMPDEContext context, OSStatus status);
} PlugInIntfVTable;

typedef struct PlugInIntf {
    PlugInIntfVTable* vtable;
} PlugInIntf;

/* Session-data keys under which the dialog keeps the job's tickets. */
#define kPDE_PMPrintSettingsRef CFSTR("PMPrintSettingsTicket")
#define kPDE_PMPrinterInfoRef CFSTR("PMPrinterInfoTicket")

#ifdef __cplusplus
}
#endif

#endif
