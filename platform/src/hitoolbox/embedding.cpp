// Control properties, moving and embedding controls, and popup menus.
#include "../common/Object.h"
#include "Toolbox.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

void offsetTree(ControlRef control, int dh, int dv) {
    control->bounds.left = static_cast<SInt16>(control->bounds.left + dh);
    control->bounds.right = static_cast<SInt16>(control->bounds.right + dh);
    control->bounds.top = static_cast<SInt16>(control->bounds.top + dv);
    control->bounds.bottom = static_cast<SInt16>(control->bounds.bottom + dv);
    for (ControlRef child : control->children) {
        offsetTree(child, dh, dv);
    }
}

void moveToWindow(ControlRef control, WindowRef window) {
    WindowRef old = control->window;
    if (old != nullptr && old != window) {
        if (old->focus == control) {
            old->focus = nullptr;
        }
        if (old->defaultButton == control) {
            old->defaultButton = nullptr;
        }
    }
    control->window = window;
    control->target.window = window;
    for (ControlRef child : control->children) {
        moveToWindow(child, window);
    }
}

bool contains(ControlRef ancestor, ControlRef control) {
    for (ControlRef c = control; c != nullptr; c = c->parent) {
        if (c == ancestor) {
            return true;
        }
    }
    return false;
}

ControlRef menuOwner(MenuRef menu) {
    return menu == nullptr ? nullptr : menu->owner;
}

} // namespace

void disposeMenu(ControlRef control) {
    delete control->menu;
    control->menu = nullptr;
}

} // namespace platform

using platform::ControlKind;

extern "C" {

OSStatus GetControlProperty(ControlRef control, OSType propertyCreator, OSType propertyTag,
                            UInt32 bufferSize, UInt32* actualSize, void* propertyBuffer) {
    if (control == nullptr) {
        return paramErr;
    }
    auto found = control->properties.find({propertyCreator, propertyTag});
    if (found == control->properties.end()) {
        return controlPropertyNotFoundErr;
    }
    const auto& bytes = found->second;
    if (actualSize != nullptr) {
        *actualSize = static_cast<UInt32>(bytes.size());
    }
    if (propertyBuffer == nullptr) {
        return noErr;
    }
    if (bufferSize != bytes.size()) {
        return errDataSizeMismatch;
    }
    std::memcpy(propertyBuffer, bytes.data(), bytes.size());
    return noErr;
}

OSStatus SetControlProperty(ControlRef control, OSType propertyCreator, OSType propertyTag,
                            UInt32 propertySize, const void* propertyData) {
    if (control == nullptr || (propertyData == nullptr && propertySize > 0)) {
        return paramErr;
    }
    auto* bytes = static_cast<const unsigned char*>(propertyData);
    control->properties[{propertyCreator, propertyTag}].assign(bytes, bytes + propertySize);
    return noErr;
}

void MoveControl(ControlRef theControl, SInt16 h, SInt16 v) {
    if (theControl == nullptr) {
        return;
    }
    platform::offsetTree(theControl, h - theControl->bounds.left, v - theControl->bounds.top);
}

OSErr EmbedControl(ControlRef inControl, ControlRef inContainer) {
    if (inControl == nullptr || inContainer == nullptr) {
        return paramErr;
    }
    if (inControl->kind == ControlKind::RootPane) {
        return errCantEmbedRoot;
    }
    if (platform::contains(inControl, inContainer)) {
        return errCantEmbedIntoSelf;
    }
    if (inContainer->kind != ControlKind::UserPane && inContainer->kind != ControlKind::RootPane) {
        return errControlIsNotEmbedder;
    }
    if (inControl->parent != nullptr) {
        auto& siblings = inControl->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), inControl), siblings.end());
    }
    inControl->parent = inContainer;
    inContainer->children.push_back(inControl);
    platform::moveToWindow(inControl, inContainer->window);
    platform::controlChanged(inControl, platform::ControlChange::Parent);
    return noErr;
}

OSErr SetControlVisibility(ControlRef inControl, Boolean inIsVisible, Boolean inDoDraw) {
    if (inControl == nullptr) {
        return paramErr;
    }
    if (inControl->visible != (inIsVisible != 0)) {
        inControl->visible = inIsVisible != 0;
        platform::controlChanged(inControl, platform::ControlChange::Visible);
    }
    if (inDoDraw && inControl->visible) {
        Draw1Control(inControl);
    }
    return noErr;
}

OSStatus ChangeMenuItemAttributes(MenuRef menu, MenuItemIndex item,
                                  MenuItemAttributes setTheseAttributes,
                                  MenuItemAttributes clearTheseAttributes) {
    ControlRef owner = platform::menuOwner(menu);
    if (owner == nullptr || item < 1 || item > owner->itemAttributes.size()) {
        return paramErr;
    }
    UInt32& attributes = owner->itemAttributes[item - 1];
    UInt32 changed = (attributes & ~clearTheseAttributes) | setTheseAttributes;
    if (changed != attributes) {
        attributes = changed;
        platform::controlChanged(owner, platform::ControlChange::Items);
    }
    return noErr;
}

} // extern "C"
