/* CFUserNotification: notices shown to the user. */
#ifndef PLATFORM_CFUSERNOTIFICATION_H
#define PLATFORM_CFUSERNOTIFICATION_H

#include <CoreFoundation/CFString.h>
#include <CoreFoundation/CFURL.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef double CFTimeInterval;

enum {
    kCFUserNotificationStopAlertLevel = 0,
    kCFUserNotificationNoteAlertLevel = 1,
    kCFUserNotificationCautionAlertLevel = 2,
    kCFUserNotificationPlainAlertLevel = 3
};

/* Shows a notice and returns at once; 0 when it was shown. */
SInt32 CFUserNotificationDisplayNotice(CFTimeInterval timeout, CFOptionFlags flags,
                                       CFURLRef iconURL, CFURLRef soundURL,
                                       CFURLRef localizationURL, CFStringRef alertHeader,
                                       CFStringRef alertMessage, CFStringRef defaultButtonTitle);

#ifdef __cplusplus
}
#endif

#endif
