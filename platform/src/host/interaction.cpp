#include <PlatformHost.h>

#include "../common/Unicode.h"
#include "../common/UserRecords.h"
#include "../corefoundation/Bundles.h"
#include "../hitoolbox/Toolbox.h"

namespace PlatformHost {
namespace {

ModalEventSource& modalSource() {
    static ModalEventSource source;
    return source;
}

bool callModalSource(WindowRef window, void*) {
    // A copy, so that an action may replace the source while it runs.
    ModalEventSource source = modalSource();
    return source && source(window);
}

} // namespace

CFBundleRef openBundle(const std::string& path, std::string* error) {
    return platform::openBundle(path, error);
}

std::string lastNibError() {
    return platform::nibError();
}

ClickResult click(ControlRef control, const SInt32* value) {
    ClickResult result;
    if (control == nullptr) {
        return result;
    }
    if (!platform::visibleInWindow(control)) {
        result.outcome = ClickOutcome::Hidden;
        return result;
    }
    if (!platform::enabledInWindow(control)) {
        result.outcome = ClickOutcome::Disabled;
        return result;
    }
    switch (control->kind) {
    case platform::ControlKind::PopupButton: {
        if (value == nullptr) {
            result.outcome = ClickOutcome::NeedsValue;
            return result;
        }
        size_t item = static_cast<size_t>(*value);
        if (*value >= 1 && item <= control->itemAttributes.size() &&
            (control->itemAttributes[item - 1] & kMenuItemAttrHidden) != 0) {
            result.outcome = ClickOutcome::HiddenItem;
            return result;
        }
        SetControl32BitValue(control, *value);
        break;
    }
    case platform::ControlKind::CheckBox:
        SetControl32BitValue(control, value != nullptr ? *value : (control->value != 0 ? 0 : 1));
        break;
    case platform::ControlKind::RadioButton:
        SetControl32BitValue(control, 1);
        break;
    default:
        break;
    }
    result.outcome = ClickOutcome::Delivered;
    WindowRef window = control->window;
    UInt32 command = control->command;
    result.hitStatus = platform::sendControlHit(control);
    if (result.hitStatus == eventNotHandledErr && command != 0 && window != nullptr) {
        result.commandSent = true;
        result.commandStatus = platform::sendCommand(&window->target, command);
    }
    return result;
}

bool typeKey(ControlRef field, UInt16 charCode) {
    return platform::typeKey(field, charCode);
}

int typeText(ControlRef field, const std::string& text) {
    if (field == nullptr) {
        return 0;
    }
    SetKeyboardFocus(field->window, field, kControlFocusNextPart);
    std::u16string units;
    if (!platform::utf8ToUtf16(text, &units)) {
        units = platform::utf8ToUtf16Lenient(text);
    }
    int passed = 0;
    for (char16_t unit : units) {
        passed += platform::typeKey(field, unit) ? 1 : 0;
    }
    return passed;
}

OSStatus sendCommand(WindowRef window, UInt32 commandID) {
    return window == nullptr ? paramErr : platform::sendCommand(&window->target, commandID);
}

bool setSelection(ControlRef field, SInt16 start, SInt16 end) {
    ControlEditTextSelectionRec selection = {start, end};
    return SetControlData(field, 0, kControlEditTextSelectionTag, sizeof selection, &selection) ==
           noErr;
}

void setModalEventSource(ModalEventSource source) {
    modalSource() = std::move(source);
    platform::setModalEventSource(modalSource() ? callModalSource : nullptr, nullptr);
}

ScopedModalEventSource::ScopedModalEventSource(ModalEventSource source) : previous_(modalSource()) {
    setModalEventSource(std::move(source));
}

ScopedModalEventSource::~ScopedModalEventSource() {
    setModalEventSource(std::move(previous_));
}

std::vector<Alert> alerts() {
    std::vector<Alert> out;
    for (const auto& a : platform::userRecords().alerts) {
        out.push_back({a.type, a.message, a.explanation});
    }
    return out;
}

std::vector<Notice> notices() {
    std::vector<Notice> out;
    for (const auto& n : platform::userRecords().notices) {
        out.push_back({n.title, n.message, n.flags, n.timeout});
    }
    return out;
}

long beeps() {
    return platform::userRecords().beeps;
}

std::vector<HelpRequest> helpRequests() {
    std::vector<HelpRequest> out;
    for (const auto& h : platform::userRecords().helps) {
        out.push_back({h.book, h.page, h.anchor, h.file, h.status});
    }
    return out;
}

void clearUserRecords() {
    platform::userRecords() = platform::UserRecords();
}

} // namespace PlatformHost
