// The server's queues that the pane wires itself for, as the dialog would on each: the agent
// serves their jobs. For each, the codes it passes on to its printer, and whether the server
// takes a job's owner on the client's word there (said once in the log).
//
// A queue's verdict is kept until the queue's setup or PPD changes (its
// printer-config-change-time). Listing the queues costs one request; a queue is looked at (its
// PPD fetched, on the agent's one connection, and the pane run on it) when one of the user's
// jobs needs its verdict, and the rest after those jobs, so that no queue delays the others'
// jobs. A look has its own deadline; a queue whose PPD could not be had is looked at again
// after 1 s, 2 s, 4 s ... (at most a minute), its jobs waiting meanwhile.
#pragma once

#include "host/dialog/PlugInHost.h"
#include "host/guard/Guard.h"
#include "host/printing/CupsClient.h"
#include "host/printing/Printer.h"

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>

struct WiredQueue {
    std::unique_ptr<Printer> printer;
    CodesNeeded needed;
};

class WiredQueues {
  public:
    explicit WiredQueues(PlugInHost& plugIn) : plugIn_(plugIn) {}

    // Lists the server's queues: new and changed ones are to be looked at, gone ones forgotten.
    // False with the failure when they could not be listed.
    bool list(CupsConnection& connection, CupsFailure* failure);
    // The verdict on a queue, looked at now if it is due; null when the pane does not serve it
    // (or its look failed, and it waits to be looked at again).
    const WiredQueue* find(CupsConnection& connection, const std::string& queue);
    // Looks at every queue that is due, then says in the log which queues are served.
    void lookAtRest(CupsConnection& connection);
    // Looks at one queue again (an event named it): added, changed or gone.
    bool refresh(CupsConnection& connection, const std::string& queue, CupsFailure* failure);
    // How long until a failed look is due again; an hour when none is.
    std::chrono::milliseconds untilRetry() const;
    void clear() { known_.clear(); }

  private:
    using Clock = std::chrono::steady_clock;
    struct Verdict {
        long configChanged = 0;
        QueueInfo info;
        bool looked = false;               // false: new or changed, to be looked at
        std::unique_ptr<WiredQueue> wired; // null: the pane does not serve it
        int failures = 0;                  // looks in a row that could not fetch the PPD
        Clock::time_point retryAt;
    };
    bool due(const Verdict& verdict) const;
    void look(CupsConnection& connection, Verdict* verdict);
    bool wires(const Printer& printer);
    void sayServed();

    PlugInHost& plugIn_;
    std::map<std::string, Verdict> known_;
    std::set<std::string> warned_; // queues whose owners the log has warned of
};
