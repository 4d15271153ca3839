// The dialog's printers: the bundle and the first printer loaded, the remembered settings, a
// change of printer with the pane's lifecycle around it.
#include "host/window/WindowAppInternals.h"

namespace window {

bool WindowApp::load() {
    std::string error;
    plugIn_ = PlugInHost::load(options_.bundlePath, &error);
    if (plugIn_ == nullptr) {
        std::cerr << "printdialog: " << error << "\n";
        return false;
    }
    helpBundle_ = PlatformHost::openBundle(options_.helpBundlePath, &error);
    printers_ = options_.printers;
    if (options_.heldJob != nullptr) {
        // The window serves the job's own queue, and no other.
        printers_ = {PrinterName::queue(options_.heldJob->job.queue).spelled()};
    }
    if (options_.serverGiven && options_.heldJob == nullptr) {
        CupsFailure failure;
        std::unique_ptr<CupsConnection> connection =
            CupsConnection::open(options_.server, &failure);
        std::vector<QueueInfo> queues;
        if (connection != nullptr && connection->queues(&queues, &failure)) {
            std::sort(queues.begin(), queues.end(),
                      [](const QueueInfo& a, const QueueInfo& b) { return a.name < b.name; });
            for (const QueueInfo& queue : queues) {
                std::string spelled = PrinterName::queue(queue.name).spelled();
                if (std::find(printers_.begin(), printers_.end(), spelled) == printers_.end()) {
                    printers_.push_back(spelled);
                }
            }
        } else {
            say("printers: " + failure.message);
        }
    }
    if (printers_.empty()) {
        std::cerr << "printdialog: --window needs a printer (--printer QUEUE|PPD, or --server)\n";
        return false;
    }
    PrintDialogSetup setup;
    setup.windowBounds = Rect{0, 0, 494, 600};
    setup.settingsPath = options_.settings;
    setup.helpBundle = helpBundle_;
    if (options_.heldJob != nullptr) {
        setup.windowTitle = hostText("Print “%1” on %2", {shownName(options_.heldJob->job),
                                                          shownQueue(options_.heldJob->job)});
    }
    dialog_ = PrintDialog::create(setup, &error);
    if (dialog_ == nullptr) {
        std::cerr << "printdialog: " << error << "\n";
        return false;
    }
    addHostControls();
    recall();
    pane_ = std::make_unique<PaneDriver>(*plugIn_, *dialog_);
    return true;
}

// The last settings printed with, before the pane loads them: unless a settings file was
// given, or the user asked for nothing to be remembered.
void WindowApp::recall() {
    if (!options_.remember) {
        return;
    }
    rememberedPath_ = rememberedSettingsPath();
    std::string why;
    keyring_ = openKeyring(&why);
    say("keyring: " + (keyring_ != nullptr ? std::string("the session's Secret Service")
                                           : why + ": concealed codes are not remembered"));
    if (!options_.settings.empty() || rememberedPath_.empty()) {
        return;
    }
    Recall recalled = recallSettings(rememberedPath_, dialog_->settings(), keyring_.get());
    switch (recalled.outcome) {
    case Recall::Outcome::Nothing:
        say("remembered: nothing yet in " + rememberedPath_);
        break;
    case Recall::Outcome::Recalled:
        say("remembered: recalled " + rememberedPath_);
        break;
    case Recall::Outcome::MovedAside:
        say("remembered: " + recalled.message);
        recallProblem_ = recalled.message;
        break;
    }
}

void WindowApp::remember() {
    if (rememberedPath_.empty()) {
        return;
    }
    std::string error;
    if (rememberSettings(rememberedPath_, dialog_->settings(), keyring_.get(), &error)) {
        say("remembered: wrote " + rememberedPath_);
    } else {
        say("remembered: " + error);
    }
}

void WindowApp::addHostControls() {
    PlatformHost::ControlSpec popup;
    popup.kind = PlatformHost::ControlKind::PopupButton;
    popup.signature = kHostSignature;
    popup.id = kPrinterPopupID;
    // Alt+P takes the keyboard to the printers.
    popup.title = hostText("_Printer:");
    popup.bounds = Rect{8, 20, 30, 580};
    for (const std::string& printer : printers_) {
        popup.menuItems.push_back(nameOf(printer));
    }
    popup.value = 1;
    printerPopup_ = PlatformHost::addControl(dialog_->window(), nullptr, popup);
    PlatformHost::ControlSpec status;
    status.kind = PlatformHost::ControlKind::StaticText;
    status.signature = kHostSignature;
    status.id = kStatusLineID;
    status.bounds = Rect{470, 20, 488, 580};
    statusLine_ = PlatformHost::addControl(dialog_->window(), nullptr, status);
}

void WindowApp::startPane() {
    OSStatus status = noErr;
    bool started;
    {
        PlatformHost::StderrCapture quiet; // the settings' load says what it read
        started = pane_->start(&status);
    }
    if (!started) {
        say("pane: Prologue failed");
        return;
    }
    say("printer: " + printer_->name() +
        (printer_->ppdPath().empty()
             ? " (no PPD" + (printer_->problem().empty() ? "" : ": " + printer_->problem()) + ")"
             : " (Manufacturer \"" + printer_->manufacturer() + "\")") +
        "; Initialize " + std::to_string(status) + "; pane " +
        (dialog_->paneWatchesPrint() ? "wired" : "unwired"));
}

void WindowApp::switchPrinter(size_t index) {
    {
        PlatformHost::StderrCapture quiet;
        pane_->stop(PaneDriver::Settings::Store);
    }
    dialog_->setJobSink(nullptr);
    jobs_.reset();
    sink_.reset();
    release_ = nullptr;
    PrinterName chosen;
    parsePrinterName(printers_[index], BareWord::PPDFile, &chosen);
    printer_ = openPrinter(chosen, options_.server);
    if (options_.heldJob != nullptr) {
        auto release =
            std::make_unique<HeldJobRelease>(options_.server, *printer_, options_.heldJob->job);
        release_ = release.get();
        sink_ = std::move(release);
        dialog_->setJobSink(sink_.get());
    } else if (printer_->isQueue()) {
        jobs_ = std::make_unique<QueueJobs>(options_.server, *printer_, options_.document);
        dialog_->setJobSink(jobs_.get());
    }
    dialog_->setPrinter(printer_->ppdPath());
    SetControl32BitValue(printerPopup_, static_cast<SInt32>(index + 1));
    startPane();
    if (options_.heldJob != nullptr && view_ != nullptr) {
        // A held job's queue prints only with its codes: its window does not offer accounting
        // off (shown only while it is the mode the remembered settings had).
        view_->refresh();
        view_->withholdItem(PlatformHost::findControl(dialog_->window(), kModePopupID), 1);
    }
    // A queue the server could not give a PPD for shows no pane: the window says why. A held
    // job's window says from the start that its queue prints only with the codes.
    setStatus(printer_->ppdPath().empty() && !printer_->problem().empty()
                  ? hostText("No accounting for %1: %2", {printer_->name(), printer_->problem()})
              : options_.heldJob != nullptr ? needsCodesLine(options_.heldJob->job)
                                            : std::string());
}

} // namespace window
