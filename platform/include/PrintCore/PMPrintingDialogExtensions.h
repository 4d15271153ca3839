/* What a print-dialog extension shares with the dialog. */
#ifndef PLATFORM_PMPRINTINGDIALOGEXTENSIONS_H
#define PLATFORM_PMPRINTINGDIALOGEXTENSIONS_H

#include <CoreFoundation/CFString.h>
#include <PrintCore/PMCore.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaquePMPDEContext* PMPDEContext;
typedef UInt32 PMPDEFlags;

/* Session-data keys under which the dialog keeps the job's tickets. */
#define kPDE_PMPrintSettingsRef CFSTR("PMPrintSettingsTicket")
#define kPDE_PMPrinterInfoRef CFSTR("PMPrinterInfoTicket")

#ifdef __cplusplus
}
#endif

#endif
