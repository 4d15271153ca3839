#include <PlatformHost.h>

#include "../hitoolbox/Toolbox.h"

namespace PlatformHost {
namespace {

// Each host-facing kind and the platform's, in one table for both directions. The platform's
// root pane shows as a user pane.
constexpr struct {
    ControlKind host;
    platform::ControlKind platform;
} kKinds[] = {
    {ControlKind::UserPane, platform::ControlKind::UserPane},
    {ControlKind::PushButton, platform::ControlKind::PushButton},
    {ControlKind::CheckBox, platform::ControlKind::CheckBox},
    {ControlKind::RadioButton, platform::ControlKind::RadioButton},
    {ControlKind::PopupButton, platform::ControlKind::PopupButton},
    {ControlKind::StaticText, platform::ControlKind::StaticText},
    {ControlKind::EditText, platform::ControlKind::EditText},
    {ControlKind::PasswordEditText, platform::ControlKind::PasswordEditText},
};

platform::ControlKind toPlatform(ControlKind kind) {
    for (const auto& entry : kKinds) {
        if (entry.host == kind) {
            return entry.platform;
        }
    }
    return platform::ControlKind::UserPane;
}

ControlKind fromPlatform(platform::ControlKind kind) {
    for (const auto& entry : kKinds) {
        if (entry.platform == kind) {
            return entry.host;
        }
    }
    return ControlKind::UserPane;
}

void collect(ControlRef control, void* context) {
    if (control->kind != platform::ControlKind::RootPane) {
        static_cast<std::vector<ControlRef>*>(context)->push_back(control);
    }
}

} // namespace

const char* controlKindName(ControlKind kind) {
    return platform::controlKindName(toPlatform(kind));
}

WindowRef createWindow(const std::string& title, const Rect& bounds) {
    return platform::createWindow(title, bounds);
}

ControlRef addControl(WindowRef window, ControlRef parent, const ControlSpec& spec) {
    if (window == nullptr || (parent != nullptr && parent->window != window)) {
        return nullptr;
    }
    ControlRef control = platform::createControl(window, parent, toPlatform(spec.kind));
    if (control == nullptr) {
        return nullptr;
    }
    control->id = ControlID{spec.signature, spec.id};
    control->bounds = spec.bounds;
    control->title = spec.title;
    control->text = spec.text;
    control->menuItems = spec.menuItems;
    control->itemAttributes.assign(spec.menuItems.size(), 0);
    control->minimum = spec.minimum;
    control->maximum = spec.maximum;
    switch (spec.kind) {
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        if (control->maximum == 0) {
            control->maximum = 1;
        }
        break;
    case ControlKind::PopupButton:
        control->minimum = 1;
        control->maximum = static_cast<SInt32>(spec.menuItems.size());
        break;
    default:
        break;
    }
    SetControl32BitValue(control, spec.value);
    control->visible = spec.visible;
    control->enabled = spec.enabled;
    platform::controlChanged(control, platform::ControlChange::Created);
    return control;
}

ControlRef findControl(WindowRef window, SInt32 id, OSType signature) {
    if (window == nullptr) {
        return nullptr;
    }
    return platform::findControlByID(window->root, ControlID{signature, id});
}

std::string windowName(WindowRef window) {
    if (window == nullptr) {
        return {};
    }
    return window->nibName.empty() ? window->title : window->nibName;
}

bool controlState(ControlRef control, ControlState* state) {
    if (control == nullptr || state == nullptr) {
        return false;
    }
    state->kind = fromPlatform(control->kind);
    state->id = control->id;
    state->visible = control->visible;
    state->enabled = control->enabled;
    state->value = control->value;
    state->minimum = control->minimum;
    state->maximum = control->maximum;
    state->bounds = control->bounds;
    state->title = control->title;
    state->text = control->text;
    state->menuItems = control->menuItems;
    state->hiddenItems.assign(control->menuItems.size(), false);
    for (size_t i = 0; i < control->itemAttributes.size() && i < state->hiddenItems.size(); ++i) {
        state->hiddenItems[i] = (control->itemAttributes[i] & kMenuItemAttrHidden) != 0;
    }
    state->window = control->window;
    state->command = control->command;
    state->focused = control->window != nullptr && control->window->focus == control;
    state->hasKeyFilter = control->keyFilter != nullptr;
    state->handlers = static_cast<int>(control->target.handlers.size());
    state->selection = control->selection;
    state->font = control->font;
    state->drawsItself =
        platform::hasHandlerFor(&control->target, kEventClassControl, kEventControlDraw);
    state->image.clear();
    if (control->window != nullptr) {
        const Rect& b = control->bounds;
        for (const auto& [where, name] : control->window->port.images) {
            if (where.left >= b.left && where.top >= b.top && where.right <= b.right &&
                where.bottom <= b.bottom) {
                state->image = name;
            }
        }
    }
    state->parent =
        (control->parent != nullptr && control->parent->kind != platform::ControlKind::RootPane)
            ? control->parent
            : nullptr;
    return true;
}

namespace {

ControlObserver& controlObserver() {
    static ControlObserver observer;
    return observer;
}

void callControlObserver(ControlRef control, platform::ControlChange change, void*) {
    // A copy: the observer may replace itself while it runs.
    ControlObserver observer = controlObserver();
    if (observer) {
        observer(control, change);
    }
}

void setControlObserver(ControlObserver observer) {
    controlObserver() = std::move(observer);
    platform::setControlObserver(controlObserver() ? callControlObserver : nullptr, nullptr);
}

} // namespace

const char* controlChangeName(ControlChange change) {
    static const char* const kNames[] = {"created",   "disposed", "value",   "text",
                                         "selection", "title",    "visible", "enabled",
                                         "bounds",    "items",    "focus",   "parent"};
    auto index = static_cast<size_t>(change);
    return index < sizeof kNames / sizeof kNames[0] ? kNames[index] : "?";
}

ScopedControlObserver::ScopedControlObserver(ControlObserver observer)
    : previous_(controlObserver()) {
    setControlObserver(std::move(observer));
}

ScopedControlObserver::~ScopedControlObserver() {
    setControlObserver(std::move(previous_));
}

void setControlTitle(ControlRef control, const std::string& title) {
    if (control != nullptr && control->title != title) {
        control->title = title;
        platform::controlChanged(control, platform::ControlChange::Title);
    }
}

bool visibleInWindow(ControlRef control) {
    return control != nullptr && platform::visibleInWindow(control);
}

bool enabledInWindow(ControlRef control) {
    return control != nullptr && platform::enabledInWindow(control);
}

std::vector<ControlRef> controlsOf(WindowRef window) {
    std::vector<ControlRef> controls;
    if (window != nullptr) {
        platform::forEachControl(window->root, collect, &controls);
    }
    return controls;
}

std::vector<DrawOp> drawLog() {
    std::vector<DrawOp> ops;
    for (const platform::DrawRecord& record : platform::drawLog()) {
        DrawOp op;
        op.kind = record.op == platform::DrawRecord::Op::DrawControl ? DrawOp::Kind::DrawControl
                                                                     : DrawOp::Kind::EraseRect;
        op.port = record.port;
        op.control = record.control;
        op.controlNumber = record.id.id;
        op.rect = record.rect;
        ops.push_back(op);
    }
    return ops;
}

void clearDrawLog() {
    platform::drawLog().clear();
}

} // namespace PlatformHost
