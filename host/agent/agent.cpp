#include "host/agent/Agent.h"

#include "host/HostText.h"
#include "host/agent/AgentLock.h"
#include "host/agent/FollowedJobs.h"
#include "host/agent/JobHandler.h"
#include "host/agent/JobReports.h"
#include "host/agent/Notifier.h"
#include "host/agent/ServerEvents.h"
#include "host/agent/Stop.h"
#include "host/agent/WiredQueues.h"
#include "host/dialog/PlugInHost.h"
#include "host/printing/HeldJobs.h"
#include "host/printing/Passwords.h"
#include "host/remember/Keyring.h"
#include "host/window/PasswordDialog.h"

#include <PlatformHost.h>

#include <cups/cups.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <memory>
#include <set>

namespace {

// While a held job's documents are still coming, its jobs are looked at again: soon at first
// (lp sends its document a moment after the job), then less often (an application rendering
// its pages takes seconds).
constexpr auto kIncompleteFirst = std::chrono::milliseconds(5);
constexpr auto kIncompleteLongest = std::chrono::milliseconds(500);
// A release the server did not take is tried again this many times, waiting 1 s, 2 s, 4 s ...
constexpr int kReleaseTries = 5;

using Clock = std::chrono::steady_clock;

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
    bool sweep();
    bool listen();

    const AgentOptions& options_;
    std::unique_ptr<PlugInHost> plugIn_;
    CFBundleRef helpBundle_ = nullptr;
    std::unique_ptr<SecretStore> keyring_;
    std::unique_ptr<Notifier> notifier_;
    std::unique_ptr<JobReports> reports_;
    std::unique_ptr<JobHandler> handler_;
    std::unique_ptr<WiredQueues> queues_;
    std::unique_ptr<FollowedJobs> followed_;
    std::unique_ptr<ServerEvents> events_;
    std::unique_ptr<CupsConnection> connection_;
    std::set<int> settled_; // jobs taken already: released or cancelled
    std::set<int> waiting_; // jobs taken that still wait
    // Jobs whose release the server did not take: how often it was tried, and when next.
    struct Retry {
        int tries = 0;
        Clock::time_point next;
    };
    std::map<int, Retry> retries_;
    void failedRelease(const HeldJob& job);
    std::chrono::milliseconds untilRetry() const;
    bool incomplete_ = false; // a held job's documents are still coming: look again soon
    std::chrono::milliseconds incompleteAgain_ = kIncompleteFirst;
};

bool Agent::refreshQueues() {
    CupsFailure failure;
    if (!queues_->list(*connection_, &failure)) {
        disconnect(failure.message);
        return false;
    }
    return true;
}

void Agent::disconnect(const std::string& why) {
    if (connection_ != nullptr) {
        agentSays("server: lost (" + why + ")");
    }
    connection_.reset();
}

// A connection, a subscription to the server's events, the queues: then a sweep of the jobs,
// so that nothing sent meanwhile is missed.
bool Agent::connect() {
    CupsFailure failure;
    connection_ = CupsConnection::open(options_.server, &failure);
    if (connection_ == nullptr) {
        agentSays("server: " + failure.message);
        return false;
    }
    if (!options_.once && !events_->start(*connection_, &failure)) {
        disconnect(failure.message);
        return false;
    }
    waiting_.clear();
    retries_.clear();
    agentSays("server: connected to " + connection_->address() + " as " + connection_->user() +
              (options_.once ? "" : "; events by " + events_->describe()));
    if (!refreshQueues() || !sweep()) {
        return false;
    }
    // The queues that no held job needed are looked at once the jobs have been taken.
    queues_->lookAtRest(*connection_);
    return true;
}

// The user's jobs that wait for codes on the queues the pane serves, oldest first, one at a
// time: a second waits while a window is open for the first. Then the jobs released before:
// what became of them.
bool Agent::sweep() {
    std::vector<UserJob> jobs;
    CupsFailure failure;
    connection_->renewDeadline();
    if (!connection_->userJobs(&jobs, &failure)) {
        disconnect(failure.message);
        return false;
    }
    incomplete_ = false;
    for (const UserJob& job : jobs) {
        if (agentStopping()) {
            break;
        }
        const WiredQueue* queue = queues_->find(*connection_, job.queue);
        if (queue == nullptr) {
            continue;
        }
        auto retry = retries_.find(job.id);
        bool retryLater = retry != retries_.end() && (retry->second.tries >= kReleaseTries ||
                                                      Clock::now() < retry->second.next);
        if (!waitsForCodes(job, connection_->user(), queue->needed) ||
            settled_.count(job.id) != 0 || waiting_.count(job.id) != 0 || retryLater) {
            // A job whose documents are still coming is taken once it is whole; the server
            // may send no event then.
            incomplete_ = incomplete_ ||
                          (job.state == "pending-held" && (job.documents == 0 || job.incoming));
            continue;
        }
        HeldJob held{job.id, job.queue, job.name};
        if (retry != retries_.end()) {
            agentSays("job " + std::to_string(job.id) + ": trying again (" +
                      std::to_string(retry->second.tries + 1) + " of " +
                      std::to_string(kReleaseTries) + ")");
        }
        JobResult result = handler_->handle(*queue->printer, held);
        installStopHandlers(); // a window's own handling of signals is gone with it
        // A job left waiting (for a display, or for the server to take its codes) is taken
        // again after the next reconnect, not in a loop. One gone elsewhere is taken again
        // should it come back held (its owner resumed it, and the guard held it again).
        if (result == JobResult::Failed) {
            failedRelease(held);
            continue;
        }
        retries_.erase(job.id);
        if (result == JobResult::Waiting) {
            waiting_.insert(job.id);
        } else if (result != JobResult::Gone) {
            settled_.insert(job.id);
        }
        if (result == JobResult::Released && !options_.once) {
            followed_->follow(held);
        }
    }
    // A job held for its codes again (the guard found them wanting) is taken again.
    for (int again : followed_->check(*connection_)) {
        settled_.erase(again);
    }
    reports_->notifyTold();
    return true;
}

// A release the server did not take (an error, no answer): tried again after 1 s, 2 s, 4 s
// ..., then left held, and the user told once. One the server could not even be asked about is
// followed too: it may have been released after all.
void Agent::failedRelease(const HeldJob& job) {
    Retry& retry = retries_[job.id];
    ++retry.tries;
    if (handler_->releaseUnknown()) {
        followed_->follow(job);
    }
    if (retry.tries >= kReleaseTries) {
        reports_->tell(job,
                       hostText("“%1” on %2 could not be released after %3 tries: it waits "
                                "held until the agent starts again",
                                {shownName(job), shownQueue(job), std::to_string(kReleaseTries)}));
        return;
    }
    auto wait = std::chrono::seconds(1 << (retry.tries - 1));
    retry.next = Clock::now() + wait;
    agentSays("job " + std::to_string(job.id) + ": trying again in " +
              std::to_string(wait.count()) + " s");
}

std::chrono::milliseconds Agent::untilRetry() const {
    auto soonest = std::chrono::milliseconds(3600 * 1000);
    for (const auto& [id, retry] : retries_) {
        if (retry.tries < kReleaseTries) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(retry.next - Clock::now());
            soonest = std::min(soonest, std::max(left, std::chrono::milliseconds(1)));
        }
    }
    return soonest;
}

// Waits for the server's news: a job made or changed means a sweep, a queue added, changed
// or gone a fresh look at that queue.
bool Agent::listen() {
    auto soon = incomplete_ ? incompleteAgain_ : std::chrono::milliseconds(3600 * 1000);
    incompleteAgain_ =
        incomplete_ ? std::min(incompleteAgain_ * 2, kIncompleteLongest) : kIncompleteFirst;
    if (reports_->untilDue().count() > 0) {
        soon = std::min(soon, reports_->untilDue());
    }
    soon = std::min({soon, untilRetry(), queues_->untilRetry()});
    ServerNews news = events_->wait(*connection_, soon);
    reports_->notifyTold();
    if (agentStopping()) {
        return true;
    }
    if (news.failed) {
        disconnect(news.failure.message);
        return false;
    }
    CupsFailure failure;
    if (news.allQueues) {
        if (!refreshQueues()) {
            return false;
        }
        queues_->lookAtRest(*connection_);
    } else {
        for (const std::string& queue : news.queues) {
            if (!queues_->refresh(*connection_, queue, &failure)) {
                disconnect(failure.message);
                return false;
            }
        }
    }
    // A queue whose look failed, looked at again now, may have jobs waiting.
    bool queueDue = queues_->untilRetry() <= std::chrono::milliseconds(1);
    if (queueDue) {
        queues_->lookAtRest(*connection_);
    }
    bool look = news.jobs || news.sweepDue || news.allQueues || !news.queues.empty() ||
                incomplete_ || queueDue || untilRetry() <= std::chrono::milliseconds(1);
    return !look || sweep();
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
    agentSays(std::string("display: ") +
              (display ? "windows can be shown" : "none: jobs that need a window wait"));
    std::string why;
    keyring_ = openKeyring(&why);
    agentSays("keyring: " + (keyring_ != nullptr ? std::string("the session's Secret Service")
                                                 : why + ": concealed codes are not recalled"));
    AgentPasswords passwords(display);
    PasswordScope asking(&passwords);
    notifier_ = std::make_unique<Notifier>();
    reports_ = std::make_unique<JobReports>(*notifier_);
    handler_ = std::make_unique<JobHandler>(options_, *plugIn_, helpBundle_, keyring_.get(),
                                            *reports_, display);
    queues_ = std::make_unique<WiredQueues>(*plugIn_);
    events_ = std::make_unique<ServerEvents>(options_.events, options_.pollSeconds);
    followed_ = std::make_unique<FollowedJobs>(*reports_);

    int status = 0;
    std::chrono::milliseconds backoff(1000);
    const auto maxBackoff =
        std::chrono::milliseconds(static_cast<long long>(options_.maxBackoff * 1000));
    while (!agentStopping()) {
        if (connection_ == nullptr) {
            if (connect()) {
                backoff = std::chrono::milliseconds(1000);
            } else if (options_.once) {
                status = 2;
                break;
            } else {
                agentSays("server: trying again in " + std::to_string(backoff.count() / 1000) +
                          " s");
                waitUnlessStopped(backoff);
                backoff = std::min(backoff * 2, maxBackoff);
                continue;
            }
        }
        if (options_.once) {
            break;
        }
        if (connection_ != nullptr) {
            listen();
        }
    }
    if (connection_ != nullptr) {
        events_->stop(*connection_);
    }
    reports_->notifyTold(JobReports::When::Now);
    connection_.reset();
    events_.reset();
    followed_.reset();
    handler_.reset();
    reports_.reset();
    notifier_.reset();
    keyring_.reset();
    queues_.reset();
    plugIn_.reset();
    if (helpBundle_ != nullptr) {
        CFRelease(helpBundle_);
    }
    PlatformHost::unloadUnusedPlugIns();
    agentSays("agent: stopped");
    if (PlatformHost::liveObjectCount() != liveAtStart) {
        agentSays("FAIL platform objects still alive: " + PlatformHost::liveObjectReport());
        return 1;
    }
    return status;
}

} // namespace

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
