// A real window on the desktop (GTK) that shows one window of the platform and passes the
// user's mouse and keyboard to it. The platform stays the single truth of every control: the
// view draws the port the platform's renderer filled, and every action goes through the
// platform's own calls (a hit, a key through the field's key filter, a selection).
#pragma once

#include <Carbon/Carbon.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkWindow GtkWindow;
typedef struct _GtkIMContext GtkIMContext;
typedef union _GdkEvent GdkEvent;

class PlatformView {
  public:
    struct Hooks {
        // A click on a control the host handles itself (Print, Cancel, a popup of its own);
        // true when it did. A popup's choice comes with its item number, otherwise 0.
        std::function<bool(ControlRef control, SInt32 item)> hostClick;
        // After every action the view passed to the platform.
        std::function<void()> afterAction;
        // The user closed the window.
        std::function<void()> closeRequested;
        // A paste was typed into the field: how many of its keys the key filter let through.
        std::function<void(ControlRef field, int passed, int keys)> pasted;
    };

    // parent: the window a modal view stands over, null for the dialog itself.
    PlatformView(WindowRef window, GtkWindow* parent, Hooks hooks);
    ~PlatformView();
    PlatformView(const PlatformView&) = delete;
    PlatformView& operator=(const PlatformView&) = delete;

    WindowRef window() const { return window_; }
    GtkWindow* gtkWindow() const { return gtkWindow_; }
    // Renders the platform window and shows it.
    void refresh();
    // How many actions the user has made in this view.
    long actions() const { return actions_; }
    // The pixels the window system shows, read back from it, as a PNG.
    bool snapshot(const std::string& path, std::string* error);

    // Milliseconds from each key event to the end of the frame that showed its effect.
    const std::vector<double>& keyLatencies() const { return latencies_; }

  private:
    friend struct ViewCallbacks;
    bool onButtonPress(GdkEvent* event);
    bool onButtonRelease(GdkEvent* event);
    bool onMotion(GdkEvent* event);
    bool onKeyPress(GdkEvent* event);
    bool onKeyRelease(GdkEvent* event);
    void onCommit(const char* text);
    void onDrawn();

    void click(ControlRef control, SInt32 item = 0);
    void popUp(ControlRef popup, GdkEvent* event);
    // Returns how many keys the field let through, of how many.
    std::pair<int, int> typeText(ControlRef field, const std::string& text);
    bool typeUnit(ControlRef field, UInt16 unit);
    void paste(ControlRef field, bool primary);
    void moveFocus(bool backwards);
    ControlRef focusedField() const;
    void acted();

    WindowRef window_;
    GtkWindow* gtkWindow_ = nullptr;
    GtkWidget* area_ = nullptr;
    GtkIMContext* im_ = nullptr;
    Hooks hooks_;
    long actions_ = 0;
    ControlRef dragField_ = nullptr;
    size_t dragAnchor_ = 0;
    std::vector<int64_t> pendingKeys_; // monotonic times (µs) of keys not yet shown
    std::vector<double> latencies_;
};
