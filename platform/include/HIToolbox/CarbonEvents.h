/* Event handler registrations, as the pane keeps them. */
#ifndef PLATFORM_CARBONEVENTS_H
#define PLATFORM_CARBONEVENTS_H

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueEventRef* EventRef;
typedef struct OpaqueEventHandlerCallRef* EventHandlerCallRef;
typedef struct OpaqueEventHandlerRef* EventHandlerRef;
typedef struct OpaqueEventTargetRef* EventTargetRef;
typedef OSStatus (*EventHandlerProcPtr)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                        void* inUserData);
typedef EventHandlerProcPtr EventHandlerUPP;

enum { eventNotHandledErr = -9874 };

#ifdef __cplusplus
}
#endif

#endif
