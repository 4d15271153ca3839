#include "prompt/PromptEvents.h"

#include "help/Help.h"
#include "prompt/PromptFields.h"
#include "settings/PaneControls.h"

#include <cstring>

namespace {

OSStatus handleCommand(AccountingContext* context, EventRef event) {
    HICommand command;
    std::memset(&command, 0, sizeof command);
    GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof command,
                      nullptr, &command);
    if (command.commandID != 'Qhlp') {
        return eventNotHandledErr;
    }
    return DisplayHelp(context->helpBundle, kAccountingHelpPage, nullptr);
}

// Account type 1 needs no account ID: the field is emptied and switched off, and OK may be
// pressed at once. Types 2 and 3 need one, so OK waits for the next key release.
void accountTypeChosen(AccountingContext* context, ControlRef popup) {
    WindowRef window = context->promptWindow;
    ControlRef accountField = findAccountingControl(window, kPromptAccountIDFieldID);
    ControlRef companion = findAccountingControl(window, kPromptAccountIDCompanionID);
    ControlRef ok = findAccountingControl(window, kPromptOKButtonID);
    if (GetControlValue(popup) < 2) {
        CFStringRef empty = CFSTR("");
        ResType tag = concealmentOf(context->concealAccountID) == Concealment::Concealed
                          ? kControlEditTextPasswordCFStringTag
                          : kControlEditTextCFStringTag;
        SetControlData(accountField, kControlEntireControl, tag, sizeof empty, &empty);
        DisableControl(accountField);
        DisableControl(companion);
        EnableControl(ok);
    } else {
        EnableControl(companion);
        EnableControl(accountField);
        DisableControl(ok);
    }
    context->accountType = GetControl32BitValue(popup);
}

OSStatus handleControlHit(AccountingContext* context, EventRef event) {
    ControlRef control = nullptr;
    GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof control,
                      nullptr, &control);
    ControlID id = {0, 0};
    if (GetControlID(control, &id) != noErr || id.signature != kAccountingSignature) {
        return eventNotHandledErr;
    }
    switch (id.id) {
    case kPromptOKButtonID:
        context->promptCancelled = 0;
        QuitAppModalLoopForWindow(context->promptWindow);
        break;
    case kPromptCancelButtonID:
        context->promptCancelled = 1;
        QuitAppModalLoopForWindow(context->promptWindow);
        break;
    case kPromptAccountTypePopupID:
        accountTypeChosen(context, control);
        break;
    default:
        break;
    }
    return eventNotHandledErr;
}

bool isFilled(AccountingContext* context, SInt32 number, SInt32 concealFlag) {
    char code[kCodeFieldSize];
    return readPromptCode(findAccountingControl(context->promptWindow, number),
                          concealmentOf(concealFlag), gMaxChars, code) > 0;
}

// OK may be pressed once the codes the mode and account type need are there.
void applyOKRule(AccountingContext* context) {
    bool allowed = isFilled(context, kPromptUserIDFieldID, context->concealUserID);
    bool bothNeeded = context->accountingMode == kAccountingFull ||
                      (context->accountingMode == kAccountingKontavar &&
                       (context->accountType == 2 || context->accountType == 3));
    if (bothNeeded) {
        allowed = allowed && isFilled(context, kPromptAccountIDFieldID, context->concealAccountID);
    }
    ControlRef ok = findAccountingControl(context->promptWindow, kPromptOKButtonID);
    if (allowed) {
        EnableControl(ok);
    } else {
        DisableControl(ok);
    }
}

} // namespace

extern "C" OSStatus accountingInputEventHandler(EventHandlerCallRef, EventRef event,
                                                void* userData) {
    auto* context = static_cast<AccountingContext*>(userData);
    if (context == nullptr) {
        return eventNotHandledErr;
    }
    UInt32 eventClass = GetEventClass(event);
    UInt32 eventKind = GetEventKind(event);
    if (eventClass == kEventClassCommand && eventKind == kEventCommandProcess) {
        return handleCommand(context, event);
    }
    if (eventClass == kEventClassControl && eventKind == kEventControlHit) {
        return handleControlHit(context, event);
    }
    if (eventClass == kEventClassKeyboard && eventKind == kEventRawKeyUp) {
        applyOKRule(context);
    }
    return eventNotHandledErr;
}
