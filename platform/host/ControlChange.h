// What about a control changed: told to the host's observer after the change, and only when
// something did change, so that a view of the controls (the window's widgets) shows what the
// pane set. The stand-in's toolbox says it; the host-facing API passes it on.
#pragma once

namespace PlatformHost {

enum class ControlChange {
    Created,  // made whole: by a nib, addControl or CreateEditTextControl
    Disposed, // about to be released
    Value,
    Text, // the text, and with it the selection
    Selection,
    Title,
    Visible,
    Enabled,
    Bounds,
    Items, // a popup's items or their attributes
    Focus,
    Parent, // embedded into another control
};

} // namespace PlatformHost
