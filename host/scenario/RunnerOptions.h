// What a scenario run is given: the bundles, where pictures go, and what each dialog prints to
// until its scenario says otherwise.
#pragma once

#include "host/printing/CupsClient.h"

#include <string>

struct RunnerOptions {
    std::string bundlePath;
    std::string helpBundlePath;
    std::string outDir;       // where render writes relative paths
    bool interactive = false; // errors are reported and the run goes on; windows shown after each
    // What a dialog prints to and with until its scenario says otherwise.
    std::string printer;  // a PPD path, or "cups:QUEUE"; empty: none
    std::string document; // empty: the test page
    CupsServer server;
};
