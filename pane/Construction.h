// Building the pane into the dialog's user pane.
#pragma once

#include <Carbon/Carbon.h>

// The creator and tag of the Print button's property that holds the help book's bundle.
constexpr OSType kHelpBundlePropertyCreator = 'QPDE';
constexpr OSType kHelpBundlePropertyTag = 'MBND';

extern "C" {

// At every call: a fresh command handler on the dialog window and a fresh read of the help
// bundle. The first time: the pane's controls from the nib, centred in and embedded into the
// dialog's user pane, wired to their handlers, the key filter and the image cache, and laid out.
OSStatus Open(PMPDEContext context);

} // extern "C"

// Where the content pane's top-left corner goes to centre it in the user pane: each half
// rounded toward zero on its own, in 32-bit arithmetic, the low 16 bits kept.
Point centredOrigin(const Rect& outer, const Rect& inner);
