// A view's life: its window and widgets made, kept and removed as the platform's controls come
// and go, and the platform's changes told to the views they concern.
#include "host/window/WidgetView.h"

#include "host/window/ControlWidgets.h"
#include "host/window/WidgetInternals.h"

#include <gtk/gtk.h>

#include <algorithm>

using PlatformHost::ControlChange;
using PlatformHost::ControlKind;
using PlatformHost::ControlState;

WidgetView::WidgetView(WindowRef window, GtkWindow* parent, Hooks hooks,
                       const Presentation& presentation)
    : window_(window), hooks_(std::move(hooks)) {
    liveViews().insert(this);
    gtkWindow_ = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    gtk_window_set_title(gtkWindow_, PlatformHost::windowName(window).c_str());
    // The widgets need more room than the nib gives at a larger text size: the window takes it,
    // and may be made larger still.
    gtk_window_set_resizable(gtkWindow_, TRUE);
    if (parent != nullptr) {
        gtk_window_set_transient_for(gtkWindow_, parent);
        gtk_window_set_modal(gtkWindow_, TRUE);
        gtk_window_set_position(gtkWindow_, GTK_WIN_POS_CENTER_ON_PARENT);
    }
    AtkObject* accessible = gtk_widget_get_accessible(GTK_WIDGET(gtkWindow_));
    if (parent != nullptr || presentation.dialog) {
        gtk_window_set_type_hint(gtkWindow_, GDK_WINDOW_TYPE_HINT_DIALOG);
        atk_object_set_role(accessible, ATK_ROLE_DIALOG);
    }
    fixed_ = gtk_fixed_new();
    if (presentation.heading.empty()) {
        gtk_container_add(GTK_CONTAINER(gtkWindow_), fixed_);
    } else {
        GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
        heading_ = gtk_label_new(presentation.heading.c_str());
        gtk_label_set_xalign(GTK_LABEL(heading_), 0);
        gtk_label_set_line_wrap(GTK_LABEL(heading_), TRUE);
        gtk_widget_set_margin_start(heading_, 20);
        gtk_widget_set_margin_end(heading_, 20);
        gtk_widget_set_margin_top(heading_, 12);
        atk_object_set_role(gtk_widget_get_accessible(heading_), ATK_ROLE_HEADING);
        atk_object_set_description(accessible, presentation.heading.c_str());
        gtk_box_pack_start(GTK_BOX(box), heading_, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(box), fixed_, TRUE, TRUE, 0);
        gtk_container_add(GTK_CONTAINER(gtkWindow_), box);
        gtk_widget_show(heading_);
        gtk_widget_show(box);
    }
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
    // In the window's coordinates, where a click goes, whatever stands above the controls.
    gtk_widget_translate_coordinates(item->outer, GTK_WIDGET(gtkWindow_), 0, 0, &x, &y);
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
        // The radio buttons embedded in one control are one group: a screen reader counts the
        // ones the user sees ("1 of 2"). A hidden member joins it only while none of them is
        // on, which GTK's own members can't show.
        made->group = state.parent;
        GtkWidget*& none = noneRadios_[state.parent];
        if (none == nullptr) {
            none = gtk_radio_button_new(nullptr);
            g_object_ref_sink(none);
        }
        GtkWidget* member = radioOf(state.parent, made);
        made->widget = gtk_radio_button_new_with_label_from_widget(
            member != nullptr ? GTK_RADIO_BUTTON(member) : nullptr, state.title.c_str());
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
    layOut();
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
                if (change == ControlChange::Title || change == ControlChange::Items ||
                    change == ControlChange::Bounds) {
                    view->layOut(); // a new text may need more room
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

GtkWidget* WidgetView::radioOf(ControlRef group, const Item* besides) const {
    for (const auto& [control, item] : items_) {
        if (item.get() != besides && item->kind == ControlKind::RadioButton &&
            item->group == group && item->widget != nullptr) {
            return item->widget;
        }
    }
    return nullptr;
}
