#include <CoreFoundation/CFString.h>
#include <HIToolbox/Controls.h>

#include "../common/TypeIDs.h"
#include "../common/Unicode.h"
#include "../corefoundation/Strings.h"
#include "Toolbox.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

std::string controlDescribe(const Object* object) {
    const auto* control = static_cast<const OpaqueControlRef*>(object);
    return std::string("<Control ") + controlKindName(control->kind) + " " +
           std::to_string(control->id.id) + ">";
}

const ObjectClass kControlClass = {"Control", kTypeIDToolbox, nullptr,
                                   nullptr,   nullptr,        controlDescribe};

SInt32 clamp(ControlRef control, SInt32 value) {
    return std::clamp(value, control->minimum, std::max(control->minimum, control->maximum));
}

} // namespace

bool isTextKind(ControlKind kind) {
    return kind == ControlKind::EditText || kind == ControlKind::StaticText ||
           kind == ControlKind::PasswordEditText;
}

bool isEditKind(ControlKind kind) {
    return kind == ControlKind::EditText || kind == ControlKind::PasswordEditText;
}

const char* controlKindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::RootPane:
        return "root";
    case ControlKind::UserPane:
        return "user-pane";
    case ControlKind::PushButton:
        return "push-button";
    case ControlKind::CheckBox:
        return "checkbox";
    case ControlKind::RadioButton:
        return "radio-button";
    case ControlKind::PopupButton:
        return "popup-button";
    case ControlKind::StaticText:
        return "static-text";
    case ControlKind::EditText:
        return "edit-text";
    case ControlKind::PasswordEditText:
        return "password-edit-text";
    }
    return "?";
}

namespace {

ControlObserverProc gObserver = nullptr;
void* gObserverRefcon = nullptr;

} // namespace

void setControlObserver(ControlObserverProc observer, void* refcon) {
    gObserver = observer;
    gObserverRefcon = refcon;
}

void controlChanged(ControlRef control, ControlChange change) {
    if (gObserver != nullptr && control != nullptr && control->kind != ControlKind::RootPane) {
        gObserver(control, change, gObserverRefcon);
    }
}

ControlRef createControl(WindowRef window, ControlRef parent, ControlKind kind) {
    auto* control = createObject<OpaqueControlRef>(&kControlClass);
    if (control == nullptr) {
        return nullptr;
    }
    control->window = window;
    control->kind = kind;
    control->target.kind = OpaqueEventTargetRef::Kind::Control;
    control->target.control = control;
    control->target.window = window;
    if (parent == nullptr && window != nullptr && kind != ControlKind::RootPane) {
        parent = window->root;
    }
    control->parent = parent;
    if (parent != nullptr) {
        parent->children.push_back(control);
    }
    return control;
}

void disposeControl(ControlRef control) {
    if (control == nullptr) {
        return;
    }
    controlChanged(control, ControlChange::Disposed);
    if (control->parent != nullptr) {
        auto& siblings = control->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), control), siblings.end());
        control->parent = nullptr;
    }
    std::vector<ControlRef> children;
    children.swap(control->children);
    for (ControlRef child : children) {
        child->parent = nullptr;
        disposeControl(child);
    }
    removeAllHandlers(&control->target);
    disposeMenu(control);
    if (WindowRef window = control->window) {
        if (window->focus == control) {
            window->focus = nullptr;
        }
        if (window->defaultButton == control) {
            window->defaultButton = nullptr;
        }
    }
    releaseObject(control);
}

void forEachControl(ControlRef top, void (*visit)(ControlRef, void*), void* context) {
    if (top == nullptr) {
        return;
    }
    visit(top, context);
    for (ControlRef child : top->children) {
        forEachControl(child, visit, context);
    }
}

ControlRef findControlByID(ControlRef top, const ControlID& id) {
    if (top == nullptr) {
        return nullptr;
    }
    if (top->kind != ControlKind::RootPane && top->id.signature == id.signature &&
        top->id.id == id.id) {
        return top;
    }
    for (ControlRef child : top->children) {
        if (ControlRef found = findControlByID(child, id)) {
            return found;
        }
    }
    return nullptr;
}

} // namespace platform

using platform::ControlKind;

namespace {

bool isPassword(ControlRef control) {
    return control->kind == ControlKind::PasswordEditText;
}

// Which text tags the control answers: plain fields 'text' and 'cfst', password fields 'pass'
// and 'pwcf' (their clear text is never shown under the plain tags).
bool bytesTag(ControlRef control, ResType tag) {
    return tag == (isPassword(control) ? kControlEditTextPasswordTag : kControlEditTextTextTag);
}

bool stringTag(ControlRef control, ResType tag) {
    return tag == (isPassword(control) ? kControlEditTextPasswordCFStringTag
                                       : kControlEditTextCFStringTag);
}

template <class T>
OSErr copyOut(const T& value, Size bufferSize, void* buffer, Size* actualSize) {
    if (actualSize != nullptr) {
        *actualSize = sizeof value;
    }
    if (buffer == nullptr) {
        return noErr;
    }
    if (bufferSize < static_cast<Size>(sizeof value)) {
        return errDataSizeMismatch;
    }
    std::memcpy(buffer, &value, sizeof value);
    return noErr;
}

template <class T>
OSErr copyIn(T* value, Size size, const void* data) {
    if (data == nullptr || size != static_cast<Size>(sizeof *value)) {
        return errDataSizeMismatch;
    }
    std::memcpy(value, data, sizeof *value);
    return noErr;
}

void setText(ControlRef control, std::string text) {
    bool changed = text != control->text;
    control->text = std::move(text);
    SInt16 end = static_cast<SInt16>(std::min<size_t>(control->text.size(), INT16_MAX));
    control->selection = {end, end};
    if (changed) {
        platform::controlChanged(control, platform::ControlChange::Text);
    }
}

template <typename T>
bool same(const T& a, const T& b) {
    return a == b;
}
bool same(const Rect& a, const Rect& b) {
    return a.top == b.top && a.left == b.left && a.bottom == b.bottom && a.right == b.right;
}
bool same(const ControlEditTextSelectionRec& a, const ControlEditTextSelectionRec& b) {
    return a.selStart == b.selStart && a.selEnd == b.selEnd;
}

// Sets a field of the control and says so when it changed.
template <typename T>
void change(ControlRef control, T OpaqueControlRef::*field, const T& value,
            platform::ControlChange what) {
    if (!same(control->*field, value)) {
        control->*field = value;
        platform::controlChanged(control, what);
    }
}

} // namespace

extern "C" {

OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl) {
    if (inWindow == nullptr) {
        return errInvalidWindowRef;
    }
    if (inID == nullptr || outControl == nullptr) {
        return paramErr;
    }
    ControlRef found = platform::findControlByID(inWindow->root, *inID);
    if (found == nullptr) {
        return errUnknownControl;
    }
    *outControl = found;
    return noErr;
}

OSStatus GetControlID(ControlRef inControl, ControlID* outID) {
    if (inControl == nullptr || outID == nullptr) {
        return paramErr;
    }
    *outID = inControl->id;
    return noErr;
}

WindowRef GetControlOwner(ControlRef inControl) {
    return inControl == nullptr ? nullptr : inControl->window;
}

void ShowControl(ControlRef theControl) {
    if (theControl != nullptr) {
        change(theControl, &OpaqueControlRef::visible, true, platform::ControlChange::Visible);
    }
}

void HideControl(ControlRef theControl) {
    if (theControl != nullptr) {
        change(theControl, &OpaqueControlRef::visible, false, platform::ControlChange::Visible);
    }
}

Boolean IsControlVisible(ControlRef inControl) {
    return inControl != nullptr && inControl->visible;
}

OSStatus EnableControl(ControlRef inControl) {
    if (inControl == nullptr) {
        return paramErr;
    }
    change(inControl, &OpaqueControlRef::enabled, true, platform::ControlChange::Enabled);
    return noErr;
}

OSStatus DisableControl(ControlRef inControl) {
    if (inControl == nullptr) {
        return paramErr;
    }
    change(inControl, &OpaqueControlRef::enabled, false, platform::ControlChange::Enabled);
    return noErr;
}

Boolean IsControlEnabled(ControlRef inControl) {
    return inControl != nullptr && inControl->enabled;
}

Rect* GetControlBounds(ControlRef control, Rect* bounds) {
    if (control != nullptr && bounds != nullptr) {
        *bounds = control->bounds;
    }
    return bounds;
}

void SetControlBounds(ControlRef control, const Rect* bounds) {
    if (control != nullptr && bounds != nullptr) {
        change(control, &OpaqueControlRef::bounds, *bounds, platform::ControlChange::Bounds);
    }
}

void SetControlValue(ControlRef theControl, SInt16 newValue) {
    SetControl32BitValue(theControl, newValue);
}

SInt16 GetControlValue(ControlRef theControl) {
    SInt32 value = GetControl32BitValue(theControl);
    return static_cast<SInt16>(std::clamp<SInt32>(value, INT16_MIN, INT16_MAX));
}

void SetControl32BitValue(ControlRef theControl, SInt32 newValue) {
    if (theControl != nullptr) {
        change(theControl, &OpaqueControlRef::value, platform::clamp(theControl, newValue),
               platform::ControlChange::Value);
    }
}

SInt32 GetControl32BitValue(ControlRef theControl) {
    return theControl == nullptr ? 0 : theControl->value;
}

SInt32 GetControl32BitMinimum(ControlRef theControl) {
    return theControl == nullptr ? 0 : theControl->minimum;
}

SInt32 GetControl32BitMaximum(ControlRef theControl) {
    return theControl == nullptr ? 0 : theControl->maximum;
}

OSErr GetControlData(ControlRef inControl, ControlPartCode, ResType inTagName, Size inBufferSize,
                     void* inBuffer, Size* outActualSize) {
    if (inControl == nullptr) {
        return paramErr;
    }
    if (inTagName == kControlFontStyleTag) {
        return copyOut(inControl->font, inBufferSize, inBuffer, outActualSize);
    }
    if (inTagName == kControlPopupButtonMenuRefTag && inControl->kind == ControlKind::PopupButton) {
        if (inControl->menu == nullptr) {
            inControl->menu = new OpaqueMenuRef{inControl};
        }
        MenuRef menu = inControl->menu;
        return copyOut(menu, inBufferSize, inBuffer, outActualSize);
    }
    if (!platform::isTextKind(inControl->kind)) {
        return errDataNotSupported;
    }
    if (bytesTag(inControl, inTagName)) {
        Size size = static_cast<Size>(inControl->text.size());
        if (inBuffer != nullptr && inBufferSize > 0) {
            std::memcpy(inBuffer, inControl->text.data(),
                        static_cast<size_t>(std::min(inBufferSize, size)));
        }
        if (outActualSize != nullptr) {
            *outActualSize = size;
        }
        return noErr;
    }
    if (stringTag(inControl, inTagName)) {
        if (inBuffer != nullptr && inBufferSize < static_cast<Size>(sizeof(CFStringRef))) {
            return errDataSizeMismatch;
        }
        CFStringRef string = nullptr;
        if (inBuffer != nullptr) {
            string = platform::createStringFromUtf8Lenient(inControl->text);
            if (string == nullptr) {
                return memFullErr;
            }
        }
        return copyOut(string, inBufferSize, inBuffer, outActualSize);
    }
    if (!platform::isEditKind(inControl->kind)) {
        return errDataNotSupported;
    }
    if (inTagName == kControlEditTextSelectionTag) {
        return copyOut(inControl->selection, inBufferSize, inBuffer, outActualSize);
    }
    if (inTagName == kControlEditTextKeyFilterTag) {
        return copyOut(inControl->keyFilter, inBufferSize, inBuffer, outActualSize);
    }
    return errDataNotSupported;
}

OSErr GetControlDataSize(ControlRef inControl, ControlPartCode inPart, ResType inTagName,
                         Size* outMaxSize) {
    return GetControlData(inControl, inPart, inTagName, 0, nullptr, outMaxSize);
}

OSErr SetControlData(ControlRef inControl, ControlPartCode, ResType inTagName, Size inSize,
                     const void* inData) {
    if (inControl == nullptr) {
        return paramErr;
    }
    if (inTagName == kControlFontStyleTag) {
        return copyIn(&inControl->font, inSize, inData);
    }
    if (!platform::isTextKind(inControl->kind)) {
        return errDataNotSupported;
    }
    if (bytesTag(inControl, inTagName)) {
        if (inSize < 0 || (inData == nullptr && inSize > 0)) {
            return paramErr;
        }
        setText(inControl,
                std::string(static_cast<const char*>(inData), static_cast<size_t>(inSize)));
        return noErr;
    }
    if (stringTag(inControl, inTagName)) {
        CFStringRef string = nullptr;
        OSErr status = copyIn(&string, inSize, inData);
        if (status == noErr) {
            setText(inControl, platform::stringToUtf8(string));
        }
        return status;
    }
    if (!platform::isEditKind(inControl->kind)) {
        return errDataNotSupported;
    }
    if (inTagName == kControlEditTextSelectionTag) {
        ControlEditTextSelectionRec selection;
        OSErr status = copyIn(&selection, inSize, inData);
        if (status != noErr) {
            return status;
        }
        // Kept within the text and widened to whole characters: an offset inside a character
        // moves out to its edge, so that an edit never leaves half a character behind.
        const std::string& text = inControl->text;
        auto offset = [](SInt16 value) { return static_cast<size_t>(std::max<SInt16>(value, 0)); };
        size_t start =
            platform::characterStart(text, offset(std::min(selection.selStart, selection.selEnd)));
        size_t end =
            platform::characterEnd(text, offset(std::max(selection.selStart, selection.selEnd)));
        ControlEditTextSelectionRec kept = {static_cast<SInt16>(std::min<size_t>(start, INT16_MAX)),
                                            static_cast<SInt16>(std::min<size_t>(end, INT16_MAX))};
        change(inControl, &OpaqueControlRef::selection, kept, platform::ControlChange::Selection);
        return noErr;
    }
    if (inTagName == kControlEditTextKeyFilterTag) {
        return copyIn(&inControl->keyFilter, inSize, inData);
    }
    return errDataNotSupported;
}

void Draw1Control(ControlRef theControl) {
    if (theControl == nullptr) {
        return;
    }
    platform::DrawRecord record{platform::DrawRecord::Op::DrawControl,
                                GetWindowPort(theControl->window), theControl, theControl->id,
                                theControl->bounds};
    platform::drawLog().push_back(record);
    platform::drawControlTree(theControl);
}

ControlKeyFilterUPP NewControlKeyFilterUPP(ControlKeyFilterProcPtr userRoutine) {
    return userRoutine;
}

void DisposeControlKeyFilterUPP(ControlKeyFilterUPP) {}

OSStatus CreateEditTextControl(WindowRef window, const Rect* boundsRect, CFStringRef text,
                               Boolean isPassword, Boolean, const ControlFontStyleRec* style,
                               ControlRef* outControl) {
    if (window == nullptr || boundsRect == nullptr || outControl == nullptr) {
        return paramErr;
    }
    ControlRef control = platform::createControl(
        window, nullptr, isPassword ? ControlKind::PasswordEditText : ControlKind::EditText);
    if (control == nullptr) {
        return memFullErr;
    }
    control->bounds = *boundsRect;
    setText(control, text == nullptr ? std::string() : platform::stringToUtf8(text));
    if (style != nullptr) {
        control->font = *style;
    }
    platform::controlChanged(control, platform::ControlChange::Created);
    *outControl = control;
    return noErr;
}

void DisposeControl(ControlRef theControl) {
    platform::disposeControl(theControl);
}

OSStatus SetControlID(ControlRef inControl, const ControlID* inID) {
    if (inControl == nullptr || inID == nullptr) {
        return paramErr;
    }
    inControl->id = *inID;
    return noErr;
}

OSStatus SetKeyboardFocus(WindowRef inWindow, ControlRef inControl, ControlFocusPart inPart) {
    if (inWindow == nullptr) {
        return errInvalidWindowRef;
    }
    ControlRef old = inWindow->focus;
    if (inControl == nullptr || inPart == kControlFocusNoPart) {
        inWindow->focus = nullptr;
        platform::controlChanged(old, platform::ControlChange::Focus);
        return noErr;
    }
    if (inControl->window != inWindow || !platform::isEditKind(inControl->kind)) {
        return errCouldntSetFocus;
    }
    inWindow->focus = inControl;
    if (old != inControl) {
        platform::controlChanged(old, platform::ControlChange::Focus);
        platform::controlChanged(inControl, platform::ControlChange::Focus);
    }
    return noErr;
}

OSStatus GetKeyboardFocus(WindowRef inWindow, ControlRef* outControl) {
    if (inWindow == nullptr || outControl == nullptr) {
        return paramErr;
    }
    *outControl = inWindow->focus;
    return noErr;
}

EventTargetRef GetControlEventTarget(ControlRef inControl) {
    return inControl == nullptr ? nullptr : &inControl->target;
}

OSStatus SetControlCommandID(ControlRef inControl, UInt32 inCommandID) {
    if (inControl == nullptr) {
        return paramErr;
    }
    inControl->command = inCommandID;
    return noErr;
}

OSStatus GetControlCommandID(ControlRef inControl, UInt32* outCommandID) {
    if (inControl == nullptr || outCommandID == nullptr) {
        return paramErr;
    }
    *outCommandID = inControl->command;
    return noErr;
}

OSStatus SetWindowDefaultButton(WindowRef inWindow, ControlRef inControl) {
    if (inWindow == nullptr || (inControl != nullptr && inControl->window != inWindow)) {
        return paramErr;
    }
    inWindow->defaultButton = inControl;
    return noErr;
}

OSStatus GetWindowDefaultButton(WindowRef inWindow, ControlRef* outControl) {
    if (inWindow == nullptr || outControl == nullptr) {
        return paramErr;
    }
    *outControl = inWindow->defaultButton;
    return noErr;
}

} // extern "C"
