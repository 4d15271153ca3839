#include "support/PaneWindow.h"

#include "settings/PaneControls.h"

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
     {64, 20, 82, 400},
     "Accounting is off: jobs print without codes.",
     {},
     &AccountingContext::offModeItem},
    {kPromptRadioID,
     ControlKind::RadioButton,
     {60, 20, 78, 330},
     "Ask for the codes at print time",
     {},
     &AccountingContext::promptRadio},
    {kConcealUserCheckboxID,
     ControlKind::CheckBox,
     {84, 40, 102, 330},
     "Conceal user ID",
     {},
     &AccountingContext::concealUserCheckbox},
    {kConcealAccountCheckboxID,
     ControlKind::CheckBox,
     {106, 40, 124, 330},
     "Conceal account ID",
     {},
     &AccountingContext::concealAccountCheckbox},
    {kDefaultCodesRadioID,
     ControlKind::RadioButton,
     {136, 20, 154, 330},
     "Use these codes:",
     {},
     &AccountingContext::defaultCodesRadio},
    {kUserIDLabelID,
     ControlKind::StaticText,
     {162, 40, 178, 300},
     "User ID:",
     {},
     &AccountingContext::userIDLabel},
    {kUserIDFieldID,
     ControlKind::EditText,
     {186, 40, 208, 300},
     "",
     {},
     &AccountingContext::userIDField},
    {kAccountTypeLabelID,
     ControlKind::StaticText,
     {218, 40, 234, 300},
     "Account type:",
     {},
     &AccountingContext::accountTypeLabel},
    {kAccountTypePopupID,
     ControlKind::PopupButton,
     {238, 40, 258, 300},
     "",
     {"User ID only", "User and account ID", "Department account"},
     &AccountingContext::accountTypePopup},
    {kAccountIDLabelID,
     ControlKind::StaticText,
     {270, 40, 286, 300},
     "Account ID:",
     {},
     &AccountingContext::accountIDLabel},
    {kAccountIDFieldID,
     ControlKind::EditText,
     {294, 40, 316, 300},
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
    content.bounds = Rect{0, 0, 330, 500};
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
