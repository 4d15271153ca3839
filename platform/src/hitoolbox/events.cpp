#include <HIToolbox/CarbonEvents.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"
#include "Toolbox.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <vector>

struct OpaqueEventRef : platform::Object {
    UInt32 eventClass = 0;
    UInt32 eventKind = 0;
    struct Parameter {
        EventParamType type;
        std::vector<unsigned char> bytes;
    };
    std::map<EventParamName, Parameter> parameters;
};

// The handlers an event still has to visit, for CallNextEventHandler.
struct OpaqueEventHandlerCallRef {
    std::vector<EventHandlerRef> chain;
    size_t next = 0;
};

namespace platform {
namespace {

const ObjectClass kEventClass = {"EventRef", kTypeIDToolbox, nullptr, nullptr, nullptr, nullptr};
const ObjectClass kHandlerClass = {"EventHandler", kTypeIDToolbox, nullptr,
                                   nullptr,        nullptr,        nullptr};

std::set<EventHandlerRef>& installed() {
    static std::set<EventHandlerRef> handlers;
    return handlers;
}

OpaqueEventTargetRef& applicationTarget() {
    static OpaqueEventTargetRef target;
    return target;
}

bool handles(EventHandlerRef handler, UInt32 eventClass, UInt32 eventKind) {
    return std::any_of(handler->types.begin(), handler->types.end(), [&](const EventTypeSpec& t) {
        return t.eventClass == eventClass && t.eventKind == eventKind;
    });
}

// The targets an event sent to this one visits, in order.
std::vector<EventTargetRef> containment(EventTargetRef target) {
    std::vector<EventTargetRef> chain;
    if (target == nullptr) {
        return chain;
    }
    chain.push_back(target);
    WindowRef window = target->window;
    if (target->kind == OpaqueEventTargetRef::Kind::Control) {
        for (ControlRef parent = target->control->parent; parent != nullptr;
             parent = parent->parent) {
            if (parent->kind != ControlKind::RootPane) {
                chain.push_back(&parent->target);
            }
        }
        window = target->control->window;
    }
    if (target->kind != OpaqueEventTargetRef::Kind::Application) {
        if (window != nullptr && target->kind == OpaqueEventTargetRef::Kind::Control) {
            chain.push_back(&window->target);
        }
        chain.push_back(&applicationTarget());
    }
    return chain;
}

OSStatus runChain(OpaqueEventHandlerCallRef* call, EventRef event) {
    while (call->next < call->chain.size()) {
        EventHandlerRef handler = call->chain[call->next++];
        // A handler may have been removed by one that ran before it.
        if (installed().count(handler) == 0) {
            continue;
        }
        OSStatus status = handler->proc(call, event, handler->userData);
        if (status != eventNotHandledErr) {
            return status;
        }
    }
    return eventNotHandledErr;
}

void destroyHandler(EventHandlerRef handler) {
    installed().erase(handler);
    auto& list = handler->target->handlers;
    list.erase(std::remove(list.begin(), list.end(), handler), list.end());
    releaseObject(handler);
}

OSStatus sendAndRelease(EventRef event, EventTargetRef target) {
    OSStatus status = SendEventToEventTarget(event, target);
    ReleaseEvent(event);
    return status;
}

} // namespace

void removeAllHandlers(EventTargetRef target) {
    std::vector<EventHandlerRef> handlers = target->handlers;
    for (EventHandlerRef handler : handlers) {
        destroyHandler(handler);
    }
}

namespace {

// A control event whose direct object is the control, sent to it.
OSStatus sendControlEvent(ControlRef control, UInt32 kind) {
    EventRef event = nullptr;
    if (control == nullptr ||
        CreateEvent(nullptr, kEventClassControl, kind, 0, 0, &event) != noErr) {
        return paramErr;
    }
    SetEventParameter(event, kEventParamDirectObject, typeControlRef, sizeof control, &control);
    return sendAndRelease(event, &control->target);
}

} // namespace

OSStatus sendControlHit(ControlRef control) {
    return sendControlEvent(control, kEventControlHit);
}

OSStatus sendControlDraw(ControlRef control) {
    return sendControlEvent(control, kEventControlDraw);
}

OSStatus sendRawKeyUp(ControlRef control, UInt16 charCode) {
    EventRef event = nullptr;
    if (control == nullptr ||
        CreateEvent(nullptr, kEventClassKeyboard, kEventRawKeyUp, 0, 0, &event) != noErr) {
        return paramErr;
    }
    char macChar = static_cast<char>(charCode < 0x80 ? charCode : '?');
    UInt32 keyCode = charCode;
    SetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, 1, &macChar);
    SetEventParameter(event, kEventParamKeyCode, typeUInt32, sizeof keyCode, &keyCode);
    return sendAndRelease(event, &control->target);
}

OSStatus sendCommand(EventTargetRef target, UInt32 commandID) {
    EventRef event = nullptr;
    if (target == nullptr ||
        CreateEvent(nullptr, kEventClassCommand, kEventCommandProcess, 0, 0, &event) != noErr) {
        return paramErr;
    }
    HICommand command{};
    command.commandID = commandID;
    SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof command, &command);
    return sendAndRelease(event, target);
}

bool hasHandlerFor(EventTargetRef target, UInt32 eventClass, UInt32 eventKind) {
    if (target == nullptr) {
        return false;
    }
    return std::any_of(target->handlers.begin(), target->handlers.end(),
                       [&](EventHandlerRef h) { return handles(h, eventClass, eventKind); });
}

} // namespace platform

extern "C" {

EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr userRoutine) {
    return userRoutine;
}

void DisposeEventHandlerUPP(EventHandlerUPP) {}

EventTargetRef GetApplicationEventTarget(void) {
    return &platform::applicationTarget();
}

OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler, UInt32 inNumTypes,
                             const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef) {
    if (inTarget == nullptr || inHandler == nullptr || inNumTypes == 0 || inList == nullptr) {
        return paramErr;
    }
    auto* handler = platform::createObject<OpaqueEventHandlerRef>(&platform::kHandlerClass);
    if (handler == nullptr) {
        return memFullErr;
    }
    handler->target = inTarget;
    handler->proc = inHandler;
    handler->types.assign(inList, inList + inNumTypes);
    handler->userData = inUserData;
    inTarget->handlers.push_back(handler);
    platform::installed().insert(handler);
    if (outRef != nullptr) {
        *outRef = handler;
    }
    return noErr;
}

OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef) {
    if (platform::installed().count(inHandlerRef) == 0) {
        return paramErr;
    }
    platform::destroyHandler(inHandlerRef);
    return noErr;
}

OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent) {
    if (inCallRef == nullptr) {
        return paramErr;
    }
    return platform::runChain(inCallRef, inEvent);
}

OSStatus CreateEvent(CFAllocatorRef, UInt32 inClassID, UInt32 kind, EventTime, EventAttributes,
                     EventRef* outEvent) {
    if (outEvent == nullptr) {
        return paramErr;
    }
    auto* event = platform::createObject<OpaqueEventRef>(&platform::kEventClass);
    if (event == nullptr) {
        return memFullErr;
    }
    event->eventClass = inClassID;
    event->eventKind = kind;
    *outEvent = event;
    return noErr;
}

EventRef RetainEvent(EventRef inEvent) {
    platform::retainObject(inEvent);
    return inEvent;
}

void ReleaseEvent(EventRef inEvent) {
    platform::releaseObject(inEvent);
}

UInt32 GetEventClass(EventRef inEvent) {
    return inEvent == nullptr ? 0 : inEvent->eventClass;
}

UInt32 GetEventKind(EventRef inEvent) {
    return inEvent == nullptr ? 0 : inEvent->eventKind;
}

OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType,
                           UInt32 inSize, const void* inDataPtr) {
    if (inEvent == nullptr || (inDataPtr == nullptr && inSize > 0)) {
        return paramErr;
    }
    auto* bytes = static_cast<const unsigned char*>(inDataPtr);
    inEvent->parameters[inName] = {inType, std::vector<unsigned char>(bytes, bytes + inSize)};
    return noErr;
}

OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, UInt32 inBufferSize,
                           UInt32* outActualSize, void* outData) {
    if (inEvent == nullptr) {
        return paramErr;
    }
    auto found = inEvent->parameters.find(inName);
    if (found == inEvent->parameters.end() || found->second.type != inDesiredType) {
        return eventParameterNotFoundErr;
    }
    const auto& bytes = found->second.bytes;
    if (outActualType != nullptr) {
        *outActualType = found->second.type;
    }
    if (outActualSize != nullptr) {
        *outActualSize = static_cast<UInt32>(bytes.size());
    }
    if (outData != nullptr) {
        if (inBufferSize < bytes.size()) {
            return paramErr;
        }
        std::memcpy(outData, bytes.data(), bytes.size());
    }
    return noErr;
}

OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget) {
    if (inEvent == nullptr || inTarget == nullptr) {
        return paramErr;
    }
    OpaqueEventHandlerCallRef call;
    for (EventTargetRef target : platform::containment(inTarget)) {
        for (auto it = target->handlers.rbegin(); it != target->handlers.rend(); ++it) {
            if (platform::handles(*it, inEvent->eventClass, inEvent->eventKind)) {
                call.chain.push_back(*it);
            }
        }
    }
    RetainEvent(inEvent);
    OSStatus status = platform::runChain(&call, inEvent);
    ReleaseEvent(inEvent);
    return status;
}

} // extern "C"
