/* Carbon events: typed events with parameters, sent to targets (controls, windows, the
   application) whose handlers run newest first. A handler that returns eventNotHandledErr passes
   the event to the next handler, then up the containment: a control, the controls it is embedded
   in, its window, the application. */
#ifndef PLATFORM_CARBONEVENTS_H
#define PLATFORM_CARBONEVENTS_H

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueEventRef* EventRef;
typedef struct OpaqueEventHandlerCallRef* EventHandlerCallRef;
typedef struct OpaqueEventHandlerRef* EventHandlerRef;
typedef struct OpaqueEventTargetRef* EventTargetRef;
typedef OSStatus (*EventHandlerProcPtr)(EventHandlerCallRef inHandlerCallRef, EventRef inEvent,
                                        void* inUserData);
/* Routine references are plain function pointers on this platform. */
typedef EventHandlerProcPtr EventHandlerUPP;

typedef UInt32 EventParamName;
typedef UInt32 EventParamType;
typedef double EventTime;
typedef UInt32 EventAttributes;
typedef UInt16 EventModifiers;

typedef struct EventTypeSpec {
    UInt32 eventClass;
    UInt32 eventKind;
} EventTypeSpec;

enum {
    eventParameterNotFoundErr = -9870,
    eventNotHandledErr = -9874,
    eventLoopQuitErr = -9876,
    eventInternalErr = -9868
};

enum {
    kEventClassCommand = 'cmds',
    kEventClassControl = 'cntl',
    kEventClassKeyboard = 'keyb',
    kEventClassWindow = 'wind'
};

enum { kEventCommandProcess = 1 };
enum { kEventControlHit = 1, kEventControlDraw = 4 };
enum { kEventRawKeyDown = 1, kEventRawKeyUp = 3 };

enum {
    kEventParamDirectObject = '----',
    kEventParamKeyMacCharCodes = 'kchr',
    kEventParamKeyCode = 'kcod',
    kEventParamKeyModifiers = 'kmod'
};

enum {
    typeHICommand = 'hcmd',
    typeControlRef = 'ctrl',
    typeChar = 'TEXT',
    typeUInt32 = 'magn',
    typeSInt16 = 'shor'
};

enum { kEventAttributeNone = 0 };

typedef struct OpaqueMenuRef* MenuRef;
typedef UInt16 MenuItemIndex;

typedef struct HICommand {
    UInt32 attributes;
    UInt32 commandID;
    struct {
        MenuRef menuRef;
        MenuItemIndex menuItemIndex;
    } menu;
} HICommand;

enum { kHICommandOK = 'ok  ', kHICommandCancel = 'not!' };

EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr userRoutine);
void DisposeEventHandlerUPP(EventHandlerUPP userUPP);

EventTargetRef GetApplicationEventTarget(void);

OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler, UInt32 inNumTypes,
                             const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef);
/* A registration that is no longer installed (removed, or gone with its target) is paramErr. */
OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef);
/* Passes the event on to the handlers after the calling one. */
OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent);

OSStatus CreateEvent(CFAllocatorRef inAllocator, UInt32 inClassID, UInt32 kind, EventTime when,
                     EventAttributes flags, EventRef* outEvent);
EventRef RetainEvent(EventRef inEvent);
void ReleaseEvent(EventRef inEvent);
UInt32 GetEventClass(EventRef inEvent);
UInt32 GetEventKind(EventRef inEvent);
OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType,
                           UInt32 inSize, const void* inDataPtr);
/* eventParameterNotFoundErr when the event has no such parameter of that type; paramErr, with
   nothing written, when the buffer is smaller than the value. */
OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, UInt32 inBufferSize,
                           UInt32* outActualSize, void* outData);
OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget);

#ifdef __cplusplus
}
#endif

#endif
