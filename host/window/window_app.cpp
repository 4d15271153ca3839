#include "host/window/WindowAppInternals.h"

namespace window {

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
    PlatformHost::ControlState shown;
    if (!text.empty() && PlatformHost::controlState(statusLine_, &shown) && shown.title == text) {
        // The same result again is announced again: a screen reader hears a change.
        PlatformHost::setControlTitle(statusLine_, "");
    }
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
    runAlert(view_->gtkWindow(), type, std::string(), title, text);
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
    // A held job's window says which job it is for, above the controls.
    WidgetView::Presentation look;
    if (options_.heldJob != nullptr) {
        look.heading = hostText(
            "“%1” on %2", {shownName(options_.heldJob->job), shownQueue(options_.heldJob->job)});
    }
    view_ = std::make_unique<WidgetView>(dialog_->window(), nullptr, std::move(hooks), look);
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
    // The signals are taken before the window says it is open: whoever waits for that may send
    // them at once.
    guint usr1 = g_unix_signal_add(
        SIGUSR1,
        [](gpointer app) -> gboolean {
            static_cast<WindowApp*>(app)->snapshot();
            return G_SOURCE_CONTINUE;
        },
        this);
    guint term = g_unix_signal_add(
        SIGTERM,
        [](gpointer app) -> gboolean {
            static_cast<WindowApp*>(app)->stopped();
            return G_SOURCE_CONTINUE;
        },
        this);
    say("window: dialog opened");
    guint watch = 0;
    if (options_.heldJob != nullptr) {
        say("window: for job " + std::to_string(options_.heldJob->job.id) + " on " +
            options_.heldJob->job.queue);
        watch = g_timeout_add_seconds(
            1,
            [](gpointer app) -> gboolean {
                static_cast<WindowApp*>(app)->watchHeldJob();
                return G_SOURCE_CONTINUE;
            },
            this);
    }
    gtk_main();
    if (watch != 0) {
        g_source_remove(watch);
    }
    g_source_remove(usr1);
    g_source_remove(term);

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

} // namespace window

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
    window::WindowApp app(options);
    return app.run();
}
