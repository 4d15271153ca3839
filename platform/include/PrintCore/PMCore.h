/* Print sessions: the dialog's session carries its tickets as session data. */
#ifndef PLATFORM_PMCORE_H
#define PLATFORM_PMCORE_H

#include <CoreFoundation/CFBase.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef const void* PMObject;
typedef struct OpaquePMPrintSession* PMPrintSession;

enum {
    kPMGeneralError = -30870,
    kPMInvalidParameter = paramErr,
    kPMValueOutOfRange = -30877,
    kPMInvalidPrintSession = -30879
};

OSStatus PMCreateSession(PMPrintSession* printSession);
OSStatus PMRetain(PMObject object);
OSStatus PMRelease(PMObject object);

/* The data stored under the key, not retained for the caller; kPMInvalidParameter when there is
   none (and the output is left alone). */
OSStatus PMSessionGetDataFromSession(PMPrintSession printSession, CFStringRef key, CFTypeRef* data);
/* Retains the data; null removes the key. */
OSStatus PMSessionSetDataInSession(PMPrintSession printSession, CFStringRef key, CFTypeRef data);

#ifdef __cplusplus
}
#endif

#endif
