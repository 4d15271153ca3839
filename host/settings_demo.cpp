// Shows a settings load and store: a print-settings ticket from a property-list file is loaded
// into a pane built from code, a code is typed into the pane, and the settings are stored back.
//
//   settings-demo [TICKET.plist]
#include "host/PaneWindow.h"
#include "settings/TicketSync.h"

#include <PlatformHost.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void showControls(const PaneWindow& pane) {
    for (ControlRef control : PlatformHost::controlsOf(pane.window)) {
        PlatformHost::ControlState s;
        PlatformHost::controlState(control, &s);
        if (s.id.signature != 'QRVa') {
            continue;
        }
        std::printf("  %3d %-14s %-7s %-8s value %d  [%d %d %d %d]  %s%s%s\n", s.id.id,
                    PlatformHost::controlKindName(s.kind), s.visible ? "shown" : "hidden",
                    s.enabled ? "enabled" : "disabled", s.value, s.bounds.top, s.bounds.left,
                    s.bounds.bottom, s.bounds.right, s.title.c_str(),
                    s.text.empty() ? "" : " text=", s.text.c_str());
    }
}

void showTicket(PMTicketRef ticket) {
    for (const std::string& key : PlatformHost::ticketKeys(ticket)) {
        PlatformHost::TicketItem item;
        PlatformHost::ticketItem(ticket, key, &item);
        std::string value = item.type == PlatformHost::TicketItem::Type::SInt32
                                ? std::to_string(item.number)
                                : "\"" + item.text + "\"";
        std::printf("  %-26s = %-18s %s%s\n", key.c_str(), value.c_str(),
                    item.client.empty() ? "" : ("by " + item.client).c_str(),
                    item.locked ? ", locked" : "");
    }
}

} // namespace

int main(int argc, char** argv) {
    std::string path = argc > 1 ? argv[1] : ACCOUNTING_SOURCE_DIR "/examples/sample-settings.plist";

    PMTicketRef ticket = nullptr;
    std::string error;
    if (!PlatformHost::loadTicketFile(path, &ticket, &error)) {
        std::fprintf(stderr, "settings-demo: %s\n", error.c_str());
        return 2;
    }
    PMPrintSession session = nullptr;
    PMCreateSession(&session);
    PlatformHost::setSessionTicket(session, kPDE_PMPrintSettingsRef, ticket);

    AccountingContext* context = allocateAccountingContext();
    PaneWindow pane = buildPaneWindow(context, PaneWiring::ContextFields);
    auto pde = reinterpret_cast<PMPDEContext>(context);

    std::printf("Print-settings ticket from %s:\n", path.c_str());
    showTicket(ticket);
    std::fflush(stdout);
    OSStatus status = Sync(pde, session, kSyncLoad);
    std::printf("\nSync load: status %d; mode %d, prompt %d, conceal %d/%d, account type %d, "
                "gMaxChars %d\n",
                status, context->accountingMode, context->promptAtPrint, context->concealUserID,
                context->concealAccountID, context->accountType, gMaxChars);
    showControls(pane);

    const char* typed = "jdoe";
    SetControlData(paneControl(pane, 302), kControlEntireControl, kControlEditTextTextTag,
                   static_cast<Size>(std::strlen(typed)), typed);
    std::printf("\nThe user types \"%s\" into the user ID field.\n", typed);
    status = Sync(pde, session, kSyncStore);
    std::printf("Sync store: status %d. The ticket now:\n", status);
    showTicket(ticket);

    DisposeWindow(pane.window);
    freeAccountingContext(context);
    PMRelease(session);
    PMRelease(ticket);
    long live = PlatformHost::liveObjectCount();
    std::printf("\nPlatform objects still alive: %ld\n", live);
    return live == 0 ? 0 : 1;
}
