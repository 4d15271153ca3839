// What the agent is asked to do: its bundle, its server, how it follows the server.
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
