// The prompt's windows over the dialog, the layout file the tests drive the window by, and
// snapshots.
#include "host/window/WindowAppInternals.h"

namespace window {

// Where every visible control is, for whoever drives the window from outside (the tests):
// "WINDOW ID LEFT TOP WIDTH HEIGHT LEAST-WIDTH NEEDED-HEIGHT", WINDOW being "dialog" or a
// prompt's nib name, the last two what the widget needs to show all it holds.
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
            int width = 0, height = 0;
            view.needs(control, &width, &height);
            text += name + " " + id + " " + std::to_string(where.left) + " " +
                    std::to_string(where.top) + " " + std::to_string(where.right - where.left) +
                    " " + std::to_string(where.bottom - where.top) + " " + std::to_string(width) +
                    " " + std::to_string(height) + "\n";
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

} // namespace window
