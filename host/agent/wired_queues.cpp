#include "host/agent/WiredQueues.h"

#include "host/agent/JobReports.h"
#include "host/dialog/PaneDriver.h"
#include "host/dialog/PrintDialog.h"

#include <PlatformHost.h>

#include <cups/ipp.h>

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

void WiredQueues::look(CupsConnection& connection, const QueueInfo& queue) {
    auto known = known_.find(queue.name);
    if (known != known_.end() && known->second.configChanged == queue.configChanged &&
        queue.configChanged != 0) {
        return; // nothing changed since the last look
    }
    Verdict verdict;
    verdict.configChanged = queue.configChanged;
    std::unique_ptr<Printer> printer = Printer::fromQueue(connection, queue.name);
    if (wires(*printer)) {
        if (ownerOnClientsWord(queue.authentication) && warned_.insert(queue.name).second) {
            agentSays("queue " + queue.name +
                      ": the server takes a job's owner on the client's word; another user "
                      "could print there in " +
                      connection.user() + "'s name (see accounting-guard(1))");
        }
        CodesNeeded needed = codesNeededByPPD(printer->ppdPath());
        verdict.wired = std::make_unique<WiredQueue>(WiredQueue{std::move(printer), needed});
    }
    known_[queue.name] = std::move(verdict);
}

void WiredQueues::sayServed() {
    std::string names;
    for (const auto& [name, verdict] : known_) {
        if (verdict.wired != nullptr) {
            names += (names.empty() ? "" : " ") + name;
        }
    }
    agentSays("queues: " + std::to_string(known_.size()) + " on the server; accounting on " +
              (names.empty() ? std::string("none") : names));
}

bool WiredQueues::refresh(CupsConnection& connection, CupsFailure* failure) {
    std::vector<QueueInfo> queues;
    connection.renewDeadline();
    if (!connection.queues(&queues, failure)) {
        return false;
    }
    std::set<std::string> listed;
    for (const QueueInfo& queue : queues) {
        listed.insert(queue.name);
        connection.renewDeadline();
        look(connection, queue);
    }
    std::erase_if(known_, [&](const auto& entry) { return listed.count(entry.first) == 0; });
    sayServed();
    return true;
}

bool WiredQueues::refresh(CupsConnection& connection, const std::string& queue,
                          CupsFailure* failure) {
    QueueInfo info;
    connection.renewDeadline();
    if (!connection.queue(queue, &info, failure)) {
        if (failure->status != IPP_STATUS_ERROR_NOT_FOUND) {
            return false;
        }
        known_.erase(queue); // the queue is gone
    } else {
        look(connection, info);
    }
    sayServed();
    return true;
}

const WiredQueue* WiredQueues::find(const std::string& queue) const {
    auto found = known_.find(queue);
    return found == known_.end() ? nullptr : found->second.wired.get();
}
