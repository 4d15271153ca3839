/* Job tickets: 32-bit and C-string items by key. Only the top level (node indexes 0) holds items.
   Each write keeps the writing client's identifier and a locked flag; a locked item refuses to
   change. */
#ifndef PLATFORM_PMTICKET_H
#define PLATFORM_PMTICKET_H

#include <CoreFoundation/CFString.h>
#include <PrintCore/PMCore.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OpaquePMTicketRef* PMTicketRef;

enum { kPMTopLevel = 0 };

enum {
    kPMInvalidTicket = -30891,
    kPMInvalidItem = -30892, /* the item holds a value of another type */
    kPMKeyNotFound = -30895,
    kPMItemIsLocked = -30898
};

OSStatus PMTicketCreate(CFAllocatorRef allocator, CFStringRef ticketType, PMTicketRef* newTicket);

OSStatus PMTicketGetSInt32(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                           CFStringRef key, SInt32* value);
OSStatus PMTicketSetSInt32(PMTicketRef ticket, CFStringRef clientID, CFStringRef key, SInt32 value,
                           Boolean locked);
/* Copies the string, converted to the encoding, with its terminating zero into the buffer.
   kPMValueOutOfRange, with the buffer left alone, when it needs more than bufferSize bytes. */
OSStatus PMTicketGetCString(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                            CFStringRef key, UInt32 bufferSize, CFStringEncoding encoding,
                            char* buffer);
/* The bytes are taken in the system encoding; kPMInvalidParameter when they are not valid in it. */
OSStatus PMTicketSetCString(PMTicketRef ticket, CFStringRef clientID, CFStringRef key,
                            const char* value, Boolean locked);

#ifdef __cplusplus
}
#endif

#endif
