// The keyboard's way through a view: the focus the platform sets, the captions that name fields,
// Tab in reading order.
#include "host/window/WidgetView.h"

#include "host/window/ControlWidgets.h"
#include "host/window/WidgetInternals.h"

#include <gtk/gtk.h>

#include <algorithm>

using PlatformHost::ControlChange;
using PlatformHost::ControlKind;
using PlatformHost::ControlState;

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
