#include "pane/Construction.h"

#include "images/ImageImportManager.h"
#include "images/ModeImage.h"
#include "layout/PaneLayout.h"
#include "pane/PaneEvents.h"
#include "prompt/KeyFilter.h"
#include "settings/AccountingContext.h"
#include "settings/PaneControls.h"

#include <cstring>
#include <new>

namespace {

constexpr OSStatus kNoContext = -9530;

void installCommandHandler(AccountingContext* context, WindowRef dialog) {
    // A handler an earlier Open left installed (no Close since) goes first.
    if (context->paneHandlerRef != nullptr) {
        RemoveEventHandler(context->paneHandlerRef);
        DisposeEventHandlerUPP(context->paneHandlerUPP);
        context->paneHandlerRef = nullptr;
        context->paneHandlerUPP = nullptr;
    }
    static const EventTypeSpec commands[] = {{kEventClassCommand, kEventCommandProcess}};
    context->paneHandlerUPP = NewEventHandlerUPP(accountingEventHandler);
    InstallEventHandler(GetWindowEventTarget(dialog), context->paneHandlerUPP, 1, commands, context,
                        &context->paneHandlerRef);
}

void readHelpBundle(AccountingContext* context) {
    CFBundleRef helpBundle = nullptr;
    if (GetControlProperty(context->printButton, kHelpBundlePropertyCreator, kHelpBundlePropertyTag,
                           sizeof helpBundle, nullptr, &helpBundle) == noErr) {
        context->helpBundle = helpBundle;
    }
}

// Moves the pane's content from the nib window into the dialog's user pane, centred.
OSStatus embedContent(AccountingContext* context) {
    IBNibRef nib = nullptr;
    OSStatus status = CreateNibReferenceWithCFBundle(context->bundle, CFSTR("Accounting"), &nib);
    if (status != noErr) {
        return status;
    }
    WindowRef nibWindow = nullptr;
    status = CreateWindowFromNib(nib, CFSTR("Window"), &nibWindow);
    if (status != noErr) {
        DisposeNibReference(nib);
        return status;
    }
    context->contentPane = findAccountingControl(nibWindow, kContentPaneID);
    if (context->contentPane != nullptr) {
        Rect outer = {0, 0, 0, 0};
        Rect inner = {0, 0, 0, 0};
        GetControlBounds(context->embedderPane, &outer);
        GetControlBounds(context->contentPane, &inner);
        Point origin = centredOrigin(outer, inner);
        MoveControl(context->contentPane, origin.h, origin.v);
        if (EmbedControl(context->contentPane, context->embedderPane) == noErr) {
            SetControlVisibility(context->contentPane, true, false);
        }
    }
    // After a successful embed the content pane no longer belongs to the nib window.
    DisposeWindow(nibWindow);
    DisposeNibReference(nib);
    return noErr;
}

void createImageCache(AccountingContext* context) {
    if (context->imageManager != nullptr) {
        return;
    }
    CFURLRef resources = CFBundleCopyResourcesDirectoryURL(context->bundle);
    FSRef folder;
    std::memset(&folder, 0, sizeof folder);
    CFURLGetFSRef(resources, &folder);
    context->imageManager = new (std::nothrow) ImageImportManager(folder);
    if (resources != nullptr) {
        CFRelease(resources);
    }
}

void hideKontavarItem(ControlRef modePopup) {
    MenuRef menu = nullptr;
    if (GetControlData(modePopup, kControlEntireControl, kControlPopupButtonMenuRefTag, sizeof menu,
                       &menu, nullptr) == noErr) {
        ChangeMenuItemAttributes(menu, kAccountingKontavar, kMenuItemAttrHidden, 0);
    }
}

OSStatus build(AccountingContext* context, WindowRef dialog) {
    OSStatus status = embedContent(context);
    if (status != noErr) {
        return status;
    }
    createImageCache(context);

    context->contentPane = findAccountingControl(dialog, kContentPaneID);
    context->modePopup = findAccountingControl(dialog, kModePopupID);
    hideKontavarItem(context->modePopup);
    SetControlValue(context->modePopup, static_cast<SInt16>(context->accountingMode));

    context->imagePane = findAccountingControl(dialog, kImagePaneID);
    static const EventTypeSpec drawEvents[] = {{kEventClassControl, kEventControlDraw}};
    context->imageDrawHandlerUPP = NewEventHandlerUPP(AccountingDrawEventHandler);
    InstallEventHandler(GetControlEventTarget(context->imagePane), context->imageDrawHandlerUPP, 1,
                        drawEvents, context, &context->imageDrawHandlerRef);

    context->promptRadio = findAccountingControl(dialog, kPromptRadioID);
    context->defaultCodesRadio = findAccountingControl(dialog, kDefaultCodesRadioID);
    context->concealUserCheckbox = findAccountingControl(dialog, kConcealUserCheckboxID);
    context->concealAccountCheckbox = findAccountingControl(dialog, kConcealAccountCheckboxID);
    context->userIDField = findAccountingControl(dialog, kUserIDFieldID);
    context->accountIDLabel = findAccountingControl(dialog, kAccountIDLabelID);
    context->accountIDField = findAccountingControl(dialog, kAccountIDFieldID);
    context->userIDLabel = findAccountingControl(dialog, kUserIDLabelID);
    context->offModeItem = findAccountingControl(dialog, kOffModeItemID);
    context->accountTypePopup = findAccountingControl(dialog, kAccountTypePopupID);
    SetControlValue(context->accountTypePopup, static_cast<SInt16>(context->accountType));
    context->accountTypeLabel = findAccountingControl(dialog, kAccountTypeLabelID);

    if (context->promptAtPrint == 0) {
        showCode(context->userIDField, context->defaultUserID);
        showCode(context->accountIDField, context->defaultAccountID);
    }

    // The hits of every control inside the content pane travel up to it.
    static const EventTypeSpec hits[] = {{kEventClassControl, kEventControlHit}};
    context->contentPaneHandlerUPP = NewEventHandlerUPP(accountingEventHandler);
    status = InstallEventHandler(GetControlEventTarget(context->contentPane),
                                 context->contentPaneHandlerUPP, 1, hits, context,
                                 &context->contentPaneHandlerRef);

    ControlKeyFilterUPP filter = NewControlKeyFilterUPP(accountKeyFilter);
    SetControlData(context->userIDField, kControlEntireControl, kControlEditTextKeyFilterTag,
                   sizeof filter, &filter);
    SetControlData(context->accountIDField, kControlEntireControl, kControlEditTextKeyFilterTag,
                   sizeof filter, &filter);

    setControls(context);
    context->paneOpened = 1;
    return status;
}

} // namespace

Point centredOrigin(const Rect& outer, const Rect& inner) {
    SInt32 h = SInt32{outer.left} + (SInt32{outer.right} - outer.left) / 2 -
               (SInt32{inner.right} - inner.left) / 2;
    SInt32 v = SInt32{outer.top} + (SInt32{outer.bottom} - outer.top) / 2 -
               (SInt32{inner.bottom} - inner.top) / 2;
    Point origin;
    origin.h = static_cast<SInt16>(h);
    origin.v = static_cast<SInt16>(v);
    return origin;
}

extern "C" OSStatus Open(PMPDEContext pdeContext) {
    auto* context = reinterpret_cast<AccountingContext*>(pdeContext);
    if (context == nullptr) {
        return kNoContext;
    }
    // A pane left unwired (another manufacturer's printer) has no user pane, dialog window or
    // Print button to work with: there is nothing to build.
    if (context->embedderPane == nullptr) {
        return noErr;
    }
    WindowRef dialog = GetControlOwner(context->embedderPane);
    installCommandHandler(context, dialog);
    readHelpBundle(context);
    if (context->paneOpened) {
        return noErr;
    }
    return build(context, dialog);
}
