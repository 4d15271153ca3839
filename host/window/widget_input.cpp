// What the user does in a view goes to the platform first: clicks, choices, each inserted
// character through the field's key filter, deletions as keys, the selection, the focus.
#include "host/window/WidgetView.h"

#include "host/window/ControlWidgets.h"
#include "host/window/WidgetInternals.h"

#include <gtk/gtk.h>

#include <algorithm>

using PlatformHost::ControlChange;
using PlatformHost::ControlKind;
using PlatformHost::ControlState;

void WidgetCallbacks::clicked(GtkButton*, gpointer data) {
    auto* item = static_cast<WidgetView::Item*>(data);
    item->view->clicked(item);
}

void WidgetCallbacks::toggled(GtkToggleButton*, gpointer data) {
    auto* item = static_cast<WidgetView::Item*>(data);
    item->view->toggled(item);
}

void WidgetCallbacks::changed(GtkComboBox*, gpointer data) {
    auto* item = static_cast<WidgetView::Item*>(data);
    item->view->chosen(item);
}

void WidgetCallbacks::insertText(GtkEditable*, const gchar* text, gint length, gint* position,
                                 gpointer data) {
    auto* item = static_cast<WidgetView::Item*>(data);
    item->view->insert(item, text, length, position);
}

void WidgetCallbacks::deleteText(GtkEditable*, gint start, gint end, gpointer data) {
    auto* item = static_cast<WidgetView::Item*>(data);
    item->view->erase(item, start, end);
}

void WidgetCallbacks::selectionMoved(GObject*, GParamSpec*, gpointer data) {
    auto* item = static_cast<WidgetView::Item*>(data);
    item->view->selectionMoved(item);
}

gboolean WidgetCallbacks::focusIn(GtkWidget*, GdkEvent*, gpointer data) {
    auto* item = static_cast<WidgetView::Item*>(data);
    item->view->focused(item);
    return FALSE;
}

gboolean WidgetCallbacks::drawPicture(GtkWidget*, cairo_t* cr, gpointer data) {
    auto* item = static_cast<WidgetView::Item*>(data);
    drawControl(item->control, cr);
    return TRUE;
}

gboolean WidgetCallbacks::keyPress(GtkWidget*, GdkEventKey* key, gpointer data) {
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

void WidgetCallbacks::afterPaint(GdkFrameClock*, gpointer data) {
    auto* view = static_cast<WidgetView*>(data);
    gint64 now = g_get_monotonic_time();
    for (int64_t pressed : view->pendingKeys_) {
        view->latencies_.push_back(static_cast<double>(now - pressed) / 1000.0);
    }
    view->pendingKeys_.clear();
}

void WidgetCallbacks::realize(GtkWidget* widget, gpointer data) {
    g_signal_connect(gtk_widget_get_frame_clock(widget), "after-paint", G_CALLBACK(afterPaint),
                     data);
}

void WidgetCallbacks::allocated(GtkWidget*, GdkRectangle*, gpointer data) {
    auto* view = static_cast<WidgetView*>(data);
    if (view->hooks_.laidOut) {
        view->hooks_.laidOut();
    }
}

gboolean WidgetCallbacks::deleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
    auto* view = static_cast<WidgetView*>(data);
    if (view->hooks_.closeRequested) {
        view->hooks_.closeRequested();
    }
    return TRUE; // the host decides when the window goes
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
