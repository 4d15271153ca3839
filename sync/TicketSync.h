// Moving the accounting settings between the print-settings ticket and the context (and from
// there into the pane's controls).
#pragma once

#include "settings/AccountingContext.h"
#include "settings/TicketKeys.h"

// The ticket keys. All live at the top level of the print-settings ticket.
#define kAccountingOnKey CFSTR(kAccountingOnKeyName)
#define kAccountingPromptKey CFSTR(kAccountingPromptKeyName)
#define kAccountingConcealUserKey CFSTR(kAccountingConcealUserKeyName)
#define kAccountingConcealAccountKey CFSTR(kAccountingConcealAccountKeyName)
#define kAccountingAccountTypeKey CFSTR(kAccountingAccountTypeKeyName)
#define kAccountingUserIDKey CFSTR(kAccountingUserIDKeyName)
#define kAccountingAccountIDKey CFSTR(kAccountingAccountIDKeyName)

// Every write names this client and leaves the item unlocked.
#define kAccountingTicketClient CFSTR("com.pmvendor.printingmanager")

enum { kSyncStore = 0, kSyncLoad = 1 };

extern "C" {

// Reinitialise 1 loads (ticket -> context -> controls), 0 stores (controls -> context ->
// ticket), any other value does neither. -30879 without a context or session; the status of
// GetTicketFromSession when the print-settings ticket can't be had.
OSStatus Sync(PMPDEContext context, PMPrintSession printSession, Boolean reinitializePlugIn);

} // extern "C"

// The ticket stored in the session under the key. -30891, with *ticket left alone, when the
// session holds no such ticket.
OSStatus GetTicketFromSession(PMPrintSession printSession, CFStringRef key, PMTicketRef* ticket);
