#include "host/PaneWindow.h"

#include "pane/PaneControls.h"

#include <initializer_list>

using PlatformHost::ControlKind;
using PlatformHost::ControlSpec;

namespace {

struct Entry {
    SInt32 number;
    ControlKind kind;
    Rect bounds;
    const char* title;
    std::initializer_list<const char*> items;
    ControlRef AccountingContext::*field;
};

// Window coordinates; the content pane sits at the window's origin.
const Entry kPaneControls[] = {
    {kModePopupID,
     ControlKind::PopupButton,
     {20, 20, 40, 300},
     "Accounting:",
     {"Off", "Kontavar", "Full accounting"},
     &AccountingContext::modePopup},
    {kImagePaneID,
     ControlKind::UserPane,
     {16, 420, 80, 484},
     "",
     {},
     &AccountingContext::imagePane},
    {kOffModeItemID,
     ControlKind::StaticText,
     {60, 20, 78, 400},
     "Accounting is off: jobs print without codes.",
     {},
     &AccountingContext::offModeItem},
    {kPromptRadioID,
     ControlKind::RadioButton,
     {90, 20, 108, 330},
     "Ask for the codes at print time",
     {},
     &AccountingContext::promptRadio},
    {kConcealUserCheckboxID,
     ControlKind::CheckBox,
     {114, 40, 132, 330},
     "Conceal user ID",
     {},
     &AccountingContext::concealUserCheckbox},
    {kConcealAccountCheckboxID,
     ControlKind::CheckBox,
     {136, 40, 154, 330},
     "Conceal account ID",
     {},
     &AccountingContext::concealAccountCheckbox},
    {kDefaultCodesRadioID,
     ControlKind::RadioButton,
     {166, 20, 184, 330},
     "Use these codes:",
     {},
     &AccountingContext::defaultCodesRadio},
    {kUserIDLabelID,
     ControlKind::StaticText,
     {194, 40, 210, 140},
     "User ID:",
     {},
     &AccountingContext::userIDLabel},
    {kUserIDFieldID,
     ControlKind::EditText,
     {192, 150, 214, 330},
     "",
     {},
     &AccountingContext::userIDField},
    {kAccountTypeLabelID,
     ControlKind::StaticText,
     {226, 40, 242, 140},
     "Account type:",
     {},
     &AccountingContext::accountTypeLabel},
    {kAccountTypePopupID,
     ControlKind::PopupButton,
     {224, 150, 244, 330},
     "",
     {"User ID only", "User and account ID", "Department account"},
     &AccountingContext::accountTypePopup},
    {kAccountIDLabelID,
     ControlKind::StaticText,
     {256, 40, 272, 140},
     "Account ID:",
     {},
     &AccountingContext::accountIDLabel},
    {kAccountIDFieldID,
     ControlKind::EditText,
     {254, 150, 276, 330},
     "",
     {},
     &AccountingContext::accountIDField},
};

} // namespace

PaneWindow buildPaneWindow(AccountingContext* context, PaneWiring wiring) {
    PaneWindow pane;
    pane.window = PlatformHost::createWindow("Print", Rect{0, 0, 420, 520});
    ControlSpec embedder;
    embedder.kind = ControlKind::UserPane;
    embedder.id = 0;
    embedder.signature = 'PDE ';
    embedder.bounds = Rect{0, 0, 378, 520};
    pane.embedder = PlatformHost::addControl(pane.window, nullptr, embedder);

    ControlSpec content;
    content.kind = ControlKind::UserPane;
    content.id = kContentPaneID;
    content.bounds = Rect{0, 0, 300, 500};
    ControlRef contentPane = PlatformHost::addControl(pane.window, pane.embedder, content);

    for (const Entry& entry : kPaneControls) {
        ControlSpec spec;
        spec.kind = entry.kind;
        spec.id = entry.number;
        spec.bounds = entry.bounds;
        spec.title = entry.title;
        for (const char* item : entry.items) {
            spec.menuItems.emplace_back(item);
        }
        spec.value = spec.menuItems.empty() ? 0 : 1;
        ControlRef control = PlatformHost::addControl(pane.window, contentPane, spec);
        if (wiring == PaneWiring::ContextFields && context != nullptr) {
            context->*entry.field = control;
        }
    }
    if (context != nullptr) {
        context->embedderPane = pane.embedder;
        if (wiring == PaneWiring::ContextFields) {
            context->contentPane = contentPane;
        }
    }
    return pane;
}

ControlRef paneControl(const PaneWindow& pane, SInt32 number) {
    return PlatformHost::findControl(pane.window, number);
}
