#include "layout/PaneLayout.h"

#include <initializer_list>

namespace {

// The re-layout moves the account-ID caption up into the place of the account-type caption, and
// the account-ID field this far below it.
constexpr SInt16 kFieldGapBelowLabel = 8;

bool isSaved(const Rect& r) {
    return r.top != 0;
}

Rect boundsOf(ControlRef control) {
    Rect bounds = {0, 0, 0, 0};
    GetControlBounds(control, &bounds);
    return bounds;
}

// Moves a control with it hidden meanwhile, so that it is not drawn half-way.
void moveControl(ControlRef control, const Rect& bounds) {
    HideControl(control);
    SetControlBounds(control, &bounds);
    ShowControl(control);
}

void eraseControlArea(ControlRef control) {
    if (control == nullptr) {
        return;
    }
    Rect bounds = boundsOf(control);
    EraseRect(&bounds);
}

void layOutOff(AccountingContext* c) {
    for (ControlRef control :
         {c->promptRadio, c->defaultCodesRadio, c->userIDField, c->userIDLabel, c->accountIDField,
          c->accountIDLabel, c->concealUserCheckbox, c->concealAccountCheckbox, c->accountTypePopup,
          c->accountTypeLabel}) {
        HideControl(control);
    }
    ShowControl(c->offModeItem);
    // The moved controls leave their image behind where they were last drawn.
    if (isSaved(c->savedAccountLabelBounds)) {
        eraseControlArea(c->accountIDLabel);
    }
    if (isSaved(c->savedAccountFieldBounds)) {
        eraseControlArea(c->accountIDField);
    }
}

void showCodeControls(AccountingContext* c) {
    for (ControlRef control :
         {c->promptRadio, c->defaultCodesRadio, c->userIDField, c->userIDLabel, c->accountIDField,
          c->accountIDLabel, c->concealUserCheckbox, c->concealAccountCheckbox}) {
        ShowControl(control);
    }
    HideControl(c->offModeItem);
}

// Full accounting has no account type: the account-ID caption and field move up into the place
// of the account-type controls, once, while their old places are saved.
void layOutFull(AccountingContext* c) {
    HideControl(c->accountTypeLabel);
    HideControl(c->accountTypePopup);

    Rect anchor = boundsOf(c->accountTypeLabel);
    Rect label = boundsOf(c->accountIDLabel);

    if (!isSaved(c->savedAccountLabelBounds) && c->accountTypeLabel != nullptr &&
        c->accountIDLabel != nullptr) {
        c->savedAccountLabelBounds = label;
        SInt16 height = static_cast<SInt16>(label.bottom - label.top);
        Rect moved = {anchor.top, label.left, static_cast<SInt16>(anchor.top + height),
                      label.right};
        moveControl(c->accountIDLabel, moved);
    }

    if (!isSaved(c->savedAccountFieldBounds) && c->accountIDField != nullptr &&
        c->accountIDLabel != nullptr) {
        Rect field = boundsOf(c->accountIDField);
        c->savedAccountFieldBounds = field;
        SInt16 height = static_cast<SInt16>(field.bottom - field.top);
        Rect caption = boundsOf(c->accountIDLabel);
        SInt16 top = static_cast<SInt16>(caption.bottom + kFieldGapBelowLabel);
        Rect moved = {top, field.left, static_cast<SInt16>(top + height), field.right};
        moveControl(c->accountIDField, moved);
    }

    gMaxChars = 64;
}

// Kontavar accounting puts the account-ID controls back where they were built.
void layOutKontavar(AccountingContext* c) {
    if (isSaved(c->savedAccountLabelBounds)) {
        moveControl(c->accountIDLabel, c->savedAccountLabelBounds);
        c->savedAccountLabelBounds.top = 0;
    }
    if (isSaved(c->savedAccountFieldBounds)) {
        moveControl(c->accountIDField, c->savedAccountFieldBounds);
        c->savedAccountFieldBounds.top = 0;
    }
    ShowControl(c->accountTypePopup);
    ShowControl(c->accountTypeLabel);
    gMaxChars = 12;
}

void applyPromptRules(AccountingContext* c) {
    SetControlValue(c->promptRadio, 1);
    SetControlValue(c->defaultCodesRadio, 0);
    for (ControlRef control :
         {c->userIDField, c->userIDLabel, c->accountIDField, c->accountIDLabel}) {
        DisableControl(control);
    }
    // The prompt decides the account type itself.
    c->accountType = 1;
    SetControl32BitValue(c->accountTypePopup, 1);
    DisableControl(c->accountTypePopup);
    DisableControl(c->accountTypeLabel);

    SetControl32BitValue(c->concealUserCheckbox, c->concealUserID);
    EnableControl(c->concealUserCheckbox);
    Draw1Control(c->concealUserCheckbox);
    SetControl32BitValue(c->concealAccountCheckbox, c->concealAccountID);
    EnableControl(c->concealAccountCheckbox);
    Draw1Control(c->concealAccountCheckbox);
}

void applyDefaultCodeRules(AccountingContext* c) {
    SetControlValue(c->promptRadio, 0);
    SetControlValue(c->defaultCodesRadio, 1);
    EnableControl(c->userIDField);
    EnableControl(c->userIDLabel);
    // Kontavar account type 1 asks for a user ID only.
    if (c->accountingMode == kAccountingKontavar && c->accountType == 1) {
        DisableControl(c->accountIDField);
        DisableControl(c->accountIDLabel);
    } else {
        EnableControl(c->accountIDField);
        EnableControl(c->accountIDLabel);
        Draw1Control(c->accountIDField);
    }
    EnableControl(c->accountTypePopup);
    EnableControl(c->accountTypeLabel);
    DisableControl(c->concealUserCheckbox);
    DisableControl(c->concealAccountCheckbox);
}

} // namespace

void setControls(AccountingContext* c) {
    if (c == nullptr) {
        return;
    }
    Draw1Control(c->imagePane);

    switch (c->accountingMode) {
    case kAccountingOff:
        layOutOff(c);
        break;
    case kAccountingKontavar:
        showCodeControls(c);
        layOutKontavar(c);
        break;
    case kAccountingFull:
        showCodeControls(c);
        layOutFull(c);
        break;
    default:
        // A mode no pane offers (0, negative, above 3) moves and shows nothing.
        break;
    }

    if (c->accountingMode <= kAccountingOff) {
        return;
    }
    if (c->promptAtPrint != 0) {
        applyPromptRules(c);
    } else {
        applyDefaultCodeRules(c);
    }
}
