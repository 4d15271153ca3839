// What the agent is asked to do: its bundle, its server, how it follows the server.
#pragma once

#include "host/agent/ServerEvents.h"
#include "host/printing/CupsClient.h"

#include <string>

struct AgentOptions {
    std::string bundlePath;
    std::string helpBundlePath;
    CupsServer server;
    bool once = false;                  // handle what is held now, then exit
    std::string layoutFile;             // the places of the windows' controls, for the tests
    EventPath events = EventPath::Auto; // how the server's events are heard
    double pollSeconds = 1.0;           // how often they are read when polling
    double maxBackoff = 30;             // the longest wait before connecting again
};
