// printdialog --window: the print dialog in a real window on the user's display, with the pane
// loaded from its bundle, a printer popup, the prompt as a modal window, alerts, help in the
// browser, and a status line saying what became of each press of Print.
#pragma once

#include "host/printing/CupsClient.h"

#include <string>
#include <vector>

struct WindowOptions {
    std::string bundlePath;
    std::string helpBundlePath;
    std::vector<std::string> printers; // PPD paths and "cups:QUEUE"; the first is chosen
    bool serverGiven = false;          // list the server's queues in the printer popup too
    CupsServer server;
    std::string document; // empty: the test page
    std::string settings; // the print-settings ticket's file; empty: the remembered settings
    bool remember = true; // read (unless settings is given) and write the remembered settings
    std::string outDir;   // where snapshots go (SIGUSR1)
    std::string layoutFile;
};

// Runs until the window is closed; 0, 1 when platform objects were left alive, 2 when there is
// no display (with one line on standard error).
int runWindow(const WindowOptions& options);
