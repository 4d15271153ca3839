// The dialog-extension entry points that create, wire, summarise, close and release the pane.
#pragma once

#include <Carbon/Carbon.h>

#define kAccountingBundleID CFSTR("com.quorv.print.pde.Accounting_7310_7350_7355pro")
#define kAccountingKind CFSTR("com.quorv.print.pde.AccountingKind")
constexpr OSType kAccountingCreator = 'pde ';
constexpr UInt32 kAccountingMaxWidth = 150;
constexpr UInt32 kAccountingMaxHeight = 378;

extern "C" {

OSStatus Prologue(PMPDEContext* context, OSType* creator, CFStringRef* userOptionKind,
                  CFStringRef* title, UInt32* maxH, UInt32* maxV);
// Wires the pane only for a printer whose PPD names the manufacturer "Quorv".
OSStatus Initialize(PMPDEContext context, PMPDEFlags* flags, PMPDERef ref,
                    ControlRef parentUserPane, PMPrintSession printSession);
// One row: the localised " Accounting" with " Enabled" or " Disabled".
OSStatus GetSummaryText(PMPDEContext context, CFArrayRef* titleArray, CFArrayRef* summaryArray);
OSStatus Close(PMPDEContext context);
OSStatus Terminate(PMPDEContext context, OSStatus status);

} // extern "C"
