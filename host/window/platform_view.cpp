#include "host/window/PlatformView.h"

#include <PlatformHost.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <set>

namespace {

// The views alive now: a clipboard answer may come after its view has gone.
std::set<PlatformView*>& liveViews() {
    static std::set<PlatformView*> views;
    return views;
}

bool isEditField(ControlRef control) {
    PlatformHost::ControlState s;
    return PlatformHost::controlState(control, &s) &&
           (s.kind == PlatformHost::ControlKind::EditText ||
            s.kind == PlatformHost::ControlKind::PasswordEditText);
}

PlatformHost::ControlKind kindOf(ControlRef control) {
    PlatformHost::ControlState s;
    PlatformHost::controlState(control, &s);
    return s.kind;
}

// The key codes of the platform's editing keys.
enum : UInt16 { kBackspace = 8, kLeft = 28, kRight = 29, kUp = 30, kDown = 31, kDelete = 127 };

} // namespace

// The C callbacks GTK calls, each handing on to its view.
struct ViewCallbacks {
    static gboolean draw(GtkWidget*, cairo_t* cr, gpointer data) {
        auto* view = static_cast<PlatformView*>(data);
        cairo_surface_t* port = PlatformHost::portSurface(view->window_);
        if (port != nullptr) {
            cairo_set_source_surface(cr, port, 0, 0);
            cairo_paint(cr);
        }
        view->onDrawn();
        return TRUE;
    }
    static gboolean buttonPress(GtkWidget*, GdkEvent* event, gpointer data) {
        return static_cast<PlatformView*>(data)->onButtonPress(event);
    }
    static gboolean buttonRelease(GtkWidget*, GdkEvent* event, gpointer data) {
        return static_cast<PlatformView*>(data)->onButtonRelease(event);
    }
    static gboolean motion(GtkWidget*, GdkEvent* event, gpointer data) {
        return static_cast<PlatformView*>(data)->onMotion(event);
    }
    static gboolean keyPress(GtkWidget*, GdkEvent* event, gpointer data) {
        return static_cast<PlatformView*>(data)->onKeyPress(event);
    }
    static gboolean keyRelease(GtkWidget*, GdkEvent* event, gpointer data) {
        return static_cast<PlatformView*>(data)->onKeyRelease(event);
    }
    static void commit(GtkIMContext*, const gchar* text, gpointer data) {
        static_cast<PlatformView*>(data)->onCommit(text);
    }
    static void realize(GtkWidget* widget, gpointer data) {
        gtk_im_context_set_client_window(static_cast<PlatformView*>(data)->im_,
                                         gtk_widget_get_window(widget));
    }
    static gboolean deleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
        auto* view = static_cast<PlatformView*>(data);
        if (view->hooks_.closeRequested) {
            view->hooks_.closeRequested();
        }
        return TRUE; // the host decides when the window goes
    }
    struct Choice {
        PlatformView* view;
        ControlRef popup;
        SInt32 item;
    };
    static void chosen(GtkMenuItem*, gpointer data) {
        auto* choice = static_cast<Choice*>(data);
        if (liveViews().count(choice->view) != 0) {
            choice->view->click(choice->popup, choice->item);
        }
    }
    static void freeChoice(gpointer data, GClosure*) { delete static_cast<Choice*>(data); }
    static void menuClosed(GtkMenuShell* menu, gpointer) {
        g_idle_add(
            [](gpointer widget) -> gboolean {
                gtk_widget_destroy(static_cast<GtkWidget*>(widget));
                return G_SOURCE_REMOVE;
            },
            menu);
    }
    struct Paste {
        PlatformView* view;
        ControlRef field;
    };
    static void pasted(GtkClipboard*, const gchar* text, gpointer data) {
        auto* paste = static_cast<Paste*>(data);
        if (text != nullptr && liveViews().count(paste->view) != 0) {
            auto [passed, keys] = paste->view->typeText(paste->field, text);
            if (paste->view->hooks_.pasted) {
                paste->view->hooks_.pasted(paste->field, passed, keys);
            }
            paste->view->acted();
        }
        delete paste;
    }
};

PlatformView::PlatformView(WindowRef window, GtkWindow* parent, Hooks hooks)
    : window_(window), hooks_(std::move(hooks)) {
    liveViews().insert(this);
    Rect bounds = {0, 0, 0, 0};
    GetWindowPortBounds(window, &bounds);
    gtkWindow_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    gtk_window_set_title(gtkWindow_, PlatformHost::windowName(window).c_str());
    gtk_window_set_resizable(gtkWindow_, FALSE);
    if (parent != nullptr) {
        gtk_window_set_transient_for(gtkWindow_, parent);
        gtk_window_set_modal(gtkWindow_, TRUE);
        gtk_window_set_position(gtkWindow_, GTK_WIN_POS_CENTER_ON_PARENT);
    }
    area_ = gtk_drawing_area_new();
    gtk_widget_set_size_request(area_, bounds.right - bounds.left, bounds.bottom - bounds.top);
    gtk_widget_set_can_focus(area_, TRUE);
    gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                     GDK_BUTTON1_MOTION_MASK | GDK_KEY_PRESS_MASK |
                                     GDK_KEY_RELEASE_MASK);
    gtk_container_add(GTK_CONTAINER(gtkWindow_), area_);
    im_ = gtk_im_multicontext_new();
    g_signal_connect(im_, "commit", G_CALLBACK(ViewCallbacks::commit), this);
    g_signal_connect(area_, "realize", G_CALLBACK(ViewCallbacks::realize), this);
    g_signal_connect(area_, "draw", G_CALLBACK(ViewCallbacks::draw), this);
    g_signal_connect(area_, "button-press-event", G_CALLBACK(ViewCallbacks::buttonPress), this);
    g_signal_connect(area_, "button-release-event", G_CALLBACK(ViewCallbacks::buttonRelease), this);
    g_signal_connect(area_, "motion-notify-event", G_CALLBACK(ViewCallbacks::motion), this);
    g_signal_connect(area_, "key-press-event", G_CALLBACK(ViewCallbacks::keyPress), this);
    g_signal_connect(area_, "key-release-event", G_CALLBACK(ViewCallbacks::keyRelease), this);
    g_signal_connect(gtkWindow_, "delete-event", G_CALLBACK(ViewCallbacks::deleteEvent), this);
    refresh();
    gtk_widget_show_all(GTK_WIDGET(gtkWindow_));
    gtk_widget_grab_focus(area_);
    gtk_im_context_focus_in(im_);
}

PlatformView::~PlatformView() {
    liveViews().erase(this);
    gtk_im_context_set_client_window(im_, nullptr);
    g_object_unref(im_);
    gtk_widget_destroy(GTK_WIDGET(gtkWindow_));
}

void PlatformView::refresh() {
    PlatformHost::renderWindow(window_);
    gtk_widget_queue_draw(area_);
    // What a key did shows at once, not at the frame clock's next tick, up to a frame later.
    if (!pendingKeys_.empty()) {
        if (GdkWindow* gdkWindow = gtk_widget_get_window(area_)) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
            gdk_window_process_updates(gdkWindow, FALSE);
#pragma GCC diagnostic pop
            gdk_display_flush(gdk_window_get_display(gdkWindow));
        }
    }
    // Input methods place their candidate window at the caret.
    if (ControlRef field = focusedField()) {
        PlatformHost::ControlState s;
        PlatformHost::controlState(field, &s);
        GdkRectangle caret = {s.bounds.left, s.bounds.top, 1, s.bounds.bottom - s.bounds.top};
        gtk_im_context_set_cursor_location(im_, &caret);
    }
}

bool PlatformView::snapshot(const std::string& path, std::string* error) {
    GdkWindow* gdkWindow = gtk_widget_get_window(area_);
    if (gdkWindow == nullptr) {
        *error = "the window is not on the screen";
        return false;
    }
    // Everything drawn so far has reached the window system.
    gdk_display_sync(gdk_window_get_display(gdkWindow));
    GdkPixbuf* pixels = gdk_pixbuf_get_from_window(gdkWindow, 0, 0, gdk_window_get_width(gdkWindow),
                                                   gdk_window_get_height(gdkWindow));
    if (pixels == nullptr) {
        *error = "the window system gave no pixels";
        return false;
    }
    GError* failure = nullptr;
    bool saved = gdk_pixbuf_save(pixels, path.c_str(), "png", &failure, nullptr);
    if (!saved) {
        *error = path + ": " + (failure != nullptr ? failure->message : "not written");
        g_clear_error(&failure);
    }
    g_object_unref(pixels);
    return saved;
}

void PlatformView::acted() {
    ++actions_;
    if (hooks_.afterAction) {
        hooks_.afterAction();
    }
    if (liveViews().count(this) != 0) {
        refresh();
    }
}

void PlatformView::onDrawn() {
    gint64 now = g_get_monotonic_time();
    for (int64_t pressed : pendingKeys_) {
        latencies_.push_back(static_cast<double>(now - pressed) / 1000.0);
    }
    pendingKeys_.clear();
}

ControlRef PlatformView::focusedField() const {
    ControlRef focus = nullptr;
    GetKeyboardFocus(window_, &focus);
    return focus;
}

void PlatformView::click(ControlRef control, SInt32 item) {
    if (hooks_.hostClick && hooks_.hostClick(control, item)) {
        if (liveViews().count(this) != 0) {
            acted();
        }
        return;
    }
    PlatformHost::click(control, item != 0 ? &item : nullptr);
    acted();
}

void PlatformView::popUp(ControlRef popup, GdkEvent* event) {
    PlatformHost::ControlState s;
    PlatformHost::controlState(popup, &s);
    GtkWidget* menu = gtk_menu_new();
    GtkWidget* current = nullptr;
    for (size_t i = 0; i < s.menuItems.size(); ++i) {
        if (i < s.hiddenItems.size() && s.hiddenItems[i]) {
            continue; // an item the platform hides can't be chosen
        }
        GtkWidget* item = gtk_menu_item_new_with_label(s.menuItems[i].c_str());
        auto* choice = new ViewCallbacks::Choice{this, popup, static_cast<SInt32>(i + 1)};
        g_signal_connect_data(item, "activate", G_CALLBACK(ViewCallbacks::chosen), choice,
                              ViewCallbacks::freeChoice, GConnectFlags(0));
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
        if (static_cast<SInt32>(i + 1) == s.value) {
            current = item;
        }
    }
    gtk_widget_show_all(menu);
    gtk_menu_attach_to_widget(GTK_MENU(menu), area_, nullptr);
    // A menu deactivates before its chosen item activates: it goes once that is done.
    g_signal_connect(menu, "deactivate", G_CALLBACK(ViewCallbacks::menuClosed), nullptr);
    GdkRectangle anchor = {s.bounds.left, s.bounds.top, s.bounds.right - s.bounds.left,
                           s.bounds.bottom - s.bounds.top};
    gtk_menu_popup_at_rect(GTK_MENU(menu), gtk_widget_get_window(area_), &anchor,
                           GDK_GRAVITY_SOUTH_WEST, GDK_GRAVITY_NORTH_WEST, event);
    // The current item is the highlighted one, so the arrow keys move on from it.
    if (current != nullptr) {
        gtk_menu_shell_select_item(GTK_MENU_SHELL(menu), current);
    }
}

bool PlatformView::onButtonPress(GdkEvent* event) {
    gtk_widget_grab_focus(area_);
    const GdkEventButton& b = event->button;
    if (b.type != GDK_BUTTON_PRESS) {
        return TRUE; // double and triple clicks come as plain presses too
    }
    int x = static_cast<int>(b.x), y = static_cast<int>(b.y);
    ControlRef control = PlatformHost::controlAt(window_, x, y);
    if (control == nullptr) {
        return TRUE;
    }
    if (isEditField(control)) {
        if (!PlatformHost::enabledInWindow(control)) {
            return TRUE;
        }
        SetKeyboardFocus(window_, control, kControlFocusNextPart);
        if (b.button == 2) {
            paste(control, true);
            return TRUE;
        }
        size_t at = PlatformHost::fieldOffsetAt(control, x);
        PlatformHost::setSelection(control, static_cast<SInt16>(at), static_cast<SInt16>(at));
        dragField_ = b.button == 1 ? control : nullptr;
        dragAnchor_ = at;
        acted();
        return TRUE;
    }
    if (b.button != 1) {
        return TRUE;
    }
    if (kindOf(control) == PlatformHost::ControlKind::PopupButton) {
        if (PlatformHost::enabledInWindow(control)) {
            popUp(control, event);
        }
        return TRUE;
    }
    click(control);
    return TRUE;
}

bool PlatformView::onButtonRelease(GdkEvent*) {
    dragField_ = nullptr;
    return TRUE;
}

bool PlatformView::onMotion(GdkEvent* event) {
    if (dragField_ == nullptr) {
        return TRUE;
    }
    size_t at = PlatformHost::fieldOffsetAt(dragField_, static_cast<int>(event->motion.x));
    PlatformHost::setSelection(dragField_, static_cast<SInt16>(dragAnchor_),
                               static_cast<SInt16>(at));
    refresh();
    return TRUE;
}

bool PlatformView::typeUnit(ControlRef field, UInt16 unit) {
    return field != nullptr && PlatformHost::typeKey(field, unit);
}

std::pair<int, int> PlatformView::typeText(ControlRef field, const std::string& text) {
    if (field == nullptr || !PlatformHost::enabledInWindow(field)) {
        return {0, 0};
    }
    // One key per UTF-16 unit, each through the field's key filter, as typing would be.
    glong count = 0;
    gunichar2* units =
        g_utf8_to_utf16(text.c_str(), static_cast<glong>(text.size()), nullptr, &count, nullptr);
    int passed = 0;
    for (glong i = 0; units != nullptr && i < count; ++i) {
        passed += typeUnit(field, units[i]) ? 1 : 0;
    }
    g_free(units);
    return {passed, static_cast<int>(count)};
}

void PlatformView::paste(ControlRef field, bool primary) {
    GtkClipboard* clipboard =
        gtk_clipboard_get(primary ? GDK_SELECTION_PRIMARY : GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_request_text(clipboard, ViewCallbacks::pasted,
                               new ViewCallbacks::Paste{this, field});
}

void PlatformView::moveFocus(bool backwards) {
    std::vector<ControlRef> fields;
    for (ControlRef control : PlatformHost::controlsOf(window_)) {
        if (isEditField(control) && PlatformHost::visibleInWindow(control) &&
            PlatformHost::enabledInWindow(control)) {
            fields.push_back(control);
        }
    }
    if (fields.empty()) {
        return;
    }
    auto at = std::find(fields.begin(), fields.end(), focusedField());
    size_t index =
        at == fields.end() ? (backwards ? fields.size() - 1 : 0)
        : backwards ? (static_cast<size_t>(at - fields.begin()) + fields.size() - 1) % fields.size()
                    : (static_cast<size_t>(at - fields.begin()) + 1) % fields.size();
    ControlRef next = fields[index];
    SetKeyboardFocus(window_, next, kControlFocusNextPart);
    // Tabbing into a field selects its text.
    PlatformHost::ControlState s;
    PlatformHost::controlState(next, &s);
    PlatformHost::setSelection(next, 0, static_cast<SInt16>(s.text.size()));
}

bool PlatformView::onKeyPress(GdkEvent* event) {
    const GdkEventKey& key = event->key;
    pendingKeys_.push_back(g_get_monotonic_time());
    ControlRef field = focusedField();
    bool control = (key.state & GDK_CONTROL_MASK) != 0;
    UInt16 editing = 0;
    switch (key.keyval) {
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
        moveFocus(key.keyval == GDK_KEY_ISO_Left_Tab || (key.state & GDK_SHIFT_MASK) != 0);
        acted();
        return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: {
        // The default button takes Return, where it can be pressed.
        ControlRef button = nullptr;
        GetWindowDefaultButton(window_, &button);
        if (button != nullptr && PlatformHost::visibleInWindow(button) &&
            PlatformHost::enabledInWindow(button)) {
            click(button);
        }
        return TRUE;
    }
    case GDK_KEY_Escape:
        if (hooks_.closeRequested) {
            hooks_.closeRequested();
        }
        return TRUE;
    case GDK_KEY_BackSpace:
        editing = kBackspace;
        break;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        editing = kDelete;
        break;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        editing = kLeft;
        break;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        editing = kRight;
        break;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        editing = kUp;
        break;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        editing = kDown;
        break;
    default:
        break;
    }
    if (editing != 0) {
        if (field != nullptr && PlatformHost::enabledInWindow(field)) {
            typeUnit(field, editing);
            acted();
        }
        return TRUE;
    }
    if (control && (key.keyval == GDK_KEY_v || key.keyval == GDK_KEY_V)) {
        if (field != nullptr) {
            paste(field, false);
        }
        return TRUE;
    }
    if (control && (key.keyval == GDK_KEY_a || key.keyval == GDK_KEY_A)) {
        if (field != nullptr) {
            PlatformHost::ControlState s;
            PlatformHost::controlState(field, &s);
            PlatformHost::setSelection(field, 0, static_cast<SInt16>(s.text.size()));
            acted();
        }
        return TRUE;
    }
    // Everything else is text: dead keys, compose and other scripts come through the input
    // method, a character at a time.
    if (gtk_im_context_filter_keypress(im_, &event->key)) {
        return TRUE;
    }
    pendingKeys_.pop_back();
    return FALSE;
}

bool PlatformView::onKeyRelease(GdkEvent* event) {
    gtk_im_context_filter_keypress(im_, &event->key);
    return TRUE;
}

void PlatformView::onCommit(const char* text) {
    ControlRef field = focusedField();
    if (field == nullptr) {
        return;
    }
    typeText(field, text);
    acted();
}
