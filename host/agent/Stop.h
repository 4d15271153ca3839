// The agent's stop: a signal (TERM, INT, HUP) asks it to stop, and whatever runs (a sweep, a
// window open for a job) looks at the request and ends, the job left as it is.
#pragma once

#include <chrono>
#include <functional>

// Installs the handlers of the stop signals; again after a window, whose own handling of the
// signals goes with it.
void installStopHandlers();
// True once the agent was asked to stop.
bool agentStopping();
// Asks the agent to stop, as a signal would.
void stopAgent();
// The agent's own main context, apart from the windows' (GTK's default one): what the agent
// waits on between jobs (the bus's signals, its timers), so that an idle agent wakes for them
// alone. A source attached while AgentContextScope is alive belongs to it.
typedef struct _GMainContext GMainContext;
GMainContext* agentContext();
class AgentContextScope {
  public:
    AgentContextScope();
    ~AgentContextScope();
    AgentContextScope(const AgentContextScope&) = delete;
    AgentContextScope& operator=(const AgentContextScope&) = delete;
};

// Waits for the span, running the agent's context meanwhile, and ends early once the agent is
// asked to stop or `done` says so. It sleeps in the kernel all along: an idle agent costs
// nothing.
void waitUnlessStopped(std::chrono::milliseconds span, const std::function<bool()>& done = {});
