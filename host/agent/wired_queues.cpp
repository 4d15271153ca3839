#include "host/agent/WiredQueues.h"

#include "host/agent/JobReports.h"
#include "host/dialog/PaneDriver.h"
#include "host/dialog/PrintDialog.h"

#include <PlatformHost.h>

#include <cups/ipp.h>

#include <algorithm>

namespace {

constexpr auto kLongestRetry = std::chrono::seconds(60);

} // namespace

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

bool WiredQueues::due(const Verdict& verdict) const {
    return !verdict.looked || (verdict.failures > 0 && Clock::now() >= verdict.retryAt);
}

void WiredQueues::look(CupsConnection& connection, Verdict* verdict) {
    const QueueInfo& queue = verdict->info;
    connection.renewDeadline(); // each look has its own deadline
    std::unique_ptr<Printer> printer = Printer::fromQueue(connection, queue.name);
    verdict->looked = true;
    verdict->wired.reset();
    if (printer->fetchFailed()) {
        // Perhaps a passing fault: looked at again later, its jobs waiting meanwhile.
        ++verdict->failures;
        auto wait = std::min<std::chrono::seconds>(
            std::chrono::seconds(1 << std::min(verdict->failures - 1, 6)), kLongestRetry);
        verdict->retryAt = Clock::now() + wait;
        agentSays("queue " + queue.name + ": could not be looked at (" + printer->problem() +
                  "); its jobs wait; looking again in " + std::to_string(wait.count()) + " s");
        return;
    }
    if (verdict->failures > 0) {
        agentSays("queue " + queue.name + ": looked at again after " +
                  std::to_string(verdict->failures) + " failed look(s)");
    }
    verdict->failures = 0;
    if (!wires(*printer)) {
        return;
    }
    if (ownerOnClientsWord(queue.authentication) && warned_.insert(queue.name).second) {
        agentSays("queue " + queue.name +
                  ": the server takes a job's owner on the client's word; another user "
                  "could print there in " +
                  connection.user() + "'s name (see accounting-guard(1))");
    }
    CodesNeeded needed = codesNeededByPPD(printer->ppdPath());
    verdict->wired = std::make_unique<WiredQueue>(WiredQueue{std::move(printer), needed});
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

bool WiredQueues::list(CupsConnection& connection, CupsFailure* failure) {
    std::vector<QueueInfo> queues;
    connection.renewDeadline();
    if (!connection.queues(&queues, failure)) {
        return false;
    }
    std::set<std::string> listed;
    for (const QueueInfo& queue : queues) {
        listed.insert(queue.name);
        Verdict& verdict = known_[queue.name];
        if (verdict.configChanged != queue.configChanged || queue.configChanged == 0) {
            verdict.looked = false; // new, or changed since the last look
            verdict.failures = 0;
        }
        verdict.configChanged = queue.configChanged;
        verdict.info = queue;
    }
    std::erase_if(known_, [&](const auto& entry) { return listed.count(entry.first) == 0; });
    return true;
}

const WiredQueue* WiredQueues::find(CupsConnection& connection, const std::string& queue) {
    auto found = known_.find(queue);
    if (found == known_.end()) {
        return nullptr;
    }
    if (due(found->second)) {
        look(connection, &found->second);
    }
    return found->second.wired.get();
}

void WiredQueues::lookAtRest(CupsConnection& connection) {
    for (auto& [name, verdict] : known_) {
        if (due(verdict)) {
            look(connection, &verdict);
        }
    }
    sayServed();
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
        Verdict& verdict = known_[queue];
        if (verdict.configChanged != info.configChanged || info.configChanged == 0) {
            verdict.looked = false;
            verdict.failures = 0;
        }
        verdict.configChanged = info.configChanged;
        verdict.info = info;
        if (due(verdict)) {
            look(connection, &verdict);
        }
    }
    sayServed();
    return true;
}

std::chrono::milliseconds WiredQueues::untilRetry() const {
    auto soonest = std::chrono::milliseconds(3600 * 1000);
    for (const auto& [name, verdict] : known_) {
        if (verdict.looked && verdict.failures > 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(verdict.retryAt -
                                                                              Clock::now());
            soonest = std::min(soonest, std::max(left, std::chrono::milliseconds(1)));
        }
    }
    return soonest;
}
