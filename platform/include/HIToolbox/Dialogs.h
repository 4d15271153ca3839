/* Standard alerts and the system beep. */
#ifndef PLATFORM_DIALOGS_H
#define PLATFORM_DIALOGS_H

#include <CoreFoundation/CFString.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaqueDialogPtr* DialogRef;
typedef SInt16 AlertType;
typedef SInt16 DialogItemIndex;
typedef void* ModalFilterUPP;

enum { kAlertStopAlert = 0, kAlertNoteAlert = 1, kAlertCautionAlert = 2, kAlertPlainAlert = 3 };
enum { kAlertStdAlertOKButton = 1 };

typedef struct AlertStdCFStringAlertParamRec {
    UInt32 version;
    Boolean movable;
    Boolean helpButton;
    CFStringRef defaultText;
    CFStringRef cancelText;
    CFStringRef otherText;
    SInt16 defaultButton;
    SInt16 cancelButton;
    UInt16 position;
    UInt32 flags;
} AlertStdCFStringAlertParamRec;

OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error, CFStringRef explanation,
                             const AlertStdCFStringAlertParamRec* param, DialogRef* outAlert);
/* Shows the alert until the user dismisses it, then disposes it. */
OSStatus RunStandardAlert(DialogRef inAlert, ModalFilterUPP filterProc,
                          DialogItemIndex* outItemHit);

void SysBeep(short duration);

#ifdef __cplusplus
}
#endif

#endif
