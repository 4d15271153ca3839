#include <CoreFoundation/CFUserNotification.h>
#include <HIToolbox/Dialogs.h>

#include "../common/Object.h"
#include "../common/TypeIDs.h"
#include "../common/UserRecords.h"
#include "../corefoundation/Strings.h"

struct OpaqueDialogPtr : platform::Object {
    platform::AlertRecord alert;
};

namespace platform {
namespace {

const ObjectClass kAlertClass = {"Alert", kTypeIDToolbox, nullptr, nullptr, nullptr, nullptr};

} // namespace

UserRecords& userRecords() {
    static UserRecords records;
    return records;
}

} // namespace platform

extern "C" {

OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error, CFStringRef explanation,
                             const AlertStdCFStringAlertParamRec*, DialogRef* outAlert) {
    if (outAlert == nullptr || error == nullptr) {
        return paramErr;
    }
    auto* alert = platform::createObject<OpaqueDialogPtr>(&platform::kAlertClass);
    if (alert == nullptr) {
        return memFullErr;
    }
    alert->alert = {alertType, platform::stringToUtf8(error), platform::stringToUtf8(explanation)};
    *outAlert = alert;
    return noErr;
}

OSStatus RunStandardAlert(DialogRef inAlert, ModalFilterUPP, DialogItemIndex* outItemHit) {
    if (inAlert == nullptr) {
        return paramErr;
    }
    // The user reads the alert and dismisses it with its default button.
    platform::userRecords().alerts.push_back(inAlert->alert);
    if (outItemHit != nullptr) {
        *outItemHit = kAlertStdAlertOKButton;
    }
    platform::releaseObject(inAlert);
    return noErr;
}

void SysBeep(short) {
    ++platform::userRecords().beeps;
}

SInt32 CFUserNotificationDisplayNotice(CFTimeInterval timeout, CFOptionFlags flags, CFURLRef,
                                       CFURLRef, CFURLRef, CFStringRef alertHeader,
                                       CFStringRef alertMessage, CFStringRef) {
    platform::userRecords().notices.push_back({platform::stringToUtf8(alertHeader),
                                               platform::stringToUtf8(alertMessage), flags,
                                               timeout});
    return 0;
}

} // extern "C"
