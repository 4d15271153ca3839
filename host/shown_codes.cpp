#include "host/ShownCodes.h"

#include "settings/TicketKeys.h"

#include <PlatformHost.h>

const AccountingCode kAccountingCodes[2] = {
    {"UID", kAccountingUserIDKeyName, kAccountingConcealUserKeyName, "job-accounting-user-id",
     "user-id"},
    {"AID", kAccountingAccountIDKeyName, kAccountingConcealAccountKeyName, "job-account-id",
     "account-id"},
};

bool concealedIn(PMTicketRef ticket, const AccountingCode& code) {
    PlatformHost::TicketItem flag;
    return PlatformHost::ticketItem(ticket, code.concealKey, &flag) &&
           flag.type == PlatformHost::TicketItem::Type::SInt32 && flag.number != 0;
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
