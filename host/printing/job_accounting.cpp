#include "host/printing/JobAccounting.h"
#include "settings/TicketKeys.h"

#include <PlatformHost.h>

namespace {

constexpr size_t kMaxNameOctets = 255; // IPP's limit for a name value

struct Settings {
    SInt32 mode = 1;
    SInt32 accountType = 1;
    bool concealUser = false;
    bool concealAccount = false;
    std::string user;
    std::string account;
};

SInt32 numberOr(PMTicketRef ticket, const char* key, SInt32 fallback) {
    PlatformHost::TicketItem item;
    if (PlatformHost::ticketItem(ticket, key, &item) &&
        item.type == PlatformHost::TicketItem::Type::SInt32) {
        return item.number;
    }
    return fallback;
}

std::string textOf(PMTicketRef ticket, const char* key) {
    PlatformHost::TicketItem item;
    if (PlatformHost::ticketItem(ticket, key, &item) &&
        item.type == PlatformHost::TicketItem::Type::CString) {
        return item.text;
    }
    return {};
}

Settings readSettings(PMTicketRef ticket) {
    Settings s;
    if (ticket == nullptr) {
        return s;
    }
    s.mode = numberOr(ticket, kAccountingOnKeyName, 1);
    s.accountType = numberOr(ticket, kAccountingAccountTypeKeyName, 1);
    s.concealUser = numberOr(ticket, kAccountingConcealUserKeyName, 0) != 0;
    s.concealAccount = numberOr(ticket, kAccountingConcealAccountKeyName, 0) != 0;
    s.user = textOf(ticket, kAccountingUserIDKeyName);
    s.account = textOf(ticket, kAccountingAccountIDKeyName);
    return s;
}

// Why IPP can't carry the code unchanged; empty when it can.
std::string unsendable(const std::string& code) {
    if (code.size() > kMaxNameOctets) {
        return "it is " + std::to_string(code.size()) + " bytes long, and IPP carries at most " +
               std::to_string(kMaxNameOctets);
    }
    // The platform's strings take only well-formed UTF-8.
    CFStringRef text =
        CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(code.data()),
                                static_cast<CFIndex>(code.size()), kCFStringEncodingUTF8, false);
    if (text == nullptr) {
        return "it is not UTF-8";
    }
    std::vector<UniChar> units(static_cast<size_t>(CFStringGetLength(text)));
    CFStringGetCharacters(text, CFRangeMake(0, static_cast<CFIndex>(units.size())), units.data());
    CFRelease(text);
    for (UniChar unit : units) {
        if (unit < 0x20 || (unit >= 0x7F && unit <= 0x9F)) {
            return "it holds a control character";
        }
    }
    return {};
}

JobAccounting refuse(std::string reason) {
    JobAccounting accounting;
    accounting.refused = true;
    accounting.reason = std::move(reason);
    return accounting;
}

} // namespace

JobAccounting jobAccountingFor(PMTicketRef settings, PaneState pane, PrinterKind printer) {
    Settings s = readSettings(settings);
    if (s.mode != 2 && s.mode != 3) {
        return {};
    }
    if (pane == PaneState::Unwired) {
        if (printer == PrinterKind::Accounting) {
            return refuse("the Accounting pane could not collect the codes");
        }
        return {};
    }
    bool accountNeeded = !(s.mode == 2 && s.accountType == 1);
    if (s.user.empty()) {
        return refuse("the user ID is missing");
    }
    if (accountNeeded && s.account.empty()) {
        return refuse("the account ID is missing");
    }
    JobAccounting accounting;
    accounting.attributes.push_back({"job-accounting-user-id", s.user, s.concealUser});
    if (accountNeeded) {
        accounting.attributes.push_back({"job-account-id", s.account, s.concealAccount});
    }
    for (const JobAttribute& attribute : accounting.attributes) {
        std::string why = unsendable(attribute.value);
        if (!why.empty()) {
            const char* which =
                attribute.name == "job-account-id" ? "the account ID" : "the user ID";
            return refuse(std::string(which) + " cannot be sent to the printer unchanged: " + why);
        }
    }
    return accounting;
}
