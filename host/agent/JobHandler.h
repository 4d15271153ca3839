// One held job, taken as the print dialog's Print button would take it with the user's
// remembered settings: the pane's prompt in a window of its own, the default codes released
// at once, or the dialog's window for the job when the settings do not say what the codes are.
#pragma once

#include "host/agent/AgentOptions.h"
#include "host/agent/JobReports.h"
#include "host/dialog/PlugInHost.h"
#include "host/printing/HeldJobs.h"
#include "host/printing/Printer.h"
#include "host/remember/Keyring.h"

#include <Carbon/Carbon.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

class WidgetView;

enum class JobResult {
    Released,  // it left the hold with its codes
    Cancelled, // the user cancelled it: it never prints
    Gone,      // released or cancelled elsewhere meanwhile
    Waiting,   // it still waits (no display to ask on, the user's codes were refused)
    Failed,    // the server did not take its default codes: to be tried again
};

class JobHandler {
  public:
    // display: whether windows can be shown (GTK is up).
    JobHandler(const AgentOptions& options, PlugInHost& plugIn, CFBundleRef helpBundle,
               SecretStore* keyring, JobReports& reports, bool display);
    ~JobHandler();
    JobHandler(const JobHandler&) = delete;
    JobHandler& operator=(const JobHandler&) = delete;

    JobResult handle(const Printer& printer, const HeldJob& job);
    // After a Failed release: whether the server could not even be asked if it took it.
    bool releaseUnknown() const { return unknown_; }

  private:
    enum class Press { Settled, NeedsDialog };
    Press pressWithRemembered(const Printer& printer, const HeldJob& job, JobResult* result);
    JobResult openDialog(const HeldJob& job);
    bool modalStep(WindowRef window);
    WidgetView* promptView(WindowRef window);
    void presentAlerts(size_t from);
    void settleWindows();

    const AgentOptions& options_;
    PlugInHost& plugIn_;
    CFBundleRef helpBundle_;
    SecretStore* keyring_;
    JobReports& reports_;
    bool display_;
    const HeldJob* current_ = nullptr;
    std::map<WindowRef, std::unique_ptr<WidgetView>> prompts_;
    bool promptShown_ = false;
    bool promptClosed_ = false;
    bool jobGone_ = false;
    bool unknown_ = false;
    std::string goneLine_;
    size_t alertsShown_ = 0; // the pane's alerts shown to the user so far
    size_t beeps_ = 0;
};
