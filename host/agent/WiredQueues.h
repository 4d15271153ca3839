// The server's queues that the pane wires itself for, as the dialog would on each: the agent
// serves their jobs. For each, the codes it passes on to its printer, and whether the server
// takes a job's owner on the client's word there (said once in the log). A queue's verdict is
// kept until the queue's setup or PPD changes (its printer-config-change-time): a look at the
// queues fetches the PPDs of new and changed queues only, all on the agent's one connection,
// and a queue an event names is looked at alone.
#pragma once

#include "host/dialog/PlugInHost.h"
#include "host/guard/Guard.h"
#include "host/printing/CupsClient.h"
#include "host/printing/Printer.h"

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

    // Looks at every queue of the server; false with the failure when they could not be
    // listed.
    bool refresh(CupsConnection& connection, CupsFailure* failure);
    // Looks at one queue again (an event named it): added, changed or gone.
    bool refresh(CupsConnection& connection, const std::string& queue, CupsFailure* failure);
    // Null for a queue the pane does not serve.
    const WiredQueue* find(const std::string& queue) const;
    void clear() { known_.clear(); }

  private:
    struct Verdict {
        long configChanged = 0;
        std::unique_ptr<WiredQueue> wired; // null: the pane does not serve it
    };
    // The verdict on a queue as the server lists it, looked at anew only when it changed.
    void look(CupsConnection& connection, const QueueInfo& queue);
    bool wires(const Printer& printer);
    void sayServed();

    PlugInHost& plugIn_;
    std::map<std::string, Verdict> known_;
    std::set<std::string> warned_; // queues whose owners the log has warned of
};
