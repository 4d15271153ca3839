// The agent's stop: a signal (TERM, INT, HUP) asks it to stop, and whatever runs (a sweep, a
// window open for a job) looks at the request and ends, the job left as it is.
#pragma once

// Installs the handlers of the stop signals; again after a window, whose own handling of the
// signals goes with it.
void installStopHandlers();
// True once the agent was asked to stop.
bool agentStopping();
// Asks the agent to stop, as a signal would.
void stopAgent();
