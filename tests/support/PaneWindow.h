// The Accounting pane's controls built from code inside a dialog-like window, wired into a
// context the way the pane's construction wires them, for the tests of the settings and the
// collection that need the controls without the nib.
#pragma once

#include "settings/AccountingContext.h"

#include <PlatformHost.h>

struct PaneWindow {
    WindowRef window = nullptr;    // the dialog window; the caller disposes it
    ControlRef embedder = nullptr; // the dialog's user pane for the pane
};

enum class PaneWiring { ContextFields, WindowOnly };

// Builds the window with the user pane, content pane 50 and every control of the pane. With
// ContextFields the context's control fields and embedderPane are set; with WindowOnly only
// embedderPane is, as before the pane has been opened.
PaneWindow buildPaneWindow(AccountingContext* context, PaneWiring wiring);

// The control of the window with this number (signature 'QRVa'), or null.
ControlRef paneControl(const PaneWindow& pane, SInt32 number);
