#include <CoreFoundation/CFDictionary.h>
#include <PrintCore/PMCore.h>

#include "../common/TypeIDs.h"
#include "Printing.h"

namespace platform {
namespace {

void sessionFinalize(Object* object) {
    auto* session = static_cast<OpaquePMPrintSession*>(object);
    if (session->data != nullptr) {
        CFRelease(session->data);
        session->data = nullptr;
    }
}

const ObjectClass kSessionClass = {"PMPrintSession", kTypeIDPrinting, sessionFinalize,
                                   nullptr,          nullptr,         nullptr};

OpaquePMPrintSession* asSession(PMPrintSession session) {
    return objectAs<OpaquePMPrintSession>(session, &kSessionClass);
}

} // namespace
} // namespace platform

extern "C" {

OSStatus PMCreateSession(PMPrintSession* printSession) {
    if (printSession == nullptr) {
        return kPMInvalidParameter;
    }
    auto* session = platform::createObject<OpaquePMPrintSession>(&platform::kSessionClass);
    if (session == nullptr) {
        return memFullErr;
    }
    session->data = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                              &kCFTypeDictionaryValueCallBacks);
    if (session->data == nullptr) {
        platform::releaseObject(session);
        return memFullErr;
    }
    *printSession = session;
    return noErr;
}

OSStatus PMRetain(PMObject object) {
    if (object == nullptr) {
        return kPMInvalidParameter;
    }
    platform::retainObject(platform::asObject(object));
    return noErr;
}

OSStatus PMRelease(PMObject object) {
    if (object == nullptr) {
        return kPMInvalidParameter;
    }
    platform::releaseObject(platform::asObject(object));
    return noErr;
}

OSStatus PMSessionGetDataFromSession(PMPrintSession printSession, CFStringRef key,
                                     CFTypeRef* data) {
    OpaquePMPrintSession* session = platform::asSession(printSession);
    if (session == nullptr) {
        return kPMInvalidPrintSession;
    }
    if (key == nullptr || data == nullptr) {
        return kPMInvalidParameter;
    }
    const void* value = nullptr;
    if (!CFDictionaryGetValueIfPresent(session->data, key, &value)) {
        return kPMInvalidParameter;
    }
    *data = value;
    return noErr;
}

OSStatus PMSessionSetDataInSession(PMPrintSession printSession, CFStringRef key, CFTypeRef data) {
    OpaquePMPrintSession* session = platform::asSession(printSession);
    if (session == nullptr) {
        return kPMInvalidPrintSession;
    }
    if (key == nullptr) {
        return kPMInvalidParameter;
    }
    if (data == nullptr) {
        CFDictionaryRemoveValue(session->data, key);
    } else {
        CFDictionarySetValue(session->data, key, data);
    }
    return noErr;
}

} // extern "C"
