// The event handler of the print-time prompt window.
#pragma once

#include <Carbon/Carbon.h>

extern "C" {

// Help on "Qhlp"; OK (1000) and Cancel (1001) end the modal loop; the account-type popup (505)
// switches the account-ID controls; after every key release OK is enabled only once the codes
// the mode needs are typed. Returns -9874 in every case but help, whose status it returns.
OSStatus accountingInputEventHandler(EventHandlerCallRef handlerCallRef, EventRef event,
                                     void* userData);

} // extern "C"
