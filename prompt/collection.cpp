#include "prompt/Collection.h"

#include "prompt/KeyFilter.h"
#include "prompt/PromptEvents.h"
#include "prompt/PromptFields.h"
#include "settings/PaneControls.h"

#include <cstring>

namespace {

// A password field takes the place of a nib field, at its bounds and in its font; the nib field
// stays hidden under another ID for the life of the window.
ControlRef concealField(WindowRef window, ControlRef field, SInt32 hiddenNumber, SInt32 number) {
    Rect bounds = {0, 0, 0, 0};
    GetControlBounds(field, &bounds);
    ControlFontStyleRec font;
    std::memset(&font, 0, sizeof font);
    GetControlData(field, kControlEntireControl, kControlFontStyleTag, sizeof font, &font, nullptr);
    ControlID hiddenID = {kAccountingSignature, hiddenNumber};
    SetControlID(field, &hiddenID);
    HideControl(field);

    ControlRef password = nullptr;
    CreateEditTextControl(window, &bounds, CFSTR(""), true, false, &font, &password);
    ControlID id = {kAccountingSignature, number};
    SetControlID(password, &id);
    return password;
}

void closePrompt(AccountingContext* context, EventHandlerRef handler, EventHandlerUPP handlerUPP,
                 ControlKeyFilterUPP filterUPP) {
    RemoveEventHandler(handler);
    DisposeEventHandlerUPP(handlerUPP);
    DisposeControlKeyFilterUPP(filterUPP);
    DisposeWindow(context->promptWindow);
    context->promptWindow = nullptr;
}

void showCancelAlert(AccountingContext* context) {
    CFStringRef message = CFBundleCopyLocalizedString(context->bundle, CFSTR("Cancel Alert"),
                                                      CFSTR("Cancel Alert"), nullptr);
    DialogRef alert = nullptr;
    if (CreateStandardAlert(kAlertStopAlert, message, nullptr, nullptr, &alert) == noErr) {
        DialogItemIndex hit = 0;
        RunStandardAlert(alert, nullptr, &hit);
    }
    if (message != nullptr) {
        CFRelease(message);
    }
}

OSStatus runPrompt(AccountingContext* context) {
    IBNibRef nib = nullptr;
    if (CreateNibReferenceWithCFBundle(context->bundle, CFSTR("Accounting"), &nib) != noErr) {
        return noErr;
    }
    CFStringRef windowName =
        context->accountingMode == kAccountingKontavar ? CFSTR("Kontavar") : CFSTR("Accounting");
    WindowRef window = nullptr;
    OSStatus made = CreateWindowFromNib(nib, windowName, &window);
    DisposeNibReference(nib);
    if (made != noErr) {
        return noErr;
    }
    context->promptWindow = window;

    const EventTypeSpec events[] = {{kEventClassControl, kEventControlHit},
                                    {kEventClassKeyboard, kEventRawKeyUp},
                                    {kEventClassCommand, kEventCommandProcess}};
    EventHandlerUPP handlerUPP = NewEventHandlerUPP(accountingInputEventHandler);
    EventHandlerRef handler = nullptr;
    InstallEventHandler(GetWindowEventTarget(window), handlerUPP, 3, events, context, &handler);

    ControlRef userField = findAccountingControl(window, kPromptUserIDFieldID);
    ControlRef accountField = findAccountingControl(window, kPromptAccountIDFieldID);
    if (context->concealUserID != 0) {
        userField = concealField(window, userField, kHiddenUserIDFieldID, kPromptUserIDFieldID);
    }
    if (context->concealAccountID != 0) {
        accountField =
            concealField(window, accountField, kHiddenAccountIDFieldID, kPromptAccountIDFieldID);
    }
    if (context->accountingMode == kAccountingKontavar) {
        DisableControl(accountField);
        DisableControl(findAccountingControl(window, kPromptAccountIDCompanionID));
    }
    SetKeyboardFocus(window, userField, kControlFocusNextPart);

    ControlKeyFilterUPP filterUPP = NewControlKeyFilterUPP(accountKeyFilter);
    SetControlData(userField, kControlEntireControl, kControlEditTextKeyFilterTag, sizeof filterUPP,
                   &filterUPP);
    SetControlData(accountField, kControlEntireControl, kControlEditTextKeyFilterTag,
                   sizeof filterUPP, &filterUPP);
    DisableControl(findAccountingControl(window, kPromptOKButtonID));

    ShowWindow(window);
    OSStatus loopStatus = RunAppModalLoopForWindow(window);

    // A loop that ended without OK or Cancel (its event source failed) confirms nothing.
    if (loopStatus == noErr && context->promptCancelled == 0) {
        readPromptCode(findAccountingControl(window, kPromptUserIDFieldID),
                       concealmentOf(context->concealUserID), gMaxChars, context->promptUserID);
        readPromptCode(findAccountingControl(window, kPromptAccountIDFieldID),
                       concealmentOf(context->concealAccountID), gMaxChars,
                       context->promptAccountID);
        closePrompt(context, handler, handlerUPP, filterUPP);
        return eventNotHandledErr;
    }
    closePrompt(context, handler, handlerUPP, filterUPP);
    if (loopStatus == noErr) {
        showCancelAlert(context);
    }
    return loopStatus;
}

enum class CodeState { Present, Missing };

// Takes a default code from a pane field into the context. Without the field, a code already
// held (loaded from the ticket) stands. A code that does not fit the field after conversion
// counts as missing rather than going to the printer cut short.
CodeState takeDefaultCode(ControlRef field, char (&code)[kCodeFieldSize], CFStringRef* text) {
    *text = nullptr;
    if (GetControlData(field, kControlEntireControl, kControlEditTextCFStringTag, sizeof *text,
                       text, nullptr) != noErr ||
        *text == nullptr) {
        *text = nullptr;
        return code[0] != '\0' ? CodeState::Present : CodeState::Missing;
    }
    if (CFStringGetLength(*text) == 0) {
        return CodeState::Missing;
    }
    if (!CFStringGetCString(*text, code, kCodeFieldSize, CFStringGetSystemEncoding())) {
        return CodeState::Missing;
    }
    return CodeState::Present;
}

void showBadDefaultCodesNotice(AccountingContext* context) {
    CFStringRef title = CFBundleCopyLocalizedString(context->bundle, CFSTR("Accounting"),
                                                    CFSTR("Accounting"), nullptr);
    CFStringRef message =
        CFBundleCopyLocalizedString(context->bundle, CFSTR("Bad Default Codes Message"),
                                    CFSTR("Bad Default Codes Message"), nullptr);
    CFUserNotificationDisplayNotice(0, kCFUserNotificationStopAlertLevel, nullptr, nullptr, nullptr,
                                    title, message, nullptr);
    if (title != nullptr) {
        CFRelease(title);
    }
    if (message != nullptr) {
        CFRelease(message);
    }
}

OSStatus checkDefaultCodes(AccountingContext* context) {
    CFStringRef userText = nullptr;
    CFStringRef accountText = nullptr;
    // Both fields are taken before the verdict, so a good user code is kept either way.
    CodeState user = takeDefaultCode(context->userIDField, context->defaultUserID, &userText);
    CodeState account =
        takeDefaultCode(context->accountIDField, context->defaultAccountID, &accountText);
    // Kontavar's "user ID only" type disables the account field, so only the user code can be
    // asked for; the prompt's OK rule for that type is the same.
    bool accountNeeded =
        !(context->accountingMode == kAccountingKontavar && context->accountType == 1);
    OSStatus status;
    if (user == CodeState::Missing || (accountNeeded && account == CodeState::Missing)) {
        showBadDefaultCodesNotice(context);
        status = noErr;
    } else {
        std::memcpy(context->promptUserID, context->defaultUserID, kCodeFieldSize);
        std::memcpy(context->promptAccountID, context->defaultAccountID, kCodeFieldSize);
        context->promptUserID[kCodeFieldSize - 1] = '\0';
        context->promptAccountID[kCodeFieldSize - 1] = '\0';
        status = eventNotHandledErr;
    }
    if (userText != nullptr) {
        CFRelease(userText);
    }
    if (accountText != nullptr) {
        CFRelease(accountText);
    }
    return status;
}

} // namespace

OSStatus gatherAccountingInformation(AccountingContext* context) {
    if (context == nullptr) {
        return noErr;
    }
    if (context->promptAtPrint != 0) {
        return runPrompt(context);
    }
    return checkDefaultCodes(context);
}
