#include <PrintCore/PMTicket.h>

#include "../common/TypeIDs.h"
#include "../common/Unicode.h"
#include "../corefoundation/Strings.h"
#include "Printing.h"

#include <cstring>

namespace platform {
namespace {

std::string ticketDescribe(const Object* object) {
    const auto* ticket = static_cast<const OpaquePMTicketRef*>(object);
    return "<PMTicket " + ticket->ticketType + " of " + std::to_string(ticket->items.size()) + ">";
}

const ObjectClass kTicketClass = {"PMTicket", kTypeIDPrinting, nullptr,
                                  nullptr,    nullptr,         ticketDescribe};

// The item under the key at the top level, or null with the status that says why.
const OpaquePMTicketRef::Item* findItem(PMTicketRef ticketRef, UInt32 node1, UInt32 node2,
                                        CFStringRef key, OpaquePMTicketRef::Item::Type type,
                                        OSStatus* status) {
    OpaquePMTicketRef* ticket = asTicket(ticketRef);
    if (ticket == nullptr) {
        *status = kPMInvalidTicket;
        return nullptr;
    }
    if (key == nullptr) {
        *status = kPMInvalidParameter;
        return nullptr;
    }
    if (node1 != kPMTopLevel || node2 != kPMTopLevel) {
        *status = kPMKeyNotFound;
        return nullptr;
    }
    auto found = ticket->items.find(stringToUtf8(key));
    if (found == ticket->items.end()) {
        *status = kPMKeyNotFound;
        return nullptr;
    }
    if (found->second.type != type) {
        *status = kPMInvalidItem;
        return nullptr;
    }
    *status = noErr;
    return &found->second;
}

// The item to write under the key, or null with the status that says why.
OpaquePMTicketRef::Item* itemForWrite(PMTicketRef ticketRef, CFStringRef clientID, CFStringRef key,
                                      Boolean locked, OSStatus* status) {
    OpaquePMTicketRef* ticket = asTicket(ticketRef);
    if (ticket == nullptr) {
        *status = kPMInvalidTicket;
        return nullptr;
    }
    if (key == nullptr || CFGetTypeID(key) != CFStringGetTypeID()) {
        *status = kPMInvalidParameter;
        return nullptr;
    }
    OpaquePMTicketRef::Item& item = ticket->items[stringToUtf8(key)];
    if (item.locked) {
        *status = kPMItemIsLocked;
        return nullptr;
    }
    item.client = stringToUtf8(clientID);
    item.locked = locked != 0;
    *status = noErr;
    return &item;
}

} // namespace

PMTicketRef createTicket(const std::string& ticketType) {
    auto* ticket = createObject<OpaquePMTicketRef>(&kTicketClass);
    if (ticket != nullptr) {
        ticket->ticketType = ticketType;
    }
    return ticket;
}

OpaquePMTicketRef* asTicket(PMTicketRef ticket) {
    return objectAs<OpaquePMTicketRef>(ticket, &kTicketClass);
}

} // namespace platform

using Item = OpaquePMTicketRef::Item;

extern "C" {

OSStatus PMTicketCreate(CFAllocatorRef, CFStringRef ticketType, PMTicketRef* newTicket) {
    if (newTicket == nullptr) {
        return kPMInvalidParameter;
    }
    PMTicketRef ticket = platform::createTicket(platform::stringToUtf8(ticketType));
    if (ticket == nullptr) {
        return memFullErr;
    }
    *newTicket = ticket;
    return noErr;
}

OSStatus PMTicketGetSInt32(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                           CFStringRef key, SInt32* value) {
    OSStatus status;
    const Item* item =
        platform::findItem(ticket, nodeIndex1, nodeIndex2, key, Item::Type::SInt32, &status);
    if (item == nullptr) {
        return status;
    }
    if (value == nullptr) {
        return kPMInvalidParameter;
    }
    *value = item->number;
    return noErr;
}

OSStatus PMTicketSetSInt32(PMTicketRef ticket, CFStringRef clientID, CFStringRef key, SInt32 value,
                           Boolean locked) {
    OSStatus status;
    Item* item = platform::itemForWrite(ticket, clientID, key, locked, &status);
    if (item == nullptr) {
        return status;
    }
    item->type = Item::Type::SInt32;
    item->number = value;
    item->bytes.clear();
    return noErr;
}

OSStatus PMTicketGetCString(PMTicketRef ticket, UInt32 nodeIndex1, UInt32 nodeIndex2,
                            CFStringRef key, UInt32 bufferSize, CFStringEncoding encoding,
                            char* buffer) {
    OSStatus status;
    const Item* item =
        platform::findItem(ticket, nodeIndex1, nodeIndex2, key, Item::Type::CString, &status);
    if (item == nullptr) {
        return status;
    }
    if (buffer == nullptr) {
        return kPMInvalidParameter;
    }
    // The text is held as UTF-8; other encodings go through a string object.
    std::string bytes = item->bytes;
    if (encoding != kCFStringEncodingUTF8) {
        CFStringRef text = platform::createStringFromUtf8Lenient(item->bytes);
        std::string converted(bytes.size() * 3 + 1, '\0');
        bool ok =
            text != nullptr && CFStringGetCString(text, converted.data(),
                                                  static_cast<CFIndex>(converted.size()), encoding);
        if (text != nullptr) {
            CFRelease(text);
        }
        if (!ok) {
            return kPMInvalidParameter;
        }
        bytes.assign(converted.c_str());
    }
    if (bytes.size() + 1 > bufferSize) {
        return kPMValueOutOfRange;
    }
    std::memcpy(buffer, bytes.data(), bytes.size());
    buffer[bytes.size()] = '\0';
    return noErr;
}

OSStatus PMTicketSetCString(PMTicketRef ticket, CFStringRef clientID, CFStringRef key,
                            const char* value, Boolean locked) {
    if (value == nullptr) {
        return kPMInvalidParameter;
    }
    if (!platform::isValidUtf8(value)) {
        return kPMInvalidParameter;
    }
    OSStatus status;
    Item* item = platform::itemForWrite(ticket, clientID, key, locked, &status);
    if (item == nullptr) {
        return status;
    }
    item->type = Item::Type::CString;
    item->bytes = value;
    item->number = 0;
    return noErr;
}

} // extern "C"
