// The pane's one event handler: on the Print button, on the dialog window and on the content
// pane, with the context as its user data.
#pragma once

#include <Carbon/Carbon.h>

extern "C" {

// A press of Print with accounting on runs the print-time collection and returns its status; a
// hit on a pane control updates the context and re-lays the pane; the command 'help' opens the
// pane's help page. Everything else returns -9874.
OSStatus accountingEventHandler(EventHandlerCallRef handlerCallRef, EventRef event, void* userData);

} // extern "C"
