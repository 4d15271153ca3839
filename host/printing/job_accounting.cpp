#include "host/printing/JobAccounting.h"

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
    s.mode = numberOr(ticket, "com.quorv.Act.qtaf.On", 1);
    s.accountType = numberOr(ticket, "com.quorv.Act.qtaf.AT", 1);
    s.concealUser = numberOr(ticket, "com.quorv.Act.qtaf.CU", 0) != 0;
    s.concealAccount = numberOr(ticket, "com.quorv.Act.qtaf.CA", 0) != 0;
    s.user = textOf(ticket, "com.quorv.Act.qtaf.UID");
    s.account = textOf(ticket, "com.quorv.Act.qtaf.AID");
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

std::string shownCode(const std::string& code, bool concealed) {
    if (!concealed) {
        return code;
    }
    std::string bullets;
    for (unsigned char c : code) {
        if ((c & 0xC0) != 0x80) {
            bullets += "\xE2\x80\xA2";
        }
    }
    return bullets;
}

std::string quotedCode(const std::string& code, bool concealed) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a literal prepended
    // to a temporary string.
    std::string out = "\"";
    out += shownCode(code, concealed);
    out += '"';
    return out;
}
