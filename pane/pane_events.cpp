#include "pane/PaneEvents.h"

#include "help/Help.h"
#include "layout/PaneLayout.h"
#include "prompt/Collection.h"
#include "settings/PaneControls.h"

#include <cstring>

namespace {

OSStatus controlHit(AccountingContext* context, EventRef event) {
    ControlRef control = nullptr;
    GetEventParameter(event, kEventParamDirectObject, typeControlRef, nullptr, sizeof control,
                      nullptr, &control);
    ControlID id = {0, 0};
    GetControlID(control, &id);

    // The Print button carries no pane ID: it is known by its reference.
    if (control != nullptr && control == context->printButton) {
        if (context->accountingMode > kAccountingOff) {
            return gatherAccountingInformation(context);
        }
        return eventNotHandledErr;
    }
    if (id.signature != kAccountingSignature) {
        return eventNotHandledErr;
    }
    SInt32 value = GetControlValue(control);
    switch (id.id) {
    case kAccountTypePopupID:
        context->accountType = value;
        setControls(context);
        break;
    case kModePopupID:
        context->accountingMode = value;
        setControls(context);
        break;
    case kPromptRadioID:
        context->promptAtPrint = 1;
        SetControlValue(context->defaultCodesRadio, 0);
        setControls(context);
        break;
    case kConcealUserCheckboxID:
        context->concealUserID = value;
        break;
    case kConcealAccountCheckboxID:
        context->concealAccountID = value;
        break;
    case kDefaultCodesRadioID:
        context->promptAtPrint = 0;
        SetControlValue(context->promptRadio, 0);
        setControls(context);
        // The fields show the default codes last loaded, stored or taken at print.
        showCode(context->userIDField, context->defaultUserID);
        showCode(context->accountIDField, context->defaultAccountID);
        break;
    default:
        break;
    }
    return eventNotHandledErr;
}

OSStatus command(AccountingContext* context, EventRef event) {
    HICommand hiCommand;
    std::memset(&hiCommand, 0, sizeof hiCommand);
    GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr, sizeof hiCommand,
                      nullptr, &hiCommand);
    if (hiCommand.commandID != 'help') {
        return eventNotHandledErr;
    }
    return DisplayHelp(context->helpBundle, kAccountingHelpPage, nullptr);
}

} // namespace

extern "C" OSStatus accountingEventHandler(EventHandlerCallRef, EventRef event, void* userData) {
    auto* context = static_cast<AccountingContext*>(userData);
    if (context == nullptr) {
        return eventNotHandledErr;
    }
    UInt32 eventClass = GetEventClass(event);
    UInt32 eventKind = GetEventKind(event);
    if (eventClass == kEventClassControl && eventKind == kEventControlHit) {
        return controlHit(context, event);
    }
    if (eventClass == kEventClassCommand && eventKind == kEventCommandProcess) {
        return command(context, event);
    }
    return eventNotHandledErr;
}
