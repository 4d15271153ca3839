#include <CoreFoundation/CFString.h>
#include <HIToolbox/Controls.h>

#include "../common/TypeIDs.h"
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

bool isTextKind(ControlKind kind) {
    return kind == ControlKind::EditText || kind == ControlKind::StaticText ||
           kind == ControlKind::PasswordEditText;
}

SInt32 clamp(ControlRef control, SInt32 value) {
    return std::clamp(value, control->minimum, std::max(control->minimum, control->maximum));
}

} // namespace

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

ControlRef createControl(WindowRef window, ControlRef parent, ControlKind kind) {
    auto* control = createObject<OpaqueControlRef>(&kControlClass);
    if (control == nullptr) {
        return nullptr;
    }
    control->window = window;
    control->kind = kind;
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
        theControl->visible = true;
    }
}

void HideControl(ControlRef theControl) {
    if (theControl != nullptr) {
        theControl->visible = false;
    }
}

Boolean IsControlVisible(ControlRef inControl) {
    return inControl != nullptr && inControl->visible;
}

OSStatus EnableControl(ControlRef inControl) {
    if (inControl == nullptr) {
        return paramErr;
    }
    inControl->enabled = true;
    return noErr;
}

OSStatus DisableControl(ControlRef inControl) {
    if (inControl == nullptr) {
        return paramErr;
    }
    inControl->enabled = false;
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
        control->bounds = *bounds;
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
        theControl->value = platform::clamp(theControl, newValue);
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
    if (!platform::isTextKind(inControl->kind)) {
        return errDataNotSupported;
    }
    if (inTagName == kControlEditTextTextTag) {
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
    if (inTagName == kControlEditTextCFStringTag) {
        if (outActualSize != nullptr) {
            *outActualSize = sizeof(CFStringRef);
        }
        if (inBuffer == nullptr) {
            return noErr;
        }
        if (inBufferSize < static_cast<Size>(sizeof(CFStringRef))) {
            return errDataSizeMismatch;
        }
        CFStringRef string = platform::createStringFromUtf8Lenient(inControl->text);
        std::memcpy(inBuffer, &string, sizeof string);
        return string == nullptr ? OSErr{memFullErr} : OSErr{noErr};
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
    if (!platform::isTextKind(inControl->kind)) {
        return errDataNotSupported;
    }
    if (inTagName == kControlEditTextTextTag) {
        if (inSize < 0 || (inData == nullptr && inSize > 0)) {
            return paramErr;
        }
        inControl->text.assign(static_cast<const char*>(inData), static_cast<size_t>(inSize));
        return noErr;
    }
    if (inTagName == kControlEditTextCFStringTag) {
        if (inSize != static_cast<Size>(sizeof(CFStringRef)) || inData == nullptr) {
            return errDataSizeMismatch;
        }
        CFStringRef string;
        std::memcpy(&string, inData, sizeof string);
        inControl->text = platform::stringToUtf8(string);
        return noErr;
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
}

} // extern "C"
