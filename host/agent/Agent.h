// accounting-agent: in the user's session, gives the codes to every job of the user's that an
// accounting queue holds for them, whichever application sent it. It follows the server's
// queues and the user's jobs, and for each held job does what the print dialog's Print button
// would do with the user's remembered settings: the pane's prompt, the default codes, or the
// dialog itself when neither will do.
#pragma once

#include "host/printing/CupsClient.h"

#include <string>

struct AgentOptions {
    std::string bundlePath;
    std::string helpBundlePath;
    CupsServer server;
    bool once = false;        // handle what is held now, then exit
    std::string layoutFile;   // the places of the windows' controls, for the tests
    double pollSeconds = 1.0; // how often the server's events are read
    double maxBackoff = 30;   // the longest wait before connecting again
};

// 0 when it ended as asked (a signal, --once done, or another agent already serving), 1 when
// platform objects were left alive, 2 when it could not start.
int runAgent(const AgentOptions& options);
// True once the agent was asked to stop (a signal): a window open for a job closes, and the
// job stays held for the next agent.
bool agentStopping();
// Asks the agent to stop, as a signal would.
void stopAgent();
