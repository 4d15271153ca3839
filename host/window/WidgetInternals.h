// What the files of a WidgetView share: the views alive, the guards that mark the view's own
// changes to its widgets and the field whose edit it is passing on, and the C callbacks GTK calls.
#pragma once

#include "host/window/WidgetView.h"

#include <gtk/gtk.h>

#include <set>

// The views alive now, each the view of one platform window.
inline std::set<WidgetView*>& liveViews() {
    static std::set<WidgetView*> views;
    return views;
}

inline bool isEditKind(PlatformHost::ControlKind kind) {
    return kind == PlatformHost::ControlKind::EditText ||
           kind == PlatformHost::ControlKind::PasswordEditText;
}

// The key codes of the platform's deleting keys.
enum : UInt16 { kBackspace = 8, kDelete = 127 };

// Counts the view's own changes to its widgets, however the scope is left.
class Updating {
  public:
    explicit Updating(int& count) : count_(count) { ++count_; }
    ~Updating() { --count_; }
    Updating(const Updating&) = delete;
    Updating& operator=(const Updating&) = delete;

  private:
    int& count_;
};

// Marks the field whose edit the view is passing to the platform, however the scope is left.
class Routing {
  public:
    Routing(ControlRef& routing, ControlRef field) : routing_(routing), saved_(routing) {
        routing_ = field;
    }
    ~Routing() { routing_ = saved_; }
    Routing(const Routing&) = delete;
    Routing& operator=(const Routing&) = delete;

  private:
    ControlRef& routing_;
    ControlRef saved_;
};

// The C callbacks GTK calls, each handing on to its view (widget_input.cpp).
struct WidgetCallbacks {
    static void clicked(GtkButton*, gpointer data);
    static void toggled(GtkToggleButton*, gpointer data);
    static void changed(GtkComboBox*, gpointer data);
    static void insertText(GtkEditable*, const gchar* text, gint length, gint* position,
                           gpointer data);
    static void deleteText(GtkEditable*, gint start, gint end, gpointer data);
    static void selectionMoved(GObject*, GParamSpec*, gpointer data);
    static gboolean focusIn(GtkWidget*, GdkEvent*, gpointer data);
    static gboolean drawPicture(GtkWidget*, cairo_t* cr, gpointer data);
    static gboolean keyPress(GtkWidget*, GdkEventKey* key, gpointer data);
    static void afterPaint(GdkFrameClock*, gpointer data);
    static void realize(GtkWidget* widget, gpointer data);
    static void allocated(GtkWidget*, GdkRectangle*, gpointer data);
    static gboolean deleteEvent(GtkWidget*, GdkEvent*, gpointer data);
};
