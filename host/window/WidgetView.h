// A real window on the desktop made of GTK's own widgets: one widget for each control of a
// platform window, at the control's bounds. The platform stays the single truth of every control:
// what the pane sets reaches the widgets through the control observer, and what the user does
// goes to the platform first, through its own calls (a click, each inserted character through
// the field's key filter, a selection), before the widgets show the outcome.
#pragma once

#include <Carbon/Carbon.h>
#include <PlatformHost.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkWindow GtkWindow;
struct WidgetItem;

// How a view's window presents itself beyond its controls.
struct WidgetPresentation {
    // A line above the controls saying what the window is for ("“Report” on quorv-held"), which
    // also describes the window to a screen reader; none when empty.
    std::string heading;
    // A dialog (type and role) though it stands over no window of the program's.
    bool dialog = false;
};

class WidgetView {
  public:
    struct Hooks {
        // A click on a control the host handles itself (Print, Cancel, a popup of its own);
        // true when it did. A popup's choice comes with its item number, otherwise 0.
        std::function<bool(ControlRef control, SInt32 item)> hostClick;
        // After every action the view passed to the platform.
        std::function<void()> afterAction;
        // The user closed the window (its close button or Escape).
        std::function<void()> closeRequested;
        // More than one character was inserted at once (a paste, a drop, an input method's
        // commit): how many of its keys the key filter let through.
        std::function<void(ControlRef field, int passed, int keys)> inserted;
        // GTK placed the widgets anew (they moved, grew, showed or hid).
        std::function<void()> laidOut;
    };

    using Presentation = WidgetPresentation;

    // parent: the window a modal view stands over, null for the dialog itself.
    WidgetView(WindowRef window, GtkWindow* parent, Hooks hooks,
               const Presentation& presentation = Presentation());
    ~WidgetView();
    WidgetView(const WidgetView&) = delete;
    WidgetView& operator=(const WidgetView&) = delete;

    WindowRef window() const { return window_; }
    GtkWindow* gtkWindow() const { return gtkWindow_; }
    // Reads every control again: new ones get their widgets, gone ones lose them.
    void refresh();
    // How many actions the user has made in this view.
    long actions() const { return actions_; }
    // The keyboard goes to the platform's focused control, else to the first in Tab order.
    void focusFirst();
    // The popup does not offer the item (1-based) to be chosen, though it shows it while it
    // is the chosen one.
    void withholdItem(ControlRef popup, SInt32 item);
    // The control's widget, null when it has none (a plain user pane, a control not shown).
    GtkWidget* widgetOf(ControlRef control) const;
    // Where the control's widget is in the window now; false when it is not shown.
    bool placement(ControlRef control, Rect* where) const;
    // What the control's widget needs to show all it holds at its width now: the least width,
    // and the height at that width. False when it is not shown.
    bool needs(ControlRef control, int* width, int* height) const;
    // The pixels the window system shows, read back from it, as a PNG.
    bool snapshot(const std::string& path, std::string* error);
    // Milliseconds from each key press to the end of the next frame GTK painted.
    const std::vector<double>& keyLatencies() const { return latencies_; }

    // What the platform said of a control: the view of its window follows it.
    static void controlChanged(ControlRef control, PlatformHost::ControlChange change);

    using Item = WidgetItem;

  private:
    friend struct WidgetCallbacks;
    Item* itemFor(ControlRef control) const;
    Item* make(ControlRef control, const PlatformHost::ControlState& state);
    void remove(ControlRef control);
    void sync(Item* item, const PlatformHost::ControlState& state);
    void syncText(Item* item, const PlatformHost::ControlState& state);
    void syncSelection(Item* item, const PlatformHost::ControlState& state);
    void syncFocus();
    // A radio button of the group that the view shows, other than besides; null for none.
    GtkWidget* radioOf(ControlRef group, const Item* besides) const;
    // Places every shown widget at its natural size, in the nib's order (widget_layout.cpp).
    void layOut();
    void nameFields();
    void orderFocus();

    void clicked(Item* item);
    void press(Item* item, SInt32 chosenItem);
    void toggled(Item* item);
    void chosen(Item* item);
    void insert(Item* item, const char* text, int length, int* position);
    void erase(Item* item, int start, int end);
    void selectionMoved(Item* item);
    void focused(Item* item);
    void acted();
    void settle();
    void markDefaultButton();

    WindowRef window_;
    GtkWindow* gtkWindow_ = nullptr;
    GtkWidget* fixed_ = nullptr;
    GtkWidget* heading_ = nullptr; // the line above the controls, if any
    Hooks hooks_;
    long actions_ = 0;
    int updating_ = 0; // while the view sets its widgets from the platform, they report nothing
    ControlRef routing_ = nullptr; // the field whose edit the view is passing to the platform
    std::map<ControlRef, std::unique_ptr<Item>> items_;
    std::vector<ControlRef> order_; // the platform's control order, for the focus chain
    bool chainSet_ = false;
    std::map<ControlRef, GtkWidget*> noneRadios_; // by radio group: on when none of it is
    std::vector<int64_t> pendingKeys_;            // monotonic times (µs) of keys not yet shown
    std::vector<double> latencies_;
};
