#include "host/window/WidgetView.h"

#include "host/window/ControlWidgets.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <set>

using PlatformHost::ControlChange;
using PlatformHost::ControlKind;
using PlatformHost::ControlState;

namespace {

// The views alive now, each the view of one platform window.
std::set<WidgetView*>& liveViews() {
    static std::set<WidgetView*> views;
    return views;
}

bool isEditKind(ControlKind kind) {
    return kind == ControlKind::EditText || kind == ControlKind::PasswordEditText;
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

} // namespace

// The C callbacks GTK calls, each handing on to its view.
struct WidgetCallbacks {
    static void clicked(GtkButton*, gpointer data) {
        auto* item = static_cast<WidgetView::Item*>(data);
        item->view->clicked(item);
    }
    static void toggled(GtkToggleButton*, gpointer data) {
        auto* item = static_cast<WidgetView::Item*>(data);
        item->view->toggled(item);
    }
    static void changed(GtkComboBox*, gpointer data) {
        auto* item = static_cast<WidgetView::Item*>(data);
        item->view->chosen(item);
    }
    static void insertText(GtkEditable*, const gchar* text, gint length, gint* position,
                           gpointer data) {
        auto* item = static_cast<WidgetView::Item*>(data);
        item->view->insert(item, text, length, position);
    }
    static void deleteText(GtkEditable*, gint start, gint end, gpointer data) {
        auto* item = static_cast<WidgetView::Item*>(data);
        item->view->erase(item, start, end);
    }
    static void selectionMoved(GObject*, GParamSpec*, gpointer data) {
        auto* item = static_cast<WidgetView::Item*>(data);
        item->view->selectionMoved(item);
    }
    static gboolean focusIn(GtkWidget*, GdkEvent*, gpointer data) {
        auto* item = static_cast<WidgetView::Item*>(data);
        item->view->focused(item);
        return FALSE;
    }
    static gboolean drawPicture(GtkWidget*, cairo_t* cr, gpointer data) {
        auto* item = static_cast<WidgetView::Item*>(data);
        drawControl(item->control, cr);
        return TRUE;
    }
    static gboolean keyPress(GtkWidget*, GdkEventKey* key, gpointer data) {
        auto* view = static_cast<WidgetView*>(data);
        if (key->keyval == GDK_KEY_Escape) {
            if (view->hooks_.closeRequested) {
                view->hooks_.closeRequested();
            }
            return TRUE;
        }
        view->pendingKeys_.push_back(g_get_monotonic_time());
        return FALSE; // the focused widget takes the key
    }
    static void afterPaint(GdkFrameClock*, gpointer data) {
        auto* view = static_cast<WidgetView*>(data);
        gint64 now = g_get_monotonic_time();
        for (int64_t pressed : view->pendingKeys_) {
            view->latencies_.push_back(static_cast<double>(now - pressed) / 1000.0);
        }
        view->pendingKeys_.clear();
    }
    static void realize(GtkWidget* widget, gpointer data) {
        g_signal_connect(gtk_widget_get_frame_clock(widget), "after-paint", G_CALLBACK(afterPaint),
                         data);
    }
    static void allocated(GtkWidget*, GdkRectangle*, gpointer data) {
        auto* view = static_cast<WidgetView*>(data);
        if (view->hooks_.laidOut) {
            view->hooks_.laidOut();
        }
    }
    static gboolean deleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
        auto* view = static_cast<WidgetView*>(data);
        if (view->hooks_.closeRequested) {
            view->hooks_.closeRequested();
        }
        return TRUE; // the host decides when the window goes
    }
};

WidgetView::WidgetView(WindowRef window, GtkWindow* parent, Hooks hooks)
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
        gtk_window_set_type_hint(gtkWindow_, GDK_WINDOW_TYPE_HINT_DIALOG);
        atk_object_set_role(gtk_widget_get_accessible(GTK_WIDGET(gtkWindow_)), ATK_ROLE_DIALOG);
    }
    fixed_ = gtk_fixed_new();
    gtk_widget_set_size_request(fixed_, bounds.right - bounds.left, bounds.bottom - bounds.top);
    gtk_container_add(GTK_CONTAINER(gtkWindow_), fixed_);
    g_signal_connect_after(fixed_, "size-allocate", G_CALLBACK(WidgetCallbacks::allocated), this);
    g_signal_connect(gtkWindow_, "key-press-event", G_CALLBACK(WidgetCallbacks::keyPress), this);
    g_signal_connect(gtkWindow_, "delete-event", G_CALLBACK(WidgetCallbacks::deleteEvent), this);
    g_signal_connect(gtkWindow_, "realize", G_CALLBACK(WidgetCallbacks::realize), this);
    refresh();
    gtk_widget_show(fixed_);
    gtk_widget_show(GTK_WIDGET(gtkWindow_));
    syncFocus();
}

WidgetView::~WidgetView() {
    liveViews().erase(this);
    if (GdkFrameClock* clock = gtk_widget_get_frame_clock(GTK_WIDGET(gtkWindow_))) {
        g_signal_handlers_disconnect_by_data(clock, this);
    }
    Updating updating(updating_);
    gtk_widget_destroy(GTK_WIDGET(gtkWindow_));
    items_.clear();
    for (auto& [group, none] : noneRadios_) {
        g_object_unref(none);
    }
}

WidgetView::Item* WidgetView::itemFor(ControlRef control) const {
    auto found = items_.find(control);
    return found != items_.end() ? found->second.get() : nullptr;
}

GtkWidget* WidgetView::widgetOf(ControlRef control) const {
    Item* item = itemFor(control);
    return item != nullptr ? item->widget : nullptr;
}

bool WidgetView::placement(ControlRef control, Rect* where) const {
    Item* item = itemFor(control);
    if (item == nullptr || item->outer == nullptr || !gtk_widget_get_visible(item->outer) ||
        !gtk_widget_get_mapped(item->outer)) {
        return false;
    }
    GtkAllocation a;
    gtk_widget_get_allocation(item->outer, &a);
    int x = 0, y = 0;
    gtk_widget_translate_coordinates(item->outer, fixed_, 0, 0, &x, &y);
    *where = Rect{static_cast<SInt16>(y), static_cast<SInt16>(x), static_cast<SInt16>(y + a.height),
                  static_cast<SInt16>(x + a.width)};
    return true;
}

WidgetView::Item* WidgetView::make(ControlRef control, const ControlState& state) {
    auto item = std::make_unique<Item>();
    item->view = this;
    item->control = control;
    item->kind = state.kind;
    Item* made = item.get();
    items_[control] = std::move(item);
    Updating updating(updating_);
    switch (state.kind) {
    case ControlKind::UserPane:
        if (!state.drawsItself) {
            return made; // a plain pane only holds other controls
        }
        made->widget = gtk_drawing_area_new();
        g_signal_connect(made->widget, "draw", G_CALLBACK(WidgetCallbacks::drawPicture), made);
        break;
    case ControlKind::PushButton:
        made->widget = gtk_button_new_with_label(state.title.c_str());
        gtk_widget_set_can_default(made->widget, TRUE);
        nameButton(made->widget, state.title);
        g_signal_connect(made->widget, "clicked", G_CALLBACK(WidgetCallbacks::clicked), made);
        break;
    case ControlKind::CheckBox:
        made->widget = gtk_check_button_new_with_label(state.title.c_str());
        g_signal_connect(made->widget, "toggled", G_CALLBACK(WidgetCallbacks::toggled), made);
        break;
    case ControlKind::RadioButton: {
        // The radio buttons embedded in one control are one group; a hidden member stands for
        // none of them being on, which GTK's own members can't show.
        made->group = state.parent;
        GtkWidget*& none = noneRadios_[state.parent];
        if (none == nullptr) {
            none = gtk_radio_button_new(nullptr);
            g_object_ref_sink(none);
        }
        made->widget = gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(none),
                                                                   state.title.c_str());
        g_signal_connect(made->widget, "toggled", G_CALLBACK(WidgetCallbacks::toggled), made);
        break;
    }
    case ControlKind::PopupButton:
        makePopup(made, state);
        g_signal_connect(made->widget, "changed", G_CALLBACK(WidgetCallbacks::changed), made);
        break;
    case ControlKind::StaticText:
        made->widget = gtk_label_new(nullptr);
        gtk_label_set_xalign(GTK_LABEL(made->widget), 0);
        gtk_label_set_yalign(GTK_LABEL(made->widget), 0);
        gtk_label_set_line_wrap(GTK_LABEL(made->widget), TRUE);
        gtk_label_set_line_wrap_mode(GTK_LABEL(made->widget), PANGO_WRAP_WORD_CHAR);
        break;
    case ControlKind::EditText:
    case ControlKind::PasswordEditText:
        made->widget = gtk_entry_new();
        gtk_entry_set_activates_default(GTK_ENTRY(made->widget), TRUE);
        if (state.kind == ControlKind::PasswordEditText) {
            gtk_entry_set_visibility(GTK_ENTRY(made->widget), FALSE);
            gtk_entry_set_input_purpose(GTK_ENTRY(made->widget), GTK_INPUT_PURPOSE_PASSWORD);
        }
        g_signal_connect(made->widget, "insert-text", G_CALLBACK(WidgetCallbacks::insertText),
                         made);
        g_signal_connect(made->widget, "delete-text", G_CALLBACK(WidgetCallbacks::deleteText),
                         made);
        g_signal_connect(made->widget, "notify::cursor-position",
                         G_CALLBACK(WidgetCallbacks::selectionMoved), made);
        g_signal_connect(made->widget, "notify::selection-bound",
                         G_CALLBACK(WidgetCallbacks::selectionMoved), made);
        g_signal_connect(made->widget, "focus-in-event", G_CALLBACK(WidgetCallbacks::focusIn),
                         made);
        break;
    }
    if (made->outer == nullptr) {
        made->outer = made->widget;
    }
    gtk_fixed_put(GTK_FIXED(fixed_), made->outer, state.bounds.left, state.bounds.top);
    return made;
}

void WidgetView::remove(ControlRef control) {
    auto found = items_.find(control);
    if (found == items_.end()) {
        return;
    }
    Updating updating(updating_);
    Item* item = found->second.get();
    for (auto& [other, entry] : items_) {
        if (entry->names == control) {
            entry->names = nullptr;
        }
    }
    if (item->outer != nullptr) {
        gtk_widget_destroy(item->outer);
    }
    items_.erase(found);
    order_.erase(std::remove(order_.begin(), order_.end(), control), order_.end());
}

void WidgetView::refresh() {
    std::vector<ControlRef> controls = PlatformHost::controlsOf(window_);
    // Controls that left the window (disposed, or embedded elsewhere) lose their widgets.
    std::vector<ControlRef> gone;
    for (const auto& [control, item] : items_) {
        if (std::find(controls.begin(), controls.end(), control) == controls.end()) {
            gone.push_back(control);
        }
    }
    for (ControlRef control : gone) {
        remove(control);
    }
    for (ControlRef control : controls) {
        ControlState state;
        if (!PlatformHost::controlState(control, &state)) {
            continue;
        }
        Item* item = itemFor(control);
        // A pane that began drawing itself after it was made gets its drawing area now.
        if (item != nullptr && item->kind == ControlKind::UserPane && item->widget == nullptr &&
            state.drawsItself) {
            remove(control);
            item = nullptr;
        }
        if (item == nullptr) {
            item = make(control, state);
        }
        sync(item, state);
    }
    order_ = controls;
    nameFields();
    orderFocus();
    // The default button takes Return, from the fields too.
    markDefaultButton();
}

void WidgetView::sync(Item* item, const ControlState& state) {
    Updating updating(updating_);
    if (item->outer == nullptr) {
        return;
    }
    bool visible = PlatformHost::visibleInWindow(item->control);
    gtk_widget_set_visible(item->outer, visible);
    gtk_widget_set_sensitive(item->outer, PlatformHost::enabledInWindow(item->control));
    // Moving a widget lays the whole window out again, even to the same place: only a change
    // of bounds moves it.
    const Rect& b = state.bounds;
    if (!item->placed || b.left != item->bounds.left || b.top != item->bounds.top ||
        b.right != item->bounds.right || b.bottom != item->bounds.bottom) {
        gtk_fixed_move(GTK_FIXED(fixed_), item->outer, b.left, b.top);
        gtk_widget_set_size_request(
            item->outer, std::max(b.right - b.left, 1),
            item->kind == ControlKind::StaticText ? -1 : std::max(b.bottom - b.top, 1));
        item->bounds = b;
        item->placed = true;
    }
    switch (item->kind) {
    case ControlKind::UserPane:
        describePicture(item, state);
        gtk_widget_queue_draw(item->widget);
        break;
    case ControlKind::PushButton:
        if (state.title != gtk_button_get_label(GTK_BUTTON(item->widget))) {
            gtk_button_set_label(GTK_BUTTON(item->widget), state.title.c_str());
            nameButton(item->widget, state.title);
        }
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
        if (state.title != gtk_button_get_label(GTK_BUTTON(item->widget))) {
            gtk_button_set_label(GTK_BUTTON(item->widget), state.title.c_str());
        }
        auto* toggle = GTK_TOGGLE_BUTTON(item->widget);
        bool on = state.value != 0;
        if (item->kind == ControlKind::CheckBox) {
            // A checkbox's value is 0 off, 1 checked, 2 mixed.
            gtk_toggle_button_set_inconsistent(toggle, state.value == 2);
            gtk_toggle_button_set_active(toggle, state.value == 1);
        } else if (on) {
            gtk_toggle_button_set_active(toggle, TRUE);
        } else if (gtk_toggle_button_get_active(toggle)) {
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(noneRadios_[item->group]), TRUE);
        }
        break;
    }
    case ControlKind::PopupButton:
        setPopupItems(item, state);
        break;
    case ControlKind::StaticText: {
        const std::string& text = state.title.empty() ? state.text : state.title;
        if (text != gtk_label_get_text(GTK_LABEL(item->widget))) {
            gtk_label_set_text(GTK_LABEL(item->widget), text.c_str());
        }
        break;
    }
    case ControlKind::EditText:
    case ControlKind::PasswordEditText:
        syncText(item, state);
        break;
    }
}

void WidgetView::syncText(Item* item, const ControlState& state) {
    Updating updating(updating_);
    auto* editable = GTK_EDITABLE(item->widget);
    std::string shown = gtk_entry_get_text(GTK_ENTRY(item->widget));
    if (shown != state.text) {
        // Only what changed is replaced, so the field keeps its scroll and the caret its place.
        TextChange change = textChange(shown, state.text);
        if (change.removedChars > 0) {
            gtk_editable_delete_text(editable, change.atChar, change.atChar + change.removedChars);
        }
        if (!change.inserted.empty()) {
            gint at = change.atChar;
            gtk_editable_insert_text(editable, change.inserted.c_str(),
                                     static_cast<gint>(change.inserted.size()), &at);
        }
    }
    syncSelection(item, state);
}

void WidgetView::syncSelection(Item* item, const ControlState& state) {
    Updating updating(updating_);
    auto* editable = GTK_EDITABLE(item->widget);
    gint start = 0, end = 0;
    if (!gtk_editable_get_selection_bounds(editable, &start, &end)) {
        start = end = gtk_editable_get_position(editable);
    }
    auto [wantStart, wantEnd] = selectionChars(state);
    if (start != wantStart || end != wantEnd) {
        gtk_editable_select_region(editable, wantStart, wantEnd);
    }
}

void WidgetView::focusFirst() {
    ControlRef focus = nullptr;
    GetKeyboardFocus(window_, &focus);
    if (itemFor(focus) != nullptr) {
        syncFocus();
        return;
    }
    gtk_window_set_focus(gtkWindow_, nullptr);
    gtk_widget_child_focus(GTK_WIDGET(gtkWindow_), GTK_DIR_TAB_FORWARD);
}

void WidgetView::syncFocus() {
    ControlRef focus = nullptr;
    GetKeyboardFocus(window_, &focus);
    Item* item = itemFor(focus);
    if (item != nullptr && item->widget != nullptr && !gtk_widget_has_focus(item->widget) &&
        gtk_widget_is_sensitive(item->widget) && gtk_widget_get_visible(item->widget)) {
        Updating updating(updating_);
        gtk_widget_grab_focus(item->widget);
        ControlState state;
        if (PlatformHost::controlState(focus, &state) && isEditKind(state.kind)) {
            syncSelection(item, state); // grabbing the focus selected the whole text
        }
    }
}

// Each field and untitled popup is named by the static text beside it, or else above it.
void WidgetView::nameFields() {
    std::vector<std::pair<Item*, Rect>> captions;
    for (ControlRef control : order_) {
        Item* item = itemFor(control);
        ControlState state;
        // A hidden caption names nothing: a field takes the one the user sees.
        if (item != nullptr && item->kind == ControlKind::StaticText &&
            PlatformHost::visibleInWindow(control) && PlatformHost::controlState(control, &state) &&
            !state.title.empty()) {
            captions.emplace_back(item, state.bounds);
        }
    }
    for (ControlRef control : order_) {
        Item* item = itemFor(control);
        if (item == nullptr || item->widget == nullptr ||
            !(isEditKind(item->kind) ||
              (item->kind == ControlKind::PopupButton && item->caption == nullptr))) {
            continue;
        }
        ControlState state;
        PlatformHost::controlState(control, &state);
        Item* caption = nearestCaption(captions, state.bounds);
        if (caption != nullptr) {
            caption->names = control;
            if (gtk_label_get_mnemonic_widget(GTK_LABEL(caption->widget)) != item->widget) {
                gtk_label_set_mnemonic_widget(GTK_LABEL(caption->widget), item->widget);
            }
            setAccessibleName(
                item->widget,
                captionName(gtk_label_get_text(GTK_LABEL(caption->widget)), Underscores::AsTyped));
        }
    }
}

// Tab visits the controls in reading order, line by line from the top and left to right on a
// line, and a screen reader lists them in it. (The platform's embedding order would put a field
// the pane makes later, a concealed code's password field, after the prompt's buttons.)
void WidgetView::orderFocus() {
    struct Placed {
        GtkWidget* widget;
        int line;
        int left;
    };
    std::vector<Placed> placed;
    for (ControlRef control : order_) {
        Item* item = itemFor(control);
        ControlState state;
        if (item != nullptr && item->outer != nullptr &&
            PlatformHost::controlState(control, &state)) {
            // Controls whose middles lie within one line's height of each other share a line.
            constexpr int kLineHeight = 12;
            int middle = (state.bounds.top + state.bounds.bottom) / 2;
            placed.push_back({item->outer, middle / kLineHeight, state.bounds.left});
        }
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) {
        return a.line != b.line ? a.line < b.line : a.left < b.left;
    });
    GList* chain = nullptr;
    for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
        chain = g_list_prepend(chain, it->widget);
    }
    GList* children = gtk_container_get_children(GTK_CONTAINER(fixed_));
    bool ordered = g_list_length(children) == g_list_length(chain);
    for (GList *a = children, *b = chain; ordered && a != nullptr; a = a->next, b = b->next) {
        ordered = a->data == b->data;
    }
    g_list_free(children);
    if (ordered && chainSet_) {
        g_list_free(chain);
        return; // the chain set before still holds: widgets that went left it by themselves
    }
    chainSet_ = true;
    if (!ordered) {
        // A control made later (a field the pane replaced) moves to its place among the others.
        Updating updating(updating_);
        GtkWidget* focus = gtk_window_get_focus(gtkWindow_);
        for (GList* link = chain; link != nullptr; link = link->next) {
            auto* widget = static_cast<GtkWidget*>(link->data);
            int x = 0, y = 0;
            gtk_container_child_get(GTK_CONTAINER(fixed_), widget, "x", &x, "y", &y, nullptr);
            g_object_ref(widget);
            gtk_container_remove(GTK_CONTAINER(fixed_), widget);
            gtk_fixed_put(GTK_FIXED(fixed_), widget, x, y);
            g_object_unref(widget);
        }
        if (focus != nullptr && gtk_widget_is_ancestor(focus, GTK_WIDGET(gtkWindow_))) {
            gtk_widget_grab_focus(focus);
        }
    }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    gtk_container_set_focus_chain(GTK_CONTAINER(fixed_), chain);
#pragma GCC diagnostic pop
    g_list_free(chain);
}

void WidgetView::controlChanged(ControlRef control, ControlChange change) {
    if (change == ControlChange::Disposed) {
        for (WidgetView* view : liveViews()) {
            view->remove(control);
        }
        return;
    }
    ControlState state;
    if (!PlatformHost::controlState(control, &state)) {
        return;
    }
    for (WidgetView* view : liveViews()) {
        if (view->window_ != state.window) {
            continue;
        }
        Item* item = view->itemFor(control);
        // An edit the view is passing to the field shows once it is done, not step by step
        // (each step's selection would be claimed as the PRIMARY selection on the way).
        if (control == view->routing_ &&
            (change == ControlChange::Text || change == ControlChange::Selection)) {
            continue;
        }
        switch (change) {
        case ControlChange::Text:
        case ControlChange::Selection:
        case ControlChange::Value:
        case ControlChange::Title:
        case ControlChange::Items:
        case ControlChange::Bounds:
            if (item != nullptr) {
                view->sync(item, state);
                if (change == ControlChange::Title && item->names != nullptr) {
                    view->nameFields();
                }
                break;
            }
            [[fallthrough]];
        case ControlChange::Created:
        case ControlChange::Parent:
        case ControlChange::Visible:
        case ControlChange::Enabled:
            view->refresh();
            break;
        case ControlChange::Focus:
            view->syncFocus();
            break;
        case ControlChange::Disposed:
            break;
        }
    }
}

void WidgetView::acted() {
    ++actions_;
    if (hooks_.afterAction) {
        hooks_.afterAction();
    }
    if (liveViews().count(this) != 0) {
        settle();
    }
}

// After an action: the observer has shown every change the platform told of, so only what it
// does not tell is looked at (a pane that began drawing itself, its picture, the default
// button). A key typed costs no more than that.
void WidgetView::settle() {
    for (auto& [control, item] : items_) {
        if (item->kind != ControlKind::UserPane) {
            continue;
        }
        if (item->widget == nullptr) {
            ControlState state;
            if (PlatformHost::controlState(control, &state) && state.drawsItself) {
                refresh();
                return;
            }
        } else {
            // The pane drew another picture into the port (a new mode): the widget shows it.
            ControlState state;
            PlatformHost::controlState(control, &state);
            if (describePicture(item.get(), state)) {
                gtk_widget_queue_draw(item->widget);
            }
        }
    }
    markDefaultButton();
}

void WidgetView::markDefaultButton() {
    ControlRef button = nullptr;
    GetWindowDefaultButton(window_, &button);
    if (Item* item = itemFor(button); item != nullptr && item->widget != nullptr &&
                                      gtk_window_get_default_widget(gtkWindow_) != item->widget) {
        gtk_window_set_default(gtkWindow_, item->widget);
    }
}

void WidgetView::clicked(Item* item) {
    if (updating_ > 0) {
        return;
    }
    press(item, 0);
}

// A click the host may take for itself (Print, Cancel, its printer popup), else the platform's.
void WidgetView::press(Item* item, SInt32 chosenItem) {
    if (hooks_.hostClick && hooks_.hostClick(item->control, chosenItem)) {
        if (liveViews().count(this) != 0) {
            acted();
        }
        return;
    }
    PlatformHost::click(item->control, chosenItem != 0 ? &chosenItem : nullptr);
    acted();
}

void WidgetView::toggled(Item* item) {
    if (updating_ > 0) {
        return;
    }
    // A radio button that goes off because another came on is not a click.
    if (item->kind == ControlKind::RadioButton &&
        !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(item->widget))) {
        return;
    }
    PlatformHost::click(item->control);
    acted();
}

void WidgetView::chosen(Item* item) {
    if (updating_ > 0) {
        return;
    }
    SInt32 chosenItem = chosenPopupItem(item);
    if (chosenItem >= 1) {
        press(item, chosenItem);
    }
}

void WidgetView::insert(Item* item, const char* text, int length, int* position) {
    if (updating_ > 0) {
        return; // the view's own edit, the platform's text shown
    }
    // GTK inserts nothing itself: each character goes through the field's key filter, and the
    // entry then shows what the platform's field holds.
    g_signal_stop_emission_by_name(item->widget, "insert-text");
    ControlRef field = item->control;
    if (!PlatformHost::enabledInWindow(field)) {
        return;
    }
    focused(item);
    Routing routing(routing_, field);
    ControlState state;
    PlatformHost::controlState(field, &state);
    auto at = static_cast<SInt16>(byteOffset(state.text, *position));
    PlatformHost::setSelection(field, at, at);
    std::string inserted = length < 0 ? std::string(text) : std::string(text, length);
    auto [passed, keys] = typeUnits(field, inserted);
    PlatformHost::controlState(field, &state);
    syncText(item, state);
    *position = selectionChars(state).second;
    if (keys > 1 && hooks_.inserted) {
        hooks_.inserted(field, passed, keys);
    }
    acted();
}

void WidgetView::erase(Item* item, int start, int end) {
    if (updating_ > 0) {
        return;
    }
    g_signal_stop_emission_by_name(item->widget, "delete-text");
    ControlRef field = item->control;
    if (start == end || !PlatformHost::enabledInWindow(field)) {
        return;
    }
    focused(item);
    if (end < 0) {
        end = gtk_entry_get_text_length(GTK_ENTRY(item->widget));
    }
    if (start > end) {
        std::swap(start, end);
    }
    // A deletion is the backspace key over the range, or forward delete when the range starts
    // at the caret.
    bool forward = gtk_editable_get_position(GTK_EDITABLE(item->widget)) == start &&
                   !gtk_editable_get_selection_bounds(GTK_EDITABLE(item->widget), nullptr, nullptr);
    Routing routing(routing_, field);
    ControlState state;
    PlatformHost::controlState(field, &state);
    PlatformHost::setSelection(field, static_cast<SInt16>(byteOffset(state.text, start)),
                               static_cast<SInt16>(byteOffset(state.text, end)));
    PlatformHost::typeKey(field, forward ? kDelete : kBackspace);
    PlatformHost::controlState(field, &state);
    syncText(item, state);
    acted();
}

void WidgetView::selectionMoved(Item* item) {
    if (updating_ > 0) {
        return;
    }
    auto* editable = GTK_EDITABLE(item->widget);
    gint start = 0, end = 0;
    if (!gtk_editable_get_selection_bounds(editable, &start, &end)) {
        start = end = gtk_editable_get_position(editable);
    }
    ControlState state;
    PlatformHost::controlState(item->control, &state);
    // The field follows the entry; the entry needn't hear of it again.
    Routing routing(routing_, item->control);
    PlatformHost::setSelection(item->control,
                               static_cast<SInt16>(byteOffset(state.text, std::min(start, end))),
                               static_cast<SInt16>(byteOffset(state.text, std::max(start, end))));
}

void WidgetView::focused(Item* item) {
    if (updating_ > 0) {
        return;
    }
    ControlRef focus = nullptr;
    GetKeyboardFocus(window_, &focus);
    if (focus != item->control) {
        Updating updating(updating_);
        SetKeyboardFocus(window_, item->control, kControlFocusNextPart);
    }
}

bool WidgetView::snapshot(const std::string& path, std::string* error) {
    GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(gtkWindow_));
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
