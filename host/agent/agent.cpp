#include "host/agent/Agent.h"

#include "host/PaneDriver.h"
#include "host/PlugInHost.h"
#include "host/PrintDialog.h"
#include "host/agent/AgentLock.h"
#include "host/agent/JobHandler.h"
#include "host/agent/Notifier.h"
#include "host/printing/HeldJobs.h"
#include "host/printing/Passwords.h"
#include "host/printing/Printer.h"
#include "host/remember/Keyring.h"
#include "host/window/PasswordDialog.h"

#include <PlatformHost.h>

#include <cups/cups.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace {

constexpr int kLeaseSeconds = 300; // the subscription's lease, renewed well before it ends
constexpr int kRenewSeconds = 120;

volatile std::sig_atomic_t gStop = 0;

void installStopHandlers() {
    struct sigaction stop {};
    stop.sa_handler = [](int) { gStop = 1; };
    sigaction(SIGTERM, &stop, nullptr);
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGHUP, &stop, nullptr);
}

void say(const std::string& line) {
    std::cout << line << std::endl;
}

// The server's question for a password goes to the user in a dialog; without a display there
// is no one to ask, and the request fails with the server's answer.
class AgentPasswords : public PasswordSource {
  public:
    explicit AgentPasswords(bool display) : display_(display) {}
    bool password(const std::string& user, const std::string& server, int attempt,
                  std::string* out) override {
        return display_ && askPassword(nullptr, user, server, attempt, out);
    }

  private:
    bool display_;
};

class Agent {
  public:
    explicit Agent(const AgentOptions& options) : options_(options) {}
    int run();

  private:
    bool connect();
    void disconnect(const std::string& why);
    bool refreshQueues();
    bool wires(const Printer& printer);
    bool sweep();
    bool poll();
    void waitFor(std::chrono::milliseconds span);

    const AgentOptions& options_;
    std::unique_ptr<PlugInHost> plugIn_;
    CFBundleRef helpBundle_ = nullptr;
    std::unique_ptr<SecretStore> keyring_;
    std::unique_ptr<Notifier> notifier_;
    std::unique_ptr<JobHandler> handler_;
    std::unique_ptr<CupsConnection> connection_;
    int subscription_ = 0;
    int sequence_ = 0;
    std::chrono::steady_clock::time_point renewed_;
    std::map<std::string, std::unique_ptr<Printer>> wired_; // the queues the pane serves
    std::set<int> settled_; // jobs taken already: released, cancelled or gone
    std::set<int> waiting_; // jobs taken that still wait
};

// Sleeps in short steps, so that a signal ends the wait at once.
void Agent::waitFor(std::chrono::milliseconds span) {
    auto end = std::chrono::steady_clock::now() + span;
    while (!gStop && std::chrono::steady_clock::now() < end) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(100)));
    }
}

// Whether the pane wires itself for the printer: its own Initialize on the queue's PPD, as the
// dialog runs it.
bool Agent::wires(const Printer& printer) {
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
    PaneDriver pane(*plugIn_, *dialog);
    PlatformHost::StderrCapture quiet;
    OSStatus initialized = noErr;
    bool wired = pane.start(&initialized) && dialog->paneWatchesPrint();
    pane.stop(PaneDriver::Settings::Drop);
    return wired;
}

bool Agent::refreshQueues() {
    std::vector<QueueInfo> queues;
    CupsFailure failure;
    if (!connection_->queues(&queues, &failure)) {
        disconnect(failure.message);
        return false;
    }
    std::map<std::string, std::unique_ptr<Printer>> wired;
    std::string names;
    for (const QueueInfo& queue : queues) {
        std::unique_ptr<Printer> printer = Printer::fromQueue(options_.server, queue.name);
        if (wires(*printer)) {
            names += (names.empty() ? "" : " ") + queue.name;
            wired[queue.name] = std::move(printer);
        }
    }
    wired_ = std::move(wired);
    say("queues: " + std::to_string(queues.size()) + " on the server; accounting on " +
        (names.empty() ? std::string("none") : names));
    return true;
}

void Agent::disconnect(const std::string& why) {
    if (connection_ != nullptr) {
        say("server: lost (" + why + ")");
    }
    connection_.reset();
    subscription_ = 0;
}

// A connection, a subscription to the server's events, the queues: then a sweep of the jobs,
// so that nothing sent meanwhile is missed.
bool Agent::connect() {
    CupsFailure failure;
    connection_ = CupsConnection::open(options_.server, &failure);
    if (connection_ == nullptr) {
        say("server: " + failure.message);
        return false;
    }
    if (!options_.once && !connection_->subscribe(kLeaseSeconds, &subscription_, &failure)) {
        disconnect(failure.message);
        return false;
    }
    renewed_ = std::chrono::steady_clock::now();
    sequence_ = 0;
    waiting_.clear();
    say("server: connected to " + connection_->address() + " as " + connection_->user() +
        (subscription_ != 0 ? "; subscription " + std::to_string(subscription_) : ""));
    return refreshQueues() && sweep();
}

// The user's jobs that wait for codes on the queues the pane serves, oldest first, one at a
// time: a second waits while a window is open for the first.
bool Agent::sweep() {
    std::vector<UserJob> jobs;
    CupsFailure failure;
    connection_->renewDeadline();
    if (!connection_->userJobs(&jobs, &failure)) {
        disconnect(failure.message);
        return false;
    }
    for (const UserJob& job : jobs) {
        if (gStop) {
            break;
        }
        auto printer = wired_.find(job.queue);
        if (printer == wired_.end() || !waitsForCodes(job, connection_->user()) ||
            settled_.count(job.id) != 0 || waiting_.count(job.id) != 0) {
            continue;
        }
        HeldJob held{job.id, job.queue, job.name};
        JobResult result = handler_->handle(*printer->second, held);
        installStopHandlers(); // a window's own handling of signals is gone with it
        // A job left waiting (for a display, or for the server to take its codes) is taken
        // again after the next reconnect, not in a loop.
        (result == JobResult::Waiting ? waiting_ : settled_).insert(job.id);
    }
    handler_->notifyTold();
    return true;
}

// The events since the last poll: a job made or changed means a sweep, a queue added,
// changed or gone a fresh look at the queues.
bool Agent::poll() {
    CupsFailure failure;
    connection_->renewDeadline();
    auto now = std::chrono::steady_clock::now();
    if (now - renewed_ >= std::chrono::seconds(kRenewSeconds)) {
        if (!connection_->renewSubscription(subscription_, kLeaseSeconds, &failure)) {
            disconnect(failure.message);
            return false;
        }
        renewed_ = now;
    }
    std::vector<CupsEvent> events;
    if (!connection_->notifications(subscription_, &sequence_, &events, &failure)) {
        disconnect(failure.message);
        return false;
    }
    bool jobs = false, queues = false;
    for (const CupsEvent& event : events) {
        if (event.event.rfind("printer-", 0) == 0) {
            queues = true;
        } else {
            jobs = true;
        }
    }
    if (queues && !refreshQueues()) {
        return false;
    }
    return !(jobs || queues) || sweep();
}

int Agent::run() {
    long liveAtStart = PlatformHost::liveObjectCount();
    std::string error;
    plugIn_ = PlugInHost::load(options_.bundlePath, &error);
    if (plugIn_ == nullptr) {
        std::cerr << "accounting-agent: " << error << "\n";
        return 2;
    }
    helpBundle_ = PlatformHost::openBundle(options_.helpBundlePath, &error);
    bool display =
        (std::getenv("DISPLAY") != nullptr && *std::getenv("DISPLAY") != '\0') ||
        (std::getenv("WAYLAND_DISPLAY") != nullptr && *std::getenv("WAYLAND_DISPLAY") != '\0');
    display = display && gtk_init_check(nullptr, nullptr);
    say(std::string("display: ") +
        (display ? "windows can be shown" : "none: jobs that need a window wait"));
    std::string why;
    keyring_ = openKeyring(&why);
    say("keyring: " + (keyring_ != nullptr ? std::string("the session's Secret Service")
                                           : why + ": concealed codes are not recalled"));
    AgentPasswords passwords(display);
    PasswordScope asking(&passwords);
    notifier_ = std::make_unique<Notifier>();
    handler_ = std::make_unique<JobHandler>(options_, *plugIn_, helpBundle_, keyring_.get(),
                                            *notifier_, display);

    int status = 0;
    std::chrono::milliseconds backoff(1000);
    const auto maxBackoff =
        std::chrono::milliseconds(static_cast<long long>(options_.maxBackoff * 1000));
    const auto pollEvery =
        std::chrono::milliseconds(static_cast<long long>(options_.pollSeconds * 1000));
    while (!gStop) {
        if (connection_ == nullptr) {
            if (connect()) {
                backoff = std::chrono::milliseconds(1000);
            } else if (options_.once) {
                status = 2;
                break;
            } else {
                say("server: trying again in " + std::to_string(backoff.count() / 1000) + " s");
                waitFor(backoff);
                backoff = std::min(backoff * 2, maxBackoff);
                continue;
            }
        }
        if (options_.once) {
            break;
        }
        waitFor(pollEvery);
        if (!gStop && connection_ != nullptr) {
            poll();
        }
    }
    if (connection_ != nullptr && subscription_ != 0) {
        CupsFailure failure;
        connection_->renewDeadline();
        connection_->cancelSubscription(subscription_, &failure);
    }
    connection_.reset();
    handler_.reset();
    notifier_.reset();
    keyring_.reset();
    wired_.clear();
    plugIn_.reset();
    if (helpBundle_ != nullptr) {
        CFRelease(helpBundle_);
    }
    PlatformHost::unloadUnusedPlugIns();
    say("agent: stopped");
    if (PlatformHost::liveObjectCount() != liveAtStart) {
        say("FAIL platform objects still alive: " + PlatformHost::liveObjectReport());
        return 1;
    }
    return status;
}

} // namespace

void stopAgent() {
    gStop = 1;
}

bool agentStopping() {
    return gStop != 0;
}

int runAgent(const AgentOptions& options) {
    // The lock is taken for the user and the server as libcups resolves them.
    cupsSetUser(options.server.user.empty() ? nullptr : options.server.user.c_str());
    std::string user = cupsUser();
    std::string address = options.server.address.empty() ? cupsServer() : options.server.address;
    if (address[0] != '/' && address.find(':') == std::string::npos) {
        address += ':';
        address += std::to_string(ippPort());
    }
    AgentLock::Outcome outcome;
    std::string message;
    std::unique_ptr<AgentLock> lock = AgentLock::take(user, address, &outcome, &message);
    if (lock == nullptr) {
        std::cout << "accounting-agent: " << message << std::endl;
        return outcome == AgentLock::Outcome::HeldElsewhere ? 0 : 2;
    }
    installStopHandlers();
    Agent agent(options);
    return agent.run();
}
