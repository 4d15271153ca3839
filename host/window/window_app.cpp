#include "host/window/WindowApp.h"

#include "host/HostText.h"
#include "host/PaneDriver.h"
#include "host/PlugInHost.h"
#include "host/PrintDialog.h"
#include "host/ShownCodes.h"
#include "host/ShownText.h"
#include "host/printing/JobAccounting.h"
#include "host/printing/Passwords.h"
#include "host/printing/Printer.h"
#include "host/printing/PrinterName.h"
#include "host/printing/QueueJobs.h"
#include "host/remember/RememberedSettings.h"
#include "host/window/PasswordDialog.h"
#include "host/window/WidgetView.h"

#include <PlatformHost.h>

#include <glib-unix.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <memory>
#include <sys/stat.h>

namespace {

constexpr OSType kHostSignature = 'host';
constexpr SInt32 kPrinterPopupID = 1;
constexpr SInt32 kStatusLineID = 2;
constexpr SInt32 kCancelButtonID = 2; // the dialog's Cancel button carries 'prnt' and 2

void say(const std::string& line) {
    std::cout << oneLine(line) << std::endl;
}

std::string nameOf(const std::string& printer) {
    PrinterName name;
    return parsePrinterName(printer, BareWord::PPDFile, &name) ? name.shortName() : printer;
}

class WindowApp : private PasswordSource {
  public:
    explicit WindowApp(const WindowOptions& options) : options_(options) {}
    int run();

  private:
    // The server asks for a password: a dialog over the window, the password masked.
    bool password(const std::string& user, const std::string& server, int attempt,
                  std::string* out) override;
    bool load();
    void recall();
    void remember();
    void addHostControls();
    void startPane();
    void switchPrinter(size_t index);
    void print();
    void quit();
    void cancelled();
    void stopped();
    void afterAction();
    void reportPaste(ControlRef field, int passed, int keys);
    void present();
    void setStatus(const std::string& text);
    void writeLayout();
    void snapshot();
    bool modalStep(WindowRef window);
    WidgetView* modalView(WindowRef window);
    bool hostClick(ControlRef control, SInt32 item);
    std::string ticketLine();
    void showMessage(GtkMessageType type, const std::string& title, const std::string& text);

    const WindowOptions& options_;
    std::vector<std::string> printers_;
    std::unique_ptr<PlugInHost> plugIn_;
    CFBundleRef helpBundle_ = nullptr;
    std::unique_ptr<Printer> printer_;
    std::unique_ptr<QueueJobs> jobs_;
    std::unique_ptr<PrintDialog> dialog_;
    std::unique_ptr<PaneDriver> pane_;
    std::unique_ptr<WidgetView> view_;
    std::map<WindowRef, std::unique_ptr<WidgetView>> modal_;
    bool modalClosed_ = false;
    ControlRef printerPopup_ = nullptr;
    ControlRef statusLine_ = nullptr;
    bool quitting_ = false;
    size_t beeps_ = 0, alerts_ = 0, notices_ = 0, helps_ = 0;
    int snapshots_ = 0;
    std::string rememberedPath_;           // empty: nothing is remembered
    std::unique_ptr<SecretStore> keyring_; // null: concealed codes are not remembered
    std::string recallProblem_;            // for the status line once the window is up
    std::string layoutWritten_;            // what the layout file holds
    HeldJobRelease* release_ = nullptr;    // the held job's sink, when the window serves one
    std::unique_ptr<JobSink> sink_;
    void endHeldJob(HeldJobWindow::Result result, const std::string& line);
    void watchHeldJob();
};

WindowApp* gApp = nullptr;

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
    // A queue the server could not give a PPD for shows no pane: the window says why. A held
    // job's window says from the start that its queue prints only with the codes.
    setStatus(printer_->ppdPath().empty() && !printer_->problem().empty()
                  ? hostText("No accounting for %1: %2", {printer_->name(), printer_->problem()})
              : options_.heldJob != nullptr ? needsCodesLine(options_.heldJob->job)
                                            : std::string());
}

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

void WindowApp::quit() {
    if (!quitting_) {
        quitting_ = true;
        gtk_main_quit();
    }
}

bool WindowApp::hostClick(ControlRef control, SInt32 item) {
    if (control == dialog_->printButton()) {
        print();
        return true;
    }
    ControlID id = {0, 0};
    GetControlID(control, &id);
    if (id.signature == 'prnt' && id.id == kCancelButtonID) {
        say("cancel: the dialog closes");
        cancelled();
        return true;
    }
    if (control == printerPopup_) {
        if (item >= 1 && static_cast<size_t>(item) <= printers_.size()) {
            switchPrinter(static_cast<size_t>(item - 1));
        }
        return true;
    }
    return false;
}

void WindowApp::setStatus(const std::string& text) {
    PlatformHost::setControlTitle(statusLine_, text);
    if (!text.empty()) {
        say("status: " + text);
    }
    if (view_ != nullptr) {
        view_->refresh();
    }
}

void WindowApp::showMessage(GtkMessageType type, const std::string& title,
                            const std::string& text) {
    GtkWidget* message = gtk_message_dialog_new(view_->gtkWindow(), GTK_DIALOG_MODAL, type,
                                                GTK_BUTTONS_OK, "%s", title.c_str());
    if (!text.empty()) {
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(message), "%s", text.c_str());
    }
    gtk_window_set_title(GTK_WINDOW(message), title.c_str());
    gtk_dialog_run(GTK_DIALOG(message));
    gtk_widget_destroy(message);
    say("dismissed: " + title);
}

// What the platform showed the user since the last action, shown for real: the bell, alerts,
// notices, help pages.
void WindowApp::present() {
    // One ring for an action, however many of its keys were refused (a paste, say).
    auto beeps = static_cast<size_t>(PlatformHost::beeps());
    if (beeps > beeps_) {
        gdk_display_beep(gdk_display_get_default());
        say("bell: " + std::to_string(beeps - beeps_) + " key(s) refused");
        beeps_ = beeps;
    }
    std::vector<PlatformHost::Alert> alerts = PlatformHost::alerts();
    while (alerts_ < alerts.size()) {
        const PlatformHost::Alert& alert = alerts[alerts_++];
        say("alert: " + alert.message);
        showMessage(GTK_MESSAGE_ERROR, alert.message, alert.explanation);
    }
    std::vector<PlatformHost::Notice> notices = PlatformHost::notices();
    while (notices_ < notices.size()) {
        const PlatformHost::Notice& notice = notices[notices_++];
        say("notice: " + notice.title + ": " + notice.message);
        showMessage(GTK_MESSAGE_WARNING, notice.title, notice.message);
    }
    std::vector<PlatformHost::HelpRequest> helps = PlatformHost::helpRequests();
    while (helps_ < helps.size()) {
        const PlatformHost::HelpRequest& help = helps[helps_++];
        if (help.file.empty()) {
            setStatus(hostText("Help: no help page (%1)", {std::to_string(help.status)}));
            continue;
        }
        gchar* opener = g_find_program_in_path("xdg-open");
        if (opener == nullptr) {
            setStatus(hostText("Help: the page is %1", {help.file}));
            continue;
        }
        gchar* argv[] = {opener, const_cast<gchar*>(help.file.c_str()), nullptr};
        GError* failure = nullptr;
        if (g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr,
                          &failure)) {
            setStatus(hostText("Help: opened %1", {help.file}));
        } else {
            setStatus(hostText("Help: the page is %1", {help.file}));
            g_clear_error(&failure);
        }
        g_free(opener);
    }
}

void WindowApp::reportPaste(ControlRef field, int passed, int keys) {
    PlatformHost::ControlState s;
    PlatformHost::controlState(field, &s);
    say("paste: " + std::to_string(passed) + " of " + std::to_string(keys) +
        " key(s) let through; field " + std::to_string(s.id.id) + " holds " +
        std::to_string(s.text.size()) + " bytes");
}

void WindowApp::afterAction() {
    present();
}

// Where every visible control is, for whoever drives the window from outside (the tests):
// "WINDOW ID LEFT TOP WIDTH HEIGHT", WINDOW being "dialog" or a prompt's nib name.
void WindowApp::writeLayout() {
    if (options_.layoutFile.empty()) {
        return;
    }
    std::string text;
    auto describe = [&](const WidgetView& view, const std::string& name) {
        for (ControlRef control : PlatformHost::controlsOf(view.window())) {
            PlatformHost::ControlState s;
            Rect where;
            if (!PlatformHost::controlState(control, &s) ||
                !PlatformHost::visibleInWindow(control) || !view.placement(control, &where)) {
                continue;
            }
            std::string id = s.id.signature == 'QRVa'            ? std::to_string(s.id.id)
                             : control == printerPopup_          ? "printer"
                             : control == dialog_->printButton() ? "print"
                             : s.id.signature == 'prnt' && s.id.id == kCancelButtonID ? "cancel"
                                                                                      : "";
            if (id.empty()) {
                continue;
            }
            text += name + " " + id + " " + std::to_string(where.left) + " " +
                    std::to_string(where.top) + " " + std::to_string(where.right - where.left) +
                    " " + std::to_string(where.bottom - where.top) + "\n";
        }
    };
    if (view_ != nullptr) {
        describe(*view_, "dialog");
    }
    for (const auto& [window, view] : modal_) {
        describe(*view, PlatformHost::windowName(window));
    }
    if (text == layoutWritten_) {
        return;
    }
    layoutWritten_ = text;
    std::string temporary = options_.layoutFile + ".new";
    FILE* file = std::fopen(temporary.c_str(), "w");
    if (file == nullptr) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    std::rename(temporary.c_str(), options_.layoutFile.c_str());
}

// The window as the window system shows it (the prompt's, while it is open).
void WindowApp::snapshot() {
    ++snapshots_;
    mkdir(options_.outDir.c_str(), 0755);
    WidgetView& view = modal_.empty() ? *view_ : *modal_.begin()->second;
    while (gtk_events_pending()) {
        gtk_main_iteration();
    }
    std::string error;
    std::string screen =
        options_.outDir + "/snapshot-" + std::to_string(snapshots_) + "-window.png";
    if (!view.snapshot(screen, &error)) {
        say("snapshot: " + error);
        return;
    }
    say("snapshot: " + screen);
}

WidgetView* WindowApp::modalView(WindowRef window) {
    auto found = modal_.find(window);
    if (found != modal_.end()) {
        return found->second.get();
    }
    WidgetView::Hooks hooks;
    hooks.afterAction = [this] { afterAction(); };
    hooks.laidOut = [this] { writeLayout(); };
    hooks.inserted = [this](ControlRef field, int passed, int keys) {
        reportPaste(field, passed, keys);
    };
    hooks.closeRequested = [this, window] {
        // Closing the prompt is its Cancel.
        ControlRef cancel = PlatformHost::findControl(window, 1001);
        if (cancel != nullptr) {
            PlatformHost::click(cancel);
        }
        modalClosed_ = true;
    };
    auto view = std::make_unique<WidgetView>(window, view_->gtkWindow(), std::move(hooks));
    WidgetView* made = view.get();
    modal_[window] = std::move(view);
    say("window: " + PlatformHost::windowName(window) + " opened");
    writeLayout();
    return made;
}

// One user action in a modal window: what the platform's modal loop waits for.
bool WindowApp::modalStep(WindowRef window) {
    if (quitting_) {
        return false;
    }
    WidgetView* view = modalView(window);
    long before = view->actions();
    modalClosed_ = false;
    while (!quitting_ && !modalClosed_ && view->actions() == before) {
        gtk_main_iteration();
    }
    return !quitting_;
}

bool WindowApp::password(const std::string& user, const std::string& server, int attempt,
                         std::string* out) {
    return askPassword(view_ != nullptr ? view_->gtkWindow() : nullptr, user, server, attempt, out);
}

int WindowApp::run() {
    long liveAtStart = PlatformHost::liveObjectCount();
    PasswordScope passwords(this);
    PlatformHost::clearUserRecords();
    if (!load()) {
        return 2;
    }
    WidgetView::Hooks hooks;
    hooks.hostClick = [this](ControlRef control, SInt32 item) { return hostClick(control, item); };
    hooks.afterAction = [this] { afterAction(); };
    hooks.laidOut = [this] { writeLayout(); };
    hooks.closeRequested = [this] {
        say("cancel: the dialog closes");
        cancelled();
    };
    hooks.inserted = [this](ControlRef field, int passed, int keys) {
        reportPaste(field, passed, keys);
    };
    // The widgets follow what the pane sets, in the dialog and in the prompt.
    PlatformHost::ScopedControlObserver observer(&WidgetView::controlChanged);
    view_ = std::make_unique<WidgetView>(dialog_->window(), nullptr, std::move(hooks));
    // The status line is announced when it changes.
    if (GtkWidget* status = view_->widgetOf(statusLine_)) {
        atk_object_set_role(gtk_widget_get_accessible(status), ATK_ROLE_STATUSBAR);
    }
    PlatformHost::ScopedModalEventSource modalSource(
        [this](WindowRef window) { return modalStep(window); });
    switchPrinter(0);
    view_->focusFirst();
    if (!recallProblem_.empty()) {
        setStatus(recallProblem_);
    }
    writeLayout();
    say("window: dialog opened");
    gApp = this;
    guint usr1 = g_unix_signal_add(
        SIGUSR1,
        [](gpointer) -> gboolean {
            gApp->snapshot();
            return G_SOURCE_CONTINUE;
        },
        nullptr);
    guint term = g_unix_signal_add(
        SIGTERM,
        [](gpointer) -> gboolean {
            gApp->stopped();
            return G_SOURCE_CONTINUE;
        },
        nullptr);
    guint watch = 0;
    if (options_.heldJob != nullptr) {
        say("window: for job " + std::to_string(options_.heldJob->job.id) + " on " +
            options_.heldJob->job.queue);
        watch = g_timeout_add_seconds(
            1,
            [](gpointer) -> gboolean {
                gApp->watchHeldJob();
                return G_SOURCE_CONTINUE;
            },
            nullptr);
    }
    gtk_main();
    if (watch != 0) {
        g_source_remove(watch);
    }
    g_source_remove(usr1);
    g_source_remove(term);
    gApp = nullptr;

    std::vector<double> latencies = view_->keyLatencies();
    pane_->stop(PaneDriver::Settings::Drop);
    pane_.reset();
    modal_.clear();
    view_.reset();
    dialog_->setJobSink(nullptr);
    dialog_.reset();
    jobs_.reset();
    sink_.reset();
    release_ = nullptr;
    printer_.reset();
    plugIn_.reset();
    if (helpBundle_ != nullptr) {
        CFRelease(helpBundle_);
    }
    PlatformHost::unloadUnusedPlugIns();
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        char line[160];
        std::snprintf(line, sizeof line, "keys: %zu, key to frame median %.2f ms, p95 %.2f ms",
                      latencies.size(), latencies[latencies.size() / 2],
                      latencies[std::min(latencies.size() - 1, latencies.size() * 95 / 100)]);
        say(line);
    }
    if (PlatformHost::liveObjectCount() != liveAtStart) {
        say("FAIL platform objects still alive: " + PlatformHost::liveObjectReport());
        return 1;
    }
    return 0;
}

} // namespace

int runWindow(const WindowOptions& options) {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) {
        std::cerr << "printdialog: no display for --window (DISPLAY and WAYLAND_DISPLAY are "
                     "not set)\n";
        return 2;
    }
    if (!gtk_init_check(nullptr, nullptr)) {
        std::cerr << "printdialog: cannot open the display "
                  << (x11 != nullptr && *x11 != '\0' ? x11 : wayland) << " for --window\n";
        return 2;
    }
    WindowApp app(options);
    return app.run();
}
