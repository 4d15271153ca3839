// The inside of print sessions and tickets, shared by the printing calls and the host-facing API.
#pragma once

#include <CoreFoundation/CFDictionary.h>
#include <PrintCore/PMCore.h>
#include <PrintCore/PMTicket.h>

#include "../common/Object.h"

#include <map>
#include <string>

struct OpaquePMPrintSession : platform::Object {
    CFMutableDictionaryRef data = nullptr; // session-data key -> CF object, both retained
};

struct OpaquePMTicketRef : platform::Object {
    struct Item {
        enum class Type { SInt32, CString };
        Type type = Type::SInt32;
        SInt32 number = 0;
        std::string bytes; // UTF-8, without a terminating zero
        std::string client;
        bool locked = false;
    };
    std::string ticketType;
    std::map<std::string, Item> items; // by the key's UTF-8 text
};

namespace platform {

PMTicketRef createTicket(const std::string& ticketType);
OpaquePMTicketRef* asTicket(PMTicketRef ticket);

} // namespace platform
