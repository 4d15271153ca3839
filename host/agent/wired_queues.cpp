#include "host/agent/WiredQueues.h"

#include "host/agent/JobReports.h"
#include "host/dialog/PaneDriver.h"
#include "host/dialog/PrintDialog.h"

#include <PlatformHost.h>

// Whether the pane wires itself for the printer: its own Initialize on the queue's PPD, as the
// dialog runs it.
bool WiredQueues::wires(const Printer& printer) {
    if (printer.ppdPath().empty()) {
        return false;
    }
    PrintDialogSetup setup;
    setup.ppdPath = printer.ppdPath();
    std::string error;
    std::unique_ptr<PrintDialog> dialog = PrintDialog::create(setup, &error);
    if (dialog == nullptr) {
        return false;
    }
    PaneDriver pane(plugIn_, *dialog);
    PlatformHost::StderrCapture quiet;
    OSStatus initialized = noErr;
    bool wired = pane.start(&initialized) && dialog->paneWatchesPrint();
    pane.stop(PaneDriver::Settings::Drop);
    return wired;
}

bool WiredQueues::refresh(CupsConnection& connection, CupsFailure* failure) {
    std::vector<QueueInfo> queues;
    if (!connection.queues(&queues, failure)) {
        return false;
    }
    std::map<std::string, WiredQueue> wired;
    std::string names;
    for (const QueueInfo& queue : queues) {
        std::unique_ptr<Printer> printer = Printer::fromQueue(server_, queue.name);
        if (!wires(*printer)) {
            continue;
        }
        names += (names.empty() ? "" : " ") + queue.name;
        if (ownerOnClientsWord(queue.authentication) && warned_.insert(queue.name).second) {
            agentSays("queue " + queue.name +
                      ": the server takes a job's owner on the client's word; another user "
                      "could print there in " +
                      connection.user() + "'s name (see accounting-guard(1))");
        }
        CodesNeeded needed = codesNeededByPPD(printer->ppdPath());
        wired[queue.name] = WiredQueue{std::move(printer), needed};
    }
    wired_ = std::move(wired);
    agentSays("queues: " + std::to_string(queues.size()) + " on the server; accounting on " +
              (names.empty() ? std::string("none") : names));
    return true;
}

const WiredQueue* WiredQueues::find(const std::string& queue) const {
    auto found = wired_.find(queue);
    return found == wired_.end() ? nullptr : &found->second;
}
