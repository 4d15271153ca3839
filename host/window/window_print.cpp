// Print pressed in the window, and the end of the held job a window serves: released,
// cancelled, gone elsewhere, or left for the next agent.
#include "host/window/WindowAppInternals.h"

namespace window {

std::string WindowApp::ticketLine() {
    std::string line = "ticket:";
    for (const AccountingCode& code : kAccountingCodes) {
        PlatformHost::TicketItem item;
        bool present = PlatformHost::ticketItem(dialog_->settings(), code.ticketKey, &item);
        // The agent's log (the journal) never holds a code: each is shown as bullets there.
        bool masked = options_.heldJob != nullptr || concealedIn(dialog_->settings(), code);
        line += std::string(" ") + code.label + " " +
                (present ? quotedCode(item.text, masked) : "missing");
    }
    return line;
}

void WindowApp::print() {
    size_t notices = PlatformHost::notices().size();
    size_t alerts = PlatformHost::alerts().size();
    PrintDialog::Press press = dialog_->pressPrint();
    // The prompt's windows are gone with the press.
    modal_.clear();
    writeLayout();
    std::string status;
    if (press.jobSubmitted) {
        status = press.job.line;
    } else if (press.printed) {
        status = hostText("Printed to %1 (a PPD file: the job is recorded, not sent)",
                          {printer_->name()});
    } else if (PlatformHost::notices().size() > notices) {
        status = hostText("Not printed: %1", {PlatformHost::notices().back().message});
    } else if (PlatformHost::alerts().size() > alerts) {
        status = hostText("Not printed: %1", {PlatformHost::alerts().back().message});
    } else {
        status = hostText("Not printed");
    }
    say("print: status " + std::to_string(press.status) + ", " +
        (press.printed ? "printed" : "not printed") + "; " + ticketLine());
    if (press.printed) {
        remember();
    }
    setStatus(status);
    if (release_ != nullptr && release_->released()) {
        endHeldJob(HeldJobWindow::Result::Released, press.job.line);
    }
}

// The window's job is settled: released, cancelled or gone. The window closes.
void WindowApp::endHeldJob(HeldJobWindow::Result result, const std::string& line) {
    HeldJobWindow* held = options_.heldJob;
    if (held == nullptr || held->result != HeldJobWindow::Result::Open) {
        return;
    }
    held->result = result;
    held->line = line;
    say("job: " + line);
    quit();
}

// A job released or cancelled by someone else while its window is open closes the window.
void WindowApp::watchHeldJob() {
    std::string line;
    if (heldState(options_.server, options_.heldJob->job, &line) == HeldState::Gone) {
        endHeldJob(HeldJobWindow::Result::Gone, line);
    }
}

// The dialog's Cancel: a held job goes with it, and never prints.
void WindowApp::cancelled() {
    if (options_.heldJob != nullptr && options_.heldJob->result == HeldJobWindow::Result::Open) {
        JobOutcome outcome = cancelHeldJob(options_.server, options_.heldJob->job);
        if (outcome.jobId != 0) {
            endHeldJob(HeldJobWindow::Result::Cancelled, outcome.line);
        } else {
            say("job: " + outcome.line); // the server did not take it: the job stays held
        }
    }
    quit();
}

// A signal to stop: the window closes and a held job stays as it is, for the next agent.
void WindowApp::stopped() {
    if (options_.heldJob != nullptr) {
        options_.heldJob->stopped = true;
    }
    quit();
}

} // namespace window
