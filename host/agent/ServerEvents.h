// How the agent hears of the server's events. Where the server can send them to the system bus
// (its notify-schemes-supported has "dbus"), the server is this machine's and the agent reaches
// that bus, cupsd's D-Bus notifier announces each one as it happens; otherwise the agent polls
// a subscription (ippget) about once a second. On either path a slow sweep of the user's jobs
// remains, so a lost signal delays a job and never loses it, and a bus that goes away leaves
// the agent polling.
//
// What the notifier's signals carry, to anyone on the system bus who listens: for every job of
// every user, its id, queue, state and name (the document's), never its codes.
#pragma once

#include "host/printing/CupsClient.h"

#include <chrono>
#include <memory>
#include <set>
#include <string>

enum class EventPath { Auto, Bus, Polling };

// What came since the last wait.
struct ServerNews {
    bool failed = false; // the server could not be asked: the connection is gone
    CupsFailure failure;
    bool jobs = false;            // a job was made or changed
    bool allQueues = false;       // queues changed, which ones unknown
    std::set<std::string> queues; // the queues named by their events
    bool sweepDue = false;        // the safety sweep's time came
};

class ServerEvents {
  public:
    ServerEvents(EventPath path, double pollSeconds);
    ~ServerEvents();
    ServerEvents(const ServerEvents&) = delete;
    ServerEvents& operator=(const ServerEvents&) = delete;

    // Subscribes on the connection, by the bus where it can, else by polling. False with the
    // failure when the server refused both.
    bool start(CupsConnection& connection, CupsFailure* failure);
    // Waits for news, at most until `soon` (when there is something to look at again soon).
    ServerNews wait(CupsConnection& connection, std::chrono::milliseconds soon);
    // Ends the subscription, as far as the server can be told.
    void stop(CupsConnection& connection);
    // The path taken, for the log: "the system bus" or "polling every 1 s".
    std::string describe() const;

  private:
    struct Bus;
    bool subscribe(CupsConnection& connection, bool onBus, CupsFailure* failure);
    bool renewIfDue(CupsConnection& connection, CupsFailure* failure);

    EventPath path_;
    std::chrono::milliseconds pollEvery_;
    std::unique_ptr<Bus> bus_; // null on the polling path
    int subscription_ = 0;
    int sequence_ = 0;
    std::chrono::steady_clock::time_point renewed_;
    std::chrono::steady_clock::time_point nextPoll_;
    std::chrono::steady_clock::time_point nextSweep_;
};

// Whether the server is this machine's: a local socket, or a loopback name or address.
bool serverIsLocal(const std::string& address);
