#include "sync/TicketSync.h"

#include "layout/PaneLayout.h"
#include "settings/CodeString.h"
#include "settings/PaneControls.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr OSStatus kNoTicket = -30891; // the session holds no such ticket
constexpr OSStatus kNoContextOrSession = -30879;

// The value under the key, or the fallback when it can't be read.
SInt32 readSInt32(PMTicketRef ticket, CFStringRef key, SInt32 fallback, bool* read = nullptr) {
    SInt32 value = 0;
    bool ok = PMTicketGetSInt32(ticket, kPMTopLevel, kPMTopLevel, key, &value) == noErr;
    if (read != nullptr) {
        *read = ok;
    }
    return ok ? value : fallback;
}

// A conceal flag, with its line on standard error either way.
SInt32 readConcealFlag(PMTicketRef ticket, CFStringRef key, const char* readFormat,
                       const char* defaultLine) {
    bool read = false;
    SInt32 value = readSInt32(ticket, key, 1, &read);
    if (read) {
        std::fprintf(stderr, readFormat, static_cast<long>(value));
    } else {
        std::fputs(defaultLine, stderr);
    }
    return value;
}

void setValueIfPresent(WindowRef window, SInt32 number, SInt32 value) {
    if (ControlRef control = findAccountingControl(window, number)) {
        SetControlValue(control, static_cast<SInt16>(value));
    }
}

// Reads a code from the ticket into a context field. Whatever the read does, the field still
// ends inside its 80 bytes afterwards.
void readCode(PMTicketRef ticket, CFStringRef key, char* field) {
    PMTicketGetCString(ticket, kPMTopLevel, kPMTopLevel, key, kCodeFieldSize,
                       CFStringGetSystemEncoding(), field);
    field[kCodeFieldSize - 1] = '\0';
}

// Reads the text of a pane field back into a context field: at most 80 bytes are read, and at
// most 79 of them are kept, cut at a character boundary.
void readFieldText(WindowRef window, SInt32 number, char* field) {
    ControlRef control = findAccountingControl(window, number);
    if (control == nullptr) {
        return;
    }
    char text[kCodeFieldSize];
    Size actual = 0;
    if (GetControlData(control, kControlEntireControl, kControlEditTextTextTag, sizeof text, text,
                       &actual) != noErr) {
        return;
    }
    size_t length = actual < 0 ? 0 : static_cast<size_t>(actual);
    if (length > sizeof text) {
        length = sizeof text;
    }
    // A zero byte inside the text ends the code, as it would end the C string.
    if (const void* nul = std::memchr(text, '\0', length)) {
        length = static_cast<size_t>(static_cast<const char*>(nul) - text);
    }
    storeCode(field, kCodeFieldSize, text, length);
}

void load(AccountingContext* context, PMTicketRef ticket, WindowRef window) {
    context->accountingMode = readSInt32(ticket, kAccountingOnKey, 1);
    setValueIfPresent(window, kModePopupID, context->accountingMode);

    context->promptAtPrint = readSInt32(ticket, kAccountingPromptKey, 1);

    context->concealUserID =
        readConcealFlag(ticket, kAccountingConcealUserKey, "conceal user value = %ld\n",
                        "using default conceal user value\n");
    setValueIfPresent(window, kConcealUserCheckboxID, context->concealUserID);

    context->concealAccountID =
        readConcealFlag(ticket, kAccountingConcealAccountKey, "conceal accounting value = %ld\n",
                        "using default conceal accounting value\n");
    setValueIfPresent(window, kConcealAccountCheckboxID, context->concealAccountID);

    context->accountType = readSInt32(ticket, kAccountingAccountTypeKey, 1);
    setValueIfPresent(window, kAccountTypePopupID, context->accountType);

    // The codes in the ticket become default codes only when the ticket says they are in use.
    if (context->promptAtPrint == 0) {
        readCode(ticket, kAccountingUserIDKey, context->defaultUserID);
        readCode(ticket, kAccountingAccountIDKey, context->defaultAccountID);
        showCode(context->userIDField, context->defaultUserID);
        showCode(context->accountIDField, context->defaultAccountID);
    }

    setControls(context);
}

OSStatus store(AccountingContext* context, PMTicketRef ticket, WindowRef window) {
    CFStringRef client = kAccountingTicketClient;
    OSStatus result =
        PMTicketSetSInt32(ticket, client, kAccountingOnKey, context->accountingMode, false);

    if (context->promptAtPrint == 0) {
        // Text typed into the pane reaches the ticket without any other event.
        if (window != nullptr) {
            readFieldText(window, kUserIDFieldID, context->defaultUserID);
            readFieldText(window, kAccountIDFieldID, context->defaultAccountID);
        }
        PMTicketSetCString(ticket, client, kAccountingUserIDKey, context->defaultUserID, false);
        PMTicketSetCString(ticket, client, kAccountingAccountIDKey, context->defaultAccountID,
                           false);
    } else {
        PMTicketSetCString(ticket, client, kAccountingUserIDKey, context->promptUserID, false);
        PMTicketSetCString(ticket, client, kAccountingAccountIDKey, context->promptAccountID,
                           false);
    }

    PMTicketSetSInt32(ticket, client, kAccountingPromptKey, context->promptAtPrint, false);
    PMTicketSetSInt32(ticket, client, kAccountingConcealUserKey, context->concealUserID, false);
    PMTicketSetSInt32(ticket, client, kAccountingConcealAccountKey, context->concealAccountID,
                      false);
    PMTicketSetSInt32(ticket, client, kAccountingAccountTypeKey, context->accountType, false);
    return result;
}

} // namespace

OSStatus GetTicketFromSession(PMPrintSession printSession, CFStringRef key, PMTicketRef* ticket) {
    CFTypeRef data = nullptr;
    if (PMSessionGetDataFromSession(printSession, key, &data) != noErr || data == nullptr) {
        return kNoTicket;
    }
    // The session keeps the ticket's address in a number object: read it pointer-sized, since a
    // 32-bit read would cut a 64-bit address.
    if (CFGetTypeID(data) != CFNumberGetTypeID()) {
        return kNoTicket;
    }
    intptr_t reference = 0;
    CFNumberType type = sizeof(intptr_t) == 8 ? kCFNumberSInt64Type : kCFNumberSInt32Type;
    if (!CFNumberGetValue(static_cast<CFNumberRef>(data), type, &reference) || reference == 0) {
        return kNoTicket;
    }
    *ticket = reinterpret_cast<PMTicketRef>(reference);
    return noErr;
}

extern "C" OSStatus Sync(PMPDEContext pdeContext, PMPrintSession printSession,
                         Boolean reinitializePlugIn) {
    auto* context = reinterpret_cast<AccountingContext*>(pdeContext);
    if (context == nullptr || printSession == nullptr) {
        return kNoContextOrSession;
    }
    WindowRef window =
        context->embedderPane != nullptr ? GetControlOwner(context->embedderPane) : nullptr;

    PMTicketRef ticket = nullptr;
    OSStatus status = GetTicketFromSession(printSession, kPDE_PMPrintSettingsRef, &ticket);
    if (status != noErr) {
        return status;
    }

    switch (reinitializePlugIn) {
    case kSyncStore:
        return store(context, ticket, window);
    case kSyncLoad:
        load(context, ticket, window);
        return noErr;
    default:
        return noErr;
    }
}
