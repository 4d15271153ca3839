// The picture that tells whether accounting is on, drawn by the pane's image control.
#pragma once

#include <Carbon/Carbon.h>

#define kAccountingOffImage CFSTR("Accounting-Off.gif")
#define kAccountingOnImage CFSTR("Accounting-On.gif")

enum class Erase { First, Skip };

extern "C" {

// The draw handler of the image control (101): "Accounting-Off.gif" in mode 1, "Accounting-On.gif"
// in every other mode. 0 when it drew (or found nothing to draw), -9874 for other events and
// other controls.
OSStatus AccountingDrawEventHandler(EventHandlerCallRef callRef, EventRef event, void* userData);

} // extern "C"

// Draws the named image of the cache at its natural size at the control's top-left corner,
// erasing the control's area first unless asked not to.
void DrawImage(CFStringRef name, ControlRef control, Erase erase);

// Where an image of these natural bounds is drawn on a control of these bounds: moved so that
// its top-left corner is the control's, its size kept (16-bit arithmetic).
Rect imageDestination(const Rect& natural, const Rect& control);
