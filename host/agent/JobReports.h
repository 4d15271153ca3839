// What became of the jobs, told to the user: each at once in the log (one line, the server's
// words made visible) and, gathered, in one desktop notification for the jobs of a moment.
#pragma once

#include "host/agent/Notifier.h"
#include "host/printing/HeldJobs.h"

#include <chrono>
#include <string>
#include <vector>

class JobReports {
  public:
    explicit JobReports(Notifier& notifier) : notifier_(notifier) {}
    void tell(const HeldJob& job, const std::string& line);
    // One notification for what was told since the last; at most one every few seconds, so
    // that the jobs of a moment share one, unless now is asked for.
    enum class When { Due, Now };
    void notifyTold(When when = When::Due);
    // How long until what was told is due to be shown; zero when nothing waits.
    std::chrono::milliseconds untilDue() const;

  private:
    Notifier& notifier_;
    std::vector<std::string> told_;
    std::chrono::steady_clock::time_point lastShown_;
};

// One line of the agent's log: the server's words in it are made visible, and it stays one line.
void agentSays(const std::string& line);
