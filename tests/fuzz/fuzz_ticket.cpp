// A print-settings ticket from any bytes: it loads or is a clear error; one that loads saves and
// loads back the same; and the pane's Sync loads it and stores it back without a code ever
// leaving its field.
#include "FuzzSupport.h"

#include "settings/AccountingContext.h"
#include "sync/TicketSync.h"

#include <cstring>

namespace {

bool terminatedInside(const char (&code)[kCodeFieldSize]) {
    return std::memchr(code, '\0', kCodeFieldSize) != nullptr;
}

void syncBothWays(PMTicketRef ticket) {
    PMPrintSession session = nullptr;
    fuzzCheck(PMCreateSession(&session) == noErr, "a session");
    PlatformHost::setSessionTicket(session, kPDE_PMPrintSettingsRef, ticket);
    AccountingContext* context = allocateAccountingContext();
    {
        PlatformHost::StderrCapture quiet;
        auto* pde = reinterpret_cast<PMPDEContext>(context);
        fuzzCheck(Sync(pde, session, kSyncLoad) == noErr, "a load that got the ticket is 0");
        Sync(pde, session, kSyncStore);
    }
    fuzzCheck(terminatedInside(context->defaultUserID) &&
                  terminatedInside(context->defaultAccountID),
              "the default codes end inside their fields");
    freeAccountingContext(context);
    PMRelease(session);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NoObjectLeftAlive guard;
    std::string xml(reinterpret_cast<const char*>(data), size);
    auto* poison = reinterpret_cast<PMTicketRef>(0x1);
    PMTicketRef ticket = poison;
    std::string error;
    if (!PlatformHost::loadTicketFromXml(xml, &ticket, &error)) {
        fuzzCheck(ticket == poison, "a failed load leaves the ticket alone");
        fuzzCheck(!error.empty() && error.find('\n') == std::string::npos,
                  "a failed load says why in one line");
        return 0;
    }
    std::string saved = PlatformHost::ticketToXml(ticket);
    PMTicketRef again = nullptr;
    fuzzCheck(PlatformHost::loadTicketFromXml(saved, &again, &error),
              "a saved ticket loads back: " + error);
    fuzzCheck(PlatformHost::ticketToXml(again) == saved, "a ticket loads back the same");
    for (const std::string& key : PlatformHost::ticketKeys(ticket)) {
        PlatformHost::TicketItem a, b;
        fuzzCheck(PlatformHost::ticketItem(ticket, key, &a) &&
                      PlatformHost::ticketItem(again, key, &b),
                  "every key loads back: " + key);
        fuzzCheck(a.type == b.type && a.number == b.number && a.text == b.text &&
                      a.client == b.client && a.locked == b.locked,
                  "every item loads back the same: " + key);
    }
    fuzzCheck(PlatformHost::ticketKeys(again) == PlatformHost::ticketKeys(ticket),
              "no key appears on the way back");
    PMRelease(again);
    syncBothWays(ticket);
    PMRelease(ticket);
    return 0;
}
