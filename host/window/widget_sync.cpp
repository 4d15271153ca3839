// A widget follows its control: visibility, state, text and selection, the default button.
// (Where it goes is widget_layout.cpp's.)
#include "host/window/WidgetView.h"

#include "host/window/ControlWidgets.h"
#include "host/window/WidgetInternals.h"

#include <gtk/gtk.h>

#include <algorithm>

using PlatformHost::ControlChange;
using PlatformHost::ControlKind;
using PlatformHost::ControlState;

void WidgetView::sync(Item* item, const ControlState& state) {
    Updating updating(updating_);
    if (item->outer == nullptr) {
        return;
    }
    bool visible = PlatformHost::visibleInWindow(item->control);
    gtk_widget_set_visible(item->outer, visible);
    gtk_widget_set_sensitive(item->outer, PlatformHost::enabledInWindow(item->control));
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
            // The hidden member leaves the group once one the user sees is on.
            gtk_radio_button_join_group(GTK_RADIO_BUTTON(noneRadios_[item->group]), nullptr);
        } else if (gtk_toggle_button_get_active(toggle)) {
            GtkWidget* none = noneRadios_[item->group];
            gtk_radio_button_join_group(GTK_RADIO_BUTTON(none), GTK_RADIO_BUTTON(item->widget));
            gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(none), TRUE);
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

void WidgetView::markDefaultButton() {
    ControlRef button = nullptr;
    GetWindowDefaultButton(window_, &button);
    if (Item* item = itemFor(button); item != nullptr && item->widget != nullptr &&
                                      gtk_window_get_default_widget(gtkWindow_) != item->widget) {
        gtk_window_set_default(gtkWindow_, item->widget);
    }
}

void WidgetView::withholdItem(ControlRef popup, SInt32 chosen) {
    Item* item = itemFor(popup);
    ControlState state;
    if (item == nullptr || item->kind != ControlKind::PopupButton ||
        !PlatformHost::controlState(popup, &state)) {
        return;
    }
    item->withheld.insert(chosen);
    Updating updating(updating_);
    setPopupItems(item, state);
}
