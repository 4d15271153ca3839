#include "host/agent/JobHandler.h"

#include "host/HostText.h"
#include "host/agent/Stop.h"
#include "host/dialog/PaneDriver.h"
#include "host/dialog/PrintDialog.h"
#include "host/remember/RememberedSettings.h"
#include "host/window/AlertDialog.h"
#include "host/window/WidgetView.h"
#include "host/window/WindowApp.h"

#include <PlatformHost.h>

#include <cups/ipp.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <iostream>

namespace {

constexpr SInt32 kPromptCancelID = 1001; // the prompt's Cancel button

void say(const std::string& line) {
    agentSays(line);
}

std::string jobName(const HeldJob& job) {
    return "job " + std::to_string(job.id) + " (" + shownName(job) + ") on " + shownQueue(job);
}

} // namespace

JobHandler::JobHandler(const AgentOptions& options, PlugInHost& plugIn, CFBundleRef helpBundle,
                       SecretStore* keyring, JobReports& reports, bool display)
    : options_(options), plugIn_(plugIn), helpBundle_(helpBundle), keyring_(keyring),
      reports_(reports), display_(display) {}

JobHandler::~JobHandler() = default;

JobResult JobHandler::handle(const Printer& printer, const HeldJob& job) {
    say("taking " + jobName(job));
    // What queued up while the agent waited is handled before a window opens: among it the
    // accessibility bridge's list of what screen readers listen for, without which the
    // window's first events (its activation) would not reach them.
    settleWindows();
    JobResult result = JobResult::Waiting;
    unknown_ = false;
    if (pressWithRemembered(printer, job, &result) == Press::Settled) {
        return result;
    }
    return openDialog(job);
}

// The remembered settings, loaded by the pane as the dialog would, and Print pressed: the pane
// asks for the codes or checks the default ones. Settings that give no codes (none remembered,
// accounting off, a default code missing) need the dialog.
JobHandler::Press JobHandler::pressWithRemembered(const Printer& printer, const HeldJob& job,
                                                  JobResult* result) {
    std::string remembered = rememberedSettingsPath();
    if (remembered.empty()) {
        say("remembered: no settings folder (XDG_CONFIG_HOME and HOME are not set)");
        return Press::NeedsDialog;
    }
    PrintDialogSetup setup;
    setup.ppdPath = printer.ppdPath();
    setup.helpBundle = helpBundle_;
    std::string error;
    std::unique_ptr<PrintDialog> dialog = PrintDialog::create(setup, &error);
    if (dialog == nullptr) {
        say("job " + std::to_string(job.id) + ": " + error);
        return Press::NeedsDialog;
    }
    Recall recalled = recallSettings(remembered, dialog->settings(), keyring_);
    if (recalled.outcome != Recall::Outcome::Recalled) {
        say(recalled.outcome == Recall::Outcome::Nothing
                ? "remembered: nothing yet in " + remembered
                : "remembered: " + recalled.message);
        return Press::NeedsDialog;
    }
    PaneDriver pane(plugIn_, *dialog);
    OSStatus initialized = noErr;
    bool started;
    {
        PlatformHost::StderrCapture quiet; // the settings' load says what it read
        started = pane.start(&initialized);
    }
    if (!started || !dialog->paneWatchesPrint()) {
        PlatformHost::StderrCapture quiet;
        pane.stop(PaneDriver::Settings::Drop);
        return Press::NeedsDialog;
    }
    HeldJobRelease release(options_.server, printer, job);
    dialog->setJobSink(&release);
    size_t alerts = PlatformHost::alerts().size();
    alertsShown_ = alerts;
    beeps_ = static_cast<size_t>(PlatformHost::beeps());
    current_ = &job;
    promptShown_ = false;
    jobGone_ = false;
    PrintDialog::Press press;
    {
        PlatformHost::ScopedControlObserver observer(&WidgetView::controlChanged);
        PlatformHost::ScopedModalEventSource source(
            [this](WindowRef window) { return modalStep(window); });
        press = dialog->pressPrint();
    }
    prompts_.clear();
    settleWindows();
    current_ = nullptr;
    dialog->setJobSink(nullptr);
    {
        PlatformHost::StderrCapture quiet;
        pane.stop(PaneDriver::Settings::Drop);
    }
    if (release.released()) {
        reports_.tell(job, press.job.line);
        *result = JobResult::Released;
        return Press::Settled;
    }
    if (jobGone_) {
        say("job " + std::to_string(job.id) + ": " + goneLine_ + "; its prompt closed");
        *result = JobResult::Gone;
        return Press::Settled;
    }
    if (promptShown_ && (!display_ || agentStopping())) {
        say("job " + std::to_string(job.id) +
            (display_ ? ": waits: the agent stops"
                      : ": waits: its codes are asked for at print time, and there is no "
                        "display to ask on"));
        *result = JobResult::Waiting;
        return Press::Settled;
    }
    if (promptShown_ && !press.reachedDialog) {
        // The prompt's Cancel: the job goes, and the user is told what became of it (the
        // pane's own alert speaks of pressing Print again, which the agent has no button for).
        alertsShown_ = PlatformHost::alerts().size();
        JobOutcome cancelled = cancelHeldJob(options_.server, job);
        if (cancelled.jobId != 0) {
            std::string words = hostText("“%1” was cancelled and will not print", {shownName(job)});
            say("alert: " + words);
            if (display_) {
                runAlert(nullptr, GTK_MESSAGE_INFO, hostText("Print job cancelled"), words,
                         hostText("It was sent to %1.", {shownQueue(job)}));
                say("dismissed: " + words);
            }
        }
        reports_.tell(job, cancelled.line);
        // A cancel the server did not take leaves the job held, for the next try.
        *result = cancelled.jobId != 0 ? JobResult::Cancelled : JobResult::Waiting;
        return Press::Settled;
    }
    bool codesGiven = promptShown_ || (press.jobSubmitted && !release.lackedCodes() &&
                                       press.job.status != IPP_STATUS_ERROR_ATTRIBUTES_OR_VALUES);
    if (codesGiven) {
        // The codes were given but the server did not take them: the job stays held, and the
        // user is told why. Default codes are tried again by themselves; typed ones wait for
        // the next look at the jobs, not to ask the user again and again.
        reports_.tell(job, press.job.line);
        *result = promptShown_ ? JobResult::Waiting : JobResult::Failed;
        unknown_ = release.unknown();
        return Press::Settled;
    }
    // No prompt and nothing released: the pane's check of the default codes stopped the press,
    // accounting is off, or a code can't be carried. The dialog shows why and lets the user
    // give the codes.
    say("job " + std::to_string(job.id) + ": the remembered settings give no codes (" +
        (press.jobSubmitted                       ? press.job.line
         : PlatformHost::alerts().size() > alerts ? PlatformHost::alerts().back().message
                                                  : std::string("not printed")) +
        "): the dialog opens");
    return Press::NeedsDialog;
}

JobResult JobHandler::openDialog(const HeldJob& job) {
    if (!display_) {
        say("job " + std::to_string(job.id) +
            ": waits: it needs the print dialog, and there is no display");
        return JobResult::Waiting;
    }
    HeldJobWindow held;
    held.job = job;
    WindowOptions window;
    window.bundlePath = options_.bundlePath;
    window.helpBundlePath = options_.helpBundlePath;
    window.server = options_.server;
    window.layoutFile = options_.layoutFile;
    window.heldJob = &held;
    int status = runWindow(window);
    settleWindows();
    if (held.stopped) {
        stopAgent();
    }
    if (status == 2) {
        return JobResult::Waiting;
    }
    switch (held.result) {
    case HeldJobWindow::Result::Released:
        reports_.tell(job, held.line);
        return JobResult::Released;
    case HeldJobWindow::Result::Cancelled:
        reports_.tell(job, held.line);
        return JobResult::Cancelled;
    case HeldJobWindow::Result::Gone:
        return JobResult::Gone;
    case HeldJobWindow::Result::Open:
        break;
    }
    return JobResult::Waiting;
}

// The agent runs no event loop between jobs, so what GTK queued for the display, and what the
// display and the accessibility bus sent, waits until this runs: windows closed go from the
// screen now, and the replies are read.
void JobHandler::settleWindows() {
    if (!display_) {
        return;
    }
    while (gtk_events_pending()) {
        gtk_main_iteration();
    }
    gdk_display_flush(gdk_display_get_default());
}

WidgetView* JobHandler::promptView(WindowRef window) {
    auto found = prompts_.find(window);
    if (found != prompts_.end()) {
        return found->second.get();
    }
    WidgetView::Hooks hooks;
    // What the pane shows the user while the prompt is open (a code missing at OK, a refused
    // key) is shown at once, as the dialog shows it.
    hooks.afterAction = [this] {
        auto beeps = static_cast<size_t>(PlatformHost::beeps());
        if (beeps > beeps_) {
            gdk_display_beep(gdk_display_get_default());
            say("bell: " + std::to_string(beeps - beeps_) + " key(s) refused");
            beeps_ = beeps;
        }
        presentAlerts(alertsShown_);
    };
    hooks.closeRequested = [this, window] {
        // Closing the prompt is its Cancel.
        if (ControlRef cancel = PlatformHost::findControl(window, kPromptCancelID)) {
            PlatformHost::click(cancel);
        }
        promptClosed_ = true;
    };
    // The prompt says which job it asks for, above its controls (and in its title, below).
    WidgetView::Presentation look;
    look.heading = hostText("“%1” on %2", {shownName(*current_), shownQueue(*current_)});
    look.dialog = true;
    auto view = std::make_unique<WidgetView>(window, nullptr, std::move(hooks), look);
    // Who drives the prompt from outside (the tests) types once it has the keyboard.
    g_signal_connect(view->gtkWindow(), "focus-in-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer data) -> gboolean {
                         say("window: prompt has the keyboard for job " +
                             std::to_string(static_cast<JobHandler*>(data)->current_->id));
                         return FALSE;
                     }),
                     this);
    gtk_window_set_title(view->gtkWindow(), hostText("Accounting codes for “%1” on %2",
                                                     {shownName(*current_), shownQueue(*current_)})
                                                .c_str());
    WidgetView* made = view.get();
    prompts_[window] = std::move(view);
    // It comes up active, the keyboard on its first field, as a dialog that asks does.
    made->focusFirst();
    gtk_window_present(made->gtkWindow());
    say("window: prompt opened for job " + std::to_string(current_->id));
    return made;
}

// One user action in the prompt; meanwhile, once a second, whether the job still waits.
bool JobHandler::modalStep(WindowRef window) {
    promptShown_ = true;
    if (!display_) {
        return false;
    }
    WidgetView* view = promptView(window);
    long before = view->actions();
    promptClosed_ = false;
    guint watch = g_timeout_add_seconds(
        1,
        [](gpointer data) -> gboolean {
            auto* handler = static_cast<JobHandler*>(data);
            if (heldState(handler->options_.server, *handler->current_, &handler->goneLine_) ==
                HeldState::Gone) {
                handler->jobGone_ = true;
            }
            return G_SOURCE_CONTINUE;
        },
        this);
    while (!promptClosed_ && !jobGone_ && !agentStopping() && view->actions() == before) {
        gtk_main_iteration();
    }
    g_source_remove(watch);
    if (agentStopping()) {
        return false; // the prompt ends unanswered, and the job stays held
    }
    if (jobGone_) {
        // Nothing is left to give codes to: the prompt goes as its Cancel would take it.
        if (ControlRef cancel = PlatformHost::findControl(window, kPromptCancelID)) {
            PlatformHost::click(cancel);
        }
    }
    return true;
}

// The pane's alerts since the press, shown as the dialog shows them.
void JobHandler::presentAlerts(size_t from) {
    std::vector<PlatformHost::Alert> alerts = PlatformHost::alerts();
    alertsShown_ = std::max(alertsShown_, alerts.size());
    for (size_t i = from; i < alerts.size(); ++i) {
        say("alert: " + alerts[i].message);
        if (!display_) {
            continue;
        }
        // Over the prompt it concerns, while that is open.
        GtkWindow* over = prompts_.empty() ? nullptr : prompts_.begin()->second->gtkWindow();
        runAlert(over, GTK_MESSAGE_ERROR, std::string(), alerts[i].message, alerts[i].explanation);
        say("dismissed: " + alerts[i].message);
    }
}
