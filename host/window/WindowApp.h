// printdialog --window: the print dialog in a real window on the user's display, with the pane
// loaded from its bundle, a printer popup, the prompt as a modal window, alerts, help in the
// browser, and a status line saying what became of each press of Print.
#pragma once

#include "host/printing/CupsClient.h"
#include "host/printing/HeldJobs.h"

#include <string>
#include <vector>

// A job held on its queue for its codes, with the window opened for it alone: Print releases it
// with the codes, Cancel (or closing the window) cancels it, and the window closes by itself
// when the job is released or cancelled elsewhere.
struct HeldJobWindow {
    HeldJob job;
    enum class Result { Open, Released, Cancelled, Gone };
    Result result = Result::Open;
    std::string line;     // what became of the job, for the user
    bool stopped = false; // the window closed on a signal to stop, the job left as it was
};

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
    HeldJobWindow* heldJob = nullptr; // the agent's window for one held job; null: the dialog's
};

// Runs until the window is closed; 0, 1 when platform objects were left alive, 2 when there is
// no display (with one line on standard error).
int runWindow(const WindowOptions& options);
