// The inside of windows and controls, shared by the toolbox calls and the host-facing API.
#pragma once

#include <HIToolbox/CarbonEvents.h>
#include <HIToolbox/Controls.h>
#include <HIToolbox/MacWindows.h>

#include "../../host/ControlChange.h"
#include "../common/Object.h"

#include <map>
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

// Says a change to a control to the host's observer, if there is one.
using ControlChange = PlatformHost::ControlChange;
void controlChanged(ControlRef control, ControlChange change);
using ControlObserverProc = void (*)(ControlRef control, ControlChange change, void* refcon);
void setControlObserver(ControlObserverProc observer, void* refcon);

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

typedef struct _cairo_surface cairo_surface_t;

typedef struct _cairo cairo_t;

struct OpaqueGrafPtr {
    WindowRef window = nullptr;
    cairo_surface_t* surface = nullptr; // made on first use, the window's size
    // The image files the port shows now, where: drawn and not erased since.
    std::vector<std::pair<Rect, std::string>> images;
    // While a host draws a control onto a surface of its own: what is drawn into the port goes
    // there too, moved by the offset, at the surface's device scale; erasing leaves the
    // surface's own background.
    cairo_t* mirror = nullptr;
    double mirrorX = 0, mirrorY = 0;
};

// Where events are sent: the application, a window or a control. Handlers are kept in the order
// they were installed and run newest first.
struct OpaqueEventTargetRef {
    enum class Kind { Application, Window, Control };
    Kind kind = Kind::Application;
    WindowRef window = nullptr;
    ControlRef control = nullptr;
    std::vector<EventHandlerRef> handlers;
};

struct OpaqueEventHandlerRef : platform::Object {
    EventTargetRef target = nullptr;
    EventHandlerUPP proc = nullptr;
    std::vector<EventTypeSpec> types;
    void* userData = nullptr;
};

// A popup's menu: a view of the popup's items.
struct OpaqueMenuRef {
    ControlRef owner = nullptr;
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
    std::string text; // the bytes of a text control (a password field's clear bytes)
    std::vector<std::string> menuItems;
    std::vector<UInt32> itemAttributes; // by item, parallel to menuItems
    OpaqueMenuRef* menu = nullptr;      // a popup's menu, made when first asked for
    std::map<std::pair<OSType, OSType>, std::vector<unsigned char>> properties;
    UInt32 command = 0; // the command a push button sends
    OpaqueEventTargetRef target;
    ControlKeyFilterUPP keyFilter = nullptr;
    ControlEditTextSelectionRec selection{0, 0};
    char16_t pendingHighSurrogate = 0; // the first half of a character typed in two keys
    ControlFontStyleRec font{};
};

struct OpaqueWindowPtr : platform::Object {
    std::string title;
    std::string nibName; // the name of the nib window it was made from; empty otherwise
    Rect bounds{0, 0, 0, 0};
    ControlRef root = nullptr;
    OpaqueGrafPtr port;
    OpaqueEventTargetRef target;
    ControlRef focus = nullptr;
    ControlRef defaultButton = nullptr;
    bool shown = false;
    bool quitRequested = false; // set by QuitAppModalLoopForWindow
    int modalDepth = 0;         // how many modal loops run for the window
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
bool isTextKind(ControlKind kind);
bool isEditKind(ControlKind kind);

// Removes every handler installed on the target (when its window or control goes away).
void removeAllHandlers(EventTargetRef target);
// A control-hit, key-up or command event, made, sent and released.
OSStatus sendControlHit(ControlRef control);
OSStatus sendControlDraw(ControlRef control);
OSStatus sendRawKeyUp(ControlRef control, UInt16 charCode);
OSStatus sendCommand(EventTargetRef target, UInt32 commandID);
// True when the target has a handler for the class and kind.
bool hasHandlerFor(EventTargetRef target, UInt32 eventClass, UInt32 eventKind);

// The modal loop's source of user actions: one action a call; false when it has none left.
using ModalEventSource = bool (*)(WindowRef window, void* context);
void setModalEventSource(ModalEventSource source, void* context);

// Why the last nib could not be opened.
std::string nibError();

} // namespace platform

namespace platform {

// One key typed into the field: its key filter, then the edit, then the key-up event. True when
// the filter let the key through.
bool typeKey(ControlRef field, UInt16 charCode);

} // namespace platform

namespace platform {

// The port's pixels (ARGB32, the window's size), filled with the window's background on first
// use; null for no port.
cairo_surface_t* portSurface(GrafPtr port);
void destroyPortSurface(GrafPtr port);
// Draws the control and what is embedded in it into its window's port, as the platform does:
// a control with a draw handler is sent the draw event, and drawn by the platform only when no
// handler takes it. Hidden controls are not drawn.
void drawControlTree(ControlRef control);
// Draws only the control itself (its draw handler, else the platform's drawing), not what is
// embedded in it, into its window's port.
void drawControlAlone(ControlRef control);
// The same, and onto cr too (at its origin and device scale, over cr's own background).
void drawControlOnto(ControlRef control, cairo_t* cr);
// Erases the window to its background and draws every visible control.
void renderWindow(WindowRef window);
// An image file was drawn into the port at r.
void recordImage(GrafPtr port, const Rect& r, const std::string& name);
// Fills the rectangle of the port with the window's background.
void eraseArea(GrafPtr port, const Rect& r);
// The byte offset of the character boundary nearest to window coordinate x in the field's
// text, as the field draws it.
size_t fieldOffsetAt(ControlRef field, int x);

} // namespace platform

namespace platform {

// Frees a popup's menu record with its control.
void disposeMenu(ControlRef control);

} // namespace platform

namespace platform {

// Whether the control shows on screen and takes clicks: it and every control it is embedded in
// are visible (enabled).
bool visibleInWindow(ControlRef control);
bool enabledInWindow(ControlRef control);

} // namespace platform
