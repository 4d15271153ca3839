// The key filter of the four code fields: the pane's 302 and 304 and the prompt's 501 and 503.
#pragma once

#include <Carbon/Carbon.h>

extern "C" {

// Blocks (0) the fifteen characters a code may not contain, and any key but backspace, forward
// delete and the left and right arrows that would grow the field past its byte limit: 32 in
// Kontavar accounting, 64 in full accounting, 0 otherwise, by the mode of the newest context.
// Every refusal beeps.
ControlKeyFilterResult accountKeyFilter(ControlRef theControl, SInt16* keyCode, SInt16* charCode,
                                        EventModifiers* modifiers);

} // extern "C"

// The byte limit of a code field in the mode.
SInt32 codeFieldByteLimit(SInt32 controlNumber, SInt32 accountingMode);
