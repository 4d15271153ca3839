// The server's queues that the pane wires itself for, as the dialog would on each: the agent
// serves their jobs. For each, the codes it passes on to its printer, and whether the server
// takes a job's owner on the client's word there (said once in the log).
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
    WiredQueues(PlugInHost& plugIn, const CupsServer& server) : plugIn_(plugIn), server_(server) {}

    // Looks at every queue of the server again; false with the failure when they could not be
    // listed.
    bool refresh(CupsConnection& connection, CupsFailure* failure);
    // Null for a queue the pane does not serve.
    const WiredQueue* find(const std::string& queue) const;
    void clear() { wired_.clear(); }

  private:
    bool wires(const Printer& printer);

    PlugInHost& plugIn_;
    const CupsServer& server_;
    std::map<std::string, WiredQueue> wired_;
    std::set<std::string> warned_; // queues whose owners the log has warned of
};
