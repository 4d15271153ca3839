#include <HIToolbox/MacWindows.h>

#include "../common/TypeIDs.h"
#include "Toolbox.h"

namespace platform {
namespace {

GrafPtr gCurrentPort = nullptr;

ModalEventSource gModalSource = nullptr;
void* gModalSourceContext = nullptr;

void windowFinalize(Object* object) {
    auto* window = static_cast<OpaqueWindowPtr*>(object);
    if (gCurrentPort == &window->port) {
        gCurrentPort = nullptr;
    }
    ControlRef root = window->root;
    window->root = nullptr;
    disposeControl(root);
    removeAllHandlers(&window->target);
    destroyPortSurface(&window->port);
}

std::string windowDescribe(const Object* object) {
    return "<Window \"" + static_cast<const OpaqueWindowPtr*>(object)->title + "\">";
}

const ObjectClass kWindowClass = {"Window", kTypeIDToolbox, windowFinalize,
                                  nullptr,  nullptr,        windowDescribe};

} // namespace

std::vector<DrawRecord>& drawLog() {
    static std::vector<DrawRecord> log;
    return log;
}

WindowRef createWindow(const std::string& title, const Rect& bounds) {
    auto* window = createObject<OpaqueWindowPtr>(&kWindowClass);
    if (window == nullptr) {
        return nullptr;
    }
    window->title = title;
    window->bounds = bounds;
    window->port.window = window;
    window->target.kind = OpaqueEventTargetRef::Kind::Window;
    window->target.window = window;
    window->root = createControl(window, nullptr, ControlKind::RootPane);
    if (window->root == nullptr) {
        releaseObject(window);
        return nullptr;
    }
    window->root->bounds = Rect{0, 0, static_cast<SInt16>(bounds.bottom - bounds.top),
                                static_cast<SInt16>(bounds.right - bounds.left)};
    return window;
}

void setModalEventSource(ModalEventSource source, void* context) {
    gModalSource = source;
    gModalSourceContext = context;
}

} // namespace platform

extern "C" {

void DisposeWindow(WindowRef window) {
    platform::releaseObject(window);
}

Rect* GetWindowPortBounds(WindowRef window, Rect* bounds) {
    if (window != nullptr && bounds != nullptr) {
        *bounds = Rect{0, 0, static_cast<SInt16>(window->bounds.bottom - window->bounds.top),
                       static_cast<SInt16>(window->bounds.right - window->bounds.left)};
    }
    return bounds;
}

void ShowWindow(WindowRef window) {
    if (window != nullptr) {
        window->shown = true;
    }
}

void HideWindow(WindowRef window) {
    if (window != nullptr) {
        window->shown = false;
    }
}

Boolean IsWindowVisible(WindowRef window) {
    return window != nullptr && window->shown;
}

EventTargetRef GetWindowEventTarget(WindowRef inWindow) {
    return inWindow == nullptr ? nullptr : &inWindow->target;
}

OSStatus RunAppModalLoopForWindow(WindowRef inWindow) {
    if (inWindow == nullptr) {
        return errInvalidWindowRef;
    }
    ++inWindow->modalDepth;
    inWindow->quitRequested = false;
    OSStatus status = noErr;
    while (!inWindow->quitRequested) {
        // Each call performs one user action in the window, which sends its events.
        if (platform::gModalSource == nullptr ||
            !platform::gModalSource(inWindow, platform::gModalSourceContext)) {
            status = eventLoopQuitErr;
            break;
        }
    }
    inWindow->quitRequested = false;
    --inWindow->modalDepth;
    return status;
}

OSStatus QuitAppModalLoopForWindow(WindowRef inWindow) {
    if (inWindow == nullptr) {
        return errInvalidWindowRef;
    }
    if (inWindow->modalDepth == 0) {
        return errWindowNotModal;
    }
    inWindow->quitRequested = true;
    return noErr;
}

CGrafPtr GetWindowPort(WindowRef window) {
    return window == nullptr ? nullptr : &window->port;
}

void SetPort(GrafPtr port) {
    platform::gCurrentPort = port;
}

void GetPort(GrafPtr* port) {
    if (port != nullptr) {
        *port = platform::gCurrentPort;
    }
}

void SetPortWindowPort(WindowRef window) {
    platform::gCurrentPort = GetWindowPort(window);
}

void EraseRect(const Rect* r) {
    if (r == nullptr) {
        return;
    }
    platform::DrawRecord record{platform::DrawRecord::Op::EraseRect, platform::gCurrentPort,
                                nullptr, ControlID{0, 0}, *r};
    platform::drawLog().push_back(record);
    platform::eraseArea(platform::gCurrentPort, *r);
}

} // extern "C"
