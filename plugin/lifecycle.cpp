#include "plugin/Lifecycle.h"

#include "images/ImageImportManager.h"
#include "pane/PaneEvents.h"
#include "settings/AccountingContext.h"
#include "sync/TicketSync.h"

namespace {

constexpr OSStatus kNoContext = -9530;

// The Print button's events the pane watches: a press.
const EventTypeSpec userOptionEvents[] = {{kEventClassControl, kEventControlHit}};

AccountingContext* contextOf(PMPDEContext context) {
    return reinterpret_cast<AccountingContext*>(context);
}

// True when the printer's PPD names the manufacturer "Quorv", exactly. A PPD that names none is
// another manufacturer's.
bool isQuorvPrinter(ppdContext ppd) {
    static const unsigned char kManufacturer[] = "\x0cManufacturer";
    static const unsigned char kQuorv[] = "\x05Quorv";
    ppdMainIndex index = 0;
    if (ppdGetMainIndex(ppd, kManufacturer, &index) != noErr) {
        return false;
    }
    Str255 value;
    value[0] = 0;
    if (ppdGetInvocationString(ppd, index, value) != noErr) {
        return false;
    }
    return PLstrcmp(value, kQuorv) == 0;
}

// Removes an installed handler and disposes its routine; both fields end up null.
void removeHandler(EventHandlerRef* handler, EventHandlerUPP* routine) {
    if (*handler != nullptr) {
        RemoveEventHandler(*handler);
        *handler = nullptr;
    }
    if (*routine != nullptr) {
        DisposeEventHandlerUPP(*routine);
        *routine = nullptr;
    }
}

void wirePane(AccountingContext* context, ControlRef userPane, PMPrintSession session) {
    // A dialog that chooses the same printer again initializes the pane again: the handler a
    // first Initialize put on the Print button goes before the new one comes, or it would stay
    // there with a context that Terminate frees.
    removeHandler(&context->printButtonHandlerRef, &context->printButtonHandlerUPP);
    context->embedderPane = userPane;
    if (Sync(reinterpret_cast<PMPDEContext>(context), session, kSyncLoad) == noErr) {
        ControlRef printButton = nullptr;
        GetWindowDefaultButton(GetControlOwner(userPane), &printButton);
        context->printButton = printButton;
    }
    context->printButtonHandlerUPP = NewEventHandlerUPP(accountingEventHandler);
    // Without a Print button (the settings could not be loaded) there is nothing to watch.
    if (context->printButton != nullptr) {
        InstallEventHandler(GetControlEventTarget(context->printButton),
                            context->printButtonHandlerUPP, 1, userOptionEvents, context,
                            &context->printButtonHandlerRef);
    }
}

// Copies the localised string; null when the bundle has no such string.
CFStringRef copyString(CFBundleRef bundle, CFStringRef key) {
    return CFBundleCopyLocalizedString(bundle, key, key, nullptr);
}

} // namespace

extern "C" {

OSStatus Prologue(PMPDEContext* contextOut, OSType* creator, CFStringRef* userOptionKind,
                  CFStringRef* title, UInt32* maxH, UInt32* maxV) {
    if (contextOut == nullptr || creator == nullptr || userOptionKind == nullptr ||
        title == nullptr || maxH == nullptr || maxV == nullptr) {
        return paramErr;
    }
    AccountingContext* context = allocateAccountingContext();
    if (context == nullptr) {
        return kNoContext;
    }
    context->bundle = CFBundleGetBundleWithIdentifier(kAccountingBundleID);
    *contextOut = reinterpret_cast<PMPDEContext>(context);
    *maxH = kAccountingMaxWidth;
    *maxV = kAccountingMaxHeight;
    context->title = copyString(context->bundle, CFSTR("Accounting"));
    if (context->title != nullptr) {
        *title = context->title;
    }
    *userOptionKind = kAccountingKind;
    *creator = kAccountingCreator;
    return noErr;
}

OSStatus Initialize(PMPDEContext pdeContext, PMPDEFlags*, PMPDERef, ControlRef parentUserPane,
                    PMPrintSession printSession) {
    AccountingContext* context = contextOf(pdeContext);
    if (context == nullptr || printSession == nullptr) {
        return kNoContext;
    }
    PMTicketRef printerInfo = nullptr;
    OSStatus status = GetTicketFromSession(printSession, kPDE_PMPrinterInfoRef, &printerInfo);
    if (status != noErr) {
        return status;
    }
    ppdContext ppd = nullptr;
    ppdFileRecord file = nullptr;
    status = ppdOpenCompiledPPDFromTicket(printerInfo, &ppd, &file);
    if (status != noErr) {
        return status;
    }
    if (isQuorvPrinter(ppd)) {
        wirePane(context, parentUserPane, printSession);
    }
    ppdCloseCompiledPPDFromTicket(ppd, file);
    return noErr;
}

OSStatus GetSummaryText(PMPDEContext pdeContext, CFArrayRef* titleArray, CFArrayRef* summaryArray) {
    if (titleArray == nullptr || summaryArray == nullptr) {
        return paramErr;
    }
    *titleArray = nullptr;
    *summaryArray = nullptr;
    AccountingContext* context = contextOf(pdeContext);
    if (context == nullptr) {
        return kNoContext;
    }
    CFMutableArrayRef titles = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    CFMutableArrayRef summaries =
        CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    if (titles == nullptr || summaries == nullptr) {
        if (titles != nullptr) {
            CFRelease(titles);
        }
        if (summaries != nullptr) {
            CFRelease(summaries);
        }
        return memFullErr;
    }
    CFStringRef title = copyString(context->bundle, CFSTR(" Accounting"));
    if (title == nullptr) {
        CFRelease(titles);
        CFRelease(summaries);
        return noErr;
    }
    // The popup tells what the user sees; before the pane is built there is no popup, and the
    // mode the settings hold tells the truth.
    SInt32 mode = context->modePopup != nullptr ? GetControlValue(context->modePopup)
                                                : context->accountingMode;
    CFStringRef summary = copyString(context->bundle, mode <= kAccountingOff ? CFSTR(" Disabled")
                                                                             : CFSTR(" Enabled"));
    if (summary == nullptr) {
        CFRelease(title);
        CFRelease(titles);
        CFRelease(summaries);
        return noErr;
    }
    CFArrayAppendValue(titles, title);
    CFArrayAppendValue(summaries, summary);
    CFRelease(summary);
    *titleArray = titles;
    *summaryArray = summaries;
    CFRelease(title);
    return noErr;
}

OSStatus Close(PMPDEContext pdeContext) {
    AccountingContext* context = contextOf(pdeContext);
    if (context == nullptr) {
        return kNoContext;
    }
    // Cleared once removed, so that a second Close removes nothing twice.
    removeHandler(&context->paneHandlerRef, &context->paneHandlerUPP);
    return noErr;
}

OSStatus Terminate(PMPDEContext pdeContext, OSStatus) {
    AccountingContext* context = contextOf(pdeContext);
    if (context == nullptr) {
        return kNoContext;
    }
    if (context->title != nullptr) {
        CFRelease(context->title);
        context->title = nullptr;
    }
    removeHandler(&context->printButtonHandlerRef, &context->printButtonHandlerUPP);
    // A dialog-window handler still installed (no Close) would call into freed memory, and so
    // would the handlers on the pane's own controls, which the dialog may still click or draw.
    Close(pdeContext);
    removeHandler(&context->contentPaneHandlerRef, &context->contentPaneHandlerUPP);
    removeHandler(&context->imageDrawHandlerRef, &context->imageDrawHandlerUPP);
    if (context->imageManager != nullptr) {
        delete context->imageManager;
        context->imageManager = nullptr;
    }
    freeAccountingContext(context);
    return noErr;
}

} // extern "C"
