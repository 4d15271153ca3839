// The inside of windows and controls, shared by the toolbox calls and the host-facing API.
#pragma once

#include <HIToolbox/Controls.h>
#include <HIToolbox/MacWindows.h>

#include "../common/Object.h"

#include <string>
#include <vector>

namespace platform {

enum class ControlKind {
    RootPane,
    UserPane,
    PushButton,
    CheckBox,
    RadioButton,
    PopupButton,
    StaticText,
    EditText,
    PasswordEditText
};

const char* controlKindName(ControlKind kind);

// One drawing operation, as recorded for the host.
struct DrawRecord {
    enum class Op { DrawControl, EraseRect };
    Op op;
    GrafPtr port;
    ControlRef control; // DrawControl only
    ControlID id;       // DrawControl only
    Rect rect;          // the control's bounds, or the erased rectangle
};

std::vector<DrawRecord>& drawLog();

} // namespace platform

struct OpaqueGrafPtr {
    WindowRef window = nullptr;
};

struct OpaqueControlRef : platform::Object {
    WindowRef window = nullptr;
    ControlRef parent = nullptr;
    std::vector<ControlRef> children;
    platform::ControlKind kind = platform::ControlKind::UserPane;
    ControlID id{0, 0};
    Rect bounds{0, 0, 0, 0};
    SInt32 value = 0;
    SInt32 minimum = 0;
    SInt32 maximum = 0;
    bool visible = true;
    bool enabled = true;
    std::string title;
    std::string text; // the bytes of a text control
    std::vector<std::string> menuItems;
};

struct OpaqueWindowPtr : platform::Object {
    std::string title;
    Rect bounds{0, 0, 0, 0};
    ControlRef root = nullptr;
    OpaqueGrafPtr port;
};

namespace platform {

// A new control of the kind in the window, embedded in parent (the window's root when null).
ControlRef createControl(WindowRef window, ControlRef parent, ControlKind kind);
WindowRef createWindow(const std::string& title, const Rect& bounds);
// Detaches the control from its parent and disposes it with everything embedded in it.
void disposeControl(ControlRef control);
// Depth-first, the control itself first.
void forEachControl(ControlRef top, void (*visit)(ControlRef, void*), void* context);
ControlRef findControlByID(ControlRef top, const ControlID& id);

} // namespace platform
