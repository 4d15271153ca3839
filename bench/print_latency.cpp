// From a press of Print to the job accepted by a CUPS queue: the pane's check of the default
// codes, its Sync, the mapping to IPP attributes, Create-Job and Send-Document of the test page.
//
//   print-latency [--server HOST:PORT] [--queue NAME] [--presses N]
//
// The server is CUPS_SERVER by default (scripts/cups-sandbox starts one); prints the median,
// the 95th percentile and the fastest press, in milliseconds.
#include "host/dialog/PaneDriver.h"
#include "host/dialog/PlugInHost.h"
#include "host/dialog/PrintDialog.h"
#include "host/printing/Printer.h"
#include "host/printing/QueueJobs.h"
#include "settings/TicketKeys.h"

#include <PlatformHost.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void put(PMTicketRef ticket, const char* key, SInt32 value) {
    PlatformHost::TicketItem item;
    item.number = value;
    PlatformHost::putTicketItem(ticket, key, item);
}

void put(PMTicketRef ticket, const char* key, const char* text) {
    PlatformHost::TicketItem item;
    item.type = PlatformHost::TicketItem::Type::CString;
    item.text = text;
    PlatformHost::putTicketItem(ticket, key, item);
}

} // namespace

int main(int argc, char** argv) {
    CupsServer server;
    std::string queue = "quorv-office";
    int presses = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string arg = argv[i];
        if (arg == "--server") {
            server.address = argv[i + 1];
        } else if (arg == "--queue") {
            queue = argv[i + 1];
        } else if (arg == "--presses") {
            presses = std::max(1, std::atoi(argv[i + 1]));
        } else {
            std::fprintf(stderr, "usage: print-latency [--server HOST:PORT] [--queue NAME] "
                                 "[--presses N]\n");
            return 2;
        }
    }
    std::string error;
    std::unique_ptr<Printer> printer = Printer::fromQueue(server, queue);
    if (printer->ppdPath().empty()) {
        std::fprintf(stderr, "print-latency: %s\n", printer->problem().c_str());
        return 2;
    }
    PrintDialogSetup setup;
    setup.ppdPath = printer->ppdPath();
    std::unique_ptr<PrintDialog> dialog = PrintDialog::create(setup, &error);
    QueueJobs jobs(server, *printer, "");
    dialog->setJobSink(&jobs);
    PMTicketRef settings = dialog->settings();
    put(settings, kAccountingOnKeyName, 3);
    put(settings, kAccountingPromptKeyName, 0);
    put(settings, kAccountingConcealUserKeyName, 0);
    put(settings, kAccountingConcealAccountKeyName, 0);
    put(settings, kAccountingUserIDKeyName, "bench-user");
    put(settings, kAccountingAccountIDKeyName, "bench-account");

    // The pane from its bundle, as the dialog loads it.
    std::unique_ptr<PlugInHost> plugIn = PlugInHost::load(ACCOUNTING_BUNDLE_DIR, &error);
    if (plugIn == nullptr) {
        std::fprintf(stderr, "print-latency: %s\n", error.c_str());
        return 2;
    }
    PaneDriver pane(*plugIn, *dialog);
    OSStatus initialized = noErr;
    {
        PlatformHost::StderrCapture quiet;
        pane.start(&initialized);
    }
    std::vector<double> times;
    for (int i = 0; i < presses; ++i) {
        auto start = std::chrono::steady_clock::now();
        // The dialog's own store goes through the pane, as it does for an attached pane.
        PrintDialog::Press press = dialog->pressPrint();
        auto end = std::chrono::steady_clock::now();
        if (!press.printed) {
            std::fprintf(stderr, "print-latency: %s\n", press.job.line.c_str());
            return 1;
        }
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    pane.stop(PaneDriver::Settings::Drop);
    plugIn.reset();
    dialog.reset();
    std::sort(times.begin(), times.end());
    std::printf("press to job accepted on %s, %d presses: median %.2f ms, p95 %.2f ms, "
                "fastest %.2f ms\n",
                queue.c_str(), presses, times[times.size() / 2],
                times[std::min(times.size() - 1, times.size() * 95 / 100)], times.front());
    return 0;
}
