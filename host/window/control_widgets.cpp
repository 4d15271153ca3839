#include "host/window/ControlWidgets.h"

#include "host/HostText.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cctype>

WidgetItem::~WidgetItem() {
    if (shown != nullptr) {
        g_object_unref(shown);
    }
    if (items != nullptr) {
        g_object_unref(items);
    }
}

namespace {

enum PopupColumn { kItemText, kItemShown };

} // namespace

void makePopup(WidgetItem* item, const PlatformHost::ControlState& state) {
    item->items = gtk_list_store_new(2, G_TYPE_STRING, G_TYPE_BOOLEAN);
    item->shown = gtk_tree_model_filter_new(GTK_TREE_MODEL(item->items), nullptr);
    gtk_tree_model_filter_set_visible_column(GTK_TREE_MODEL_FILTER(item->shown), kItemShown);
    item->widget = gtk_combo_box_new_with_model(item->shown);
    GtkCellRenderer* text = gtk_cell_renderer_text_new();
    gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(item->widget), text, TRUE);
    gtk_cell_layout_set_attributes(GTK_CELL_LAYOUT(item->widget), text, "text", kItemText, nullptr);
    if (!state.title.empty()) {
        item->caption = gtk_label_new_with_mnemonic(state.title.c_str());
        gtk_label_set_mnemonic_widget(GTK_LABEL(item->caption), item->widget);
        item->outer = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
        gtk_box_pack_start(GTK_BOX(item->outer), item->caption, FALSE, FALSE, 0);
        gtk_box_pack_start(GTK_BOX(item->outer), item->widget, TRUE, TRUE, 0);
        gtk_widget_show(item->caption);
        gtk_widget_show(item->widget);
        setAccessibleName(item->widget, captionName(state.title, Underscores::MarkMnemonic));
    }
}

void setPopupItems(WidgetItem* item, const PlatformHost::ControlState& state) {
    std::vector<bool> shown(state.menuItems.size(), true);
    for (size_t i = 0; i < shown.size(); ++i) {
        // A hidden item can't be chosen, but the chosen one shows, as the popup's title does.
        bool hidden = (i < state.hiddenItems.size() && state.hiddenItems[i]) ||
                      item->withheld.count(static_cast<SInt32>(i + 1)) != 0;
        shown[i] = !hidden || static_cast<SInt32>(i + 1) == state.value;
    }
    if (state.menuItems != item->itemTexts || shown != item->itemShown) {
        gtk_list_store_clear(item->items);
        for (size_t i = 0; i < shown.size(); ++i) {
            gtk_list_store_insert_with_values(item->items, nullptr, -1, kItemText,
                                              state.menuItems[i].c_str(), kItemShown,
                                              shown[i] ? TRUE : FALSE, -1);
        }
        item->itemTexts = state.menuItems;
        item->itemShown = shown;
    }
    auto* combo = GTK_COMBO_BOX(item->widget);
    GtkTreeIter child, filtered;
    if (state.value >= 1 &&
        gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(item->items), &child, nullptr,
                                      state.value - 1) &&
        gtk_tree_model_filter_convert_child_iter_to_iter(GTK_TREE_MODEL_FILTER(item->shown),
                                                         &filtered, &child)) {
        if (chosenPopupItem(item) != state.value) {
            gtk_combo_box_set_active_iter(combo, &filtered);
        }
    } else if (gtk_combo_box_get_active(combo) != -1) {
        gtk_combo_box_set_active(combo, -1);
    }
    if (item->caption != nullptr && state.title != gtk_label_get_label(GTK_LABEL(item->caption))) {
        gtk_label_set_text_with_mnemonic(GTK_LABEL(item->caption), state.title.c_str());
        setAccessibleName(item->widget, captionName(state.title, Underscores::MarkMnemonic));
    }
}

SInt32 chosenPopupItem(WidgetItem* item) {
    GtkTreeIter filtered, child;
    if (!gtk_combo_box_get_active_iter(GTK_COMBO_BOX(item->widget), &filtered)) {
        return 0;
    }
    gtk_tree_model_filter_convert_iter_to_child_iter(GTK_TREE_MODEL_FILTER(item->shown), &child,
                                                     &filtered);
    GtkTreePath* path = gtk_tree_model_get_path(GTK_TREE_MODEL(item->items), &child);
    SInt32 chosen = gtk_tree_path_get_indices(path)[0] + 1;
    gtk_tree_path_free(path);
    return chosen;
}

void drawControl(ControlRef control, cairo_t* cr) {
    // Onto the widget's own surface, at the window's scale, over the theme's background.
    PlatformHost::drawControlOnto(control, cr);
}

std::string pictureDescription(const std::string& imageFile) {
    std::string name = imageFile.substr(0, imageFile.rfind('.'));
    for (size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '-' || name[i] == '_') {
            name[i] = ' ';
        } else if (i > 0) {
            name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
        }
    }
    return name;
}

bool describePicture(WidgetItem* item, const PlatformHost::ControlState& state) {
    if (state.image == item->image) {
        return false;
    }
    item->image = state.image;
    AtkObject* accessible = gtk_widget_get_accessible(item->widget);
    atk_object_set_role(accessible, ATK_ROLE_IMAGE);
    std::string description = pictureDescription(state.image);
    atk_object_set_name(accessible, description.c_str());
    atk_object_set_description(accessible, description.c_str());
    return true;
}

namespace {

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

int charCount(const std::string& text, size_t from, size_t to) {
    int count = 0;
    for (size_t i = from; i < to; ++i) {
        count += isContinuation(text[i]) ? 0 : 1;
    }
    return count;
}

} // namespace

TextChange textChange(const std::string& from, const std::string& to) {
    size_t prefix = 0;
    while (prefix < from.size() && prefix < to.size() && from[prefix] == to[prefix]) {
        ++prefix;
    }
    while (prefix > 0 &&
           (isContinuation(from[prefix]) || (prefix < to.size() && isContinuation(to[prefix])))) {
        --prefix; // a change inside a character replaces the whole character
    }
    size_t suffix = 0;
    while (suffix < from.size() - prefix && suffix < to.size() - prefix &&
           from[from.size() - 1 - suffix] == to[to.size() - 1 - suffix]) {
        ++suffix;
    }
    while (suffix > 0 && isContinuation(from[from.size() - suffix])) {
        --suffix;
    }
    TextChange change;
    change.atChar = charCount(from, 0, prefix);
    change.removedChars = charCount(from, prefix, from.size() - suffix);
    change.inserted = to.substr(prefix, to.size() - suffix - prefix);
    return change;
}

size_t byteOffset(const std::string& text, int chars) {
    size_t i = 0;
    for (int seen = 0; i < text.size(); ++i) {
        if (!isContinuation(text[i])) {
            if (seen == chars) {
                return i;
            }
            ++seen;
        }
    }
    return text.size();
}

std::pair<int, int> selectionChars(const PlatformHost::ControlState& state) {
    auto clamp = [&](SInt16 byte) {
        return std::min(static_cast<size_t>(std::max<SInt16>(byte, 0)), state.text.size());
    };
    size_t start = clamp(state.selection.selStart);
    size_t end = clamp(state.selection.selEnd);
    if (start > end) {
        std::swap(start, end);
    }
    return {charCount(state.text, 0, start), charCount(state.text, 0, end)};
}

std::pair<int, int> typeUnits(ControlRef field, const std::string& text) {
    glong count = 0;
    gunichar2* units =
        g_utf8_to_utf16(text.c_str(), static_cast<glong>(text.size()), nullptr, &count, nullptr);
    int passed = 0;
    for (glong i = 0; units != nullptr && i < count; ++i) {
        passed += PlatformHost::typeKey(field, units[i]) ? 1 : 0;
    }
    g_free(units);
    return {passed, static_cast<int>(count)};
}

WidgetItem* nearestCaption(const std::vector<std::pair<WidgetItem*, Rect>>& captions,
                           const Rect& bounds) {
    constexpr int kSlack = 4;     // a caption may reach a little into its field
    constexpr int kAboveGap = 24; // how far above a field its caption may stand
    WidgetItem* beside = nullptr;
    WidgetItem* above = nullptr;
    int besideRight = -1, aboveBottom = -1;
    for (const auto& [item, r] : captions) {
        bool sameLine = r.top < bounds.bottom && bounds.top < r.bottom;
        bool sameColumn = r.left < bounds.right && bounds.left < r.right;
        if (sameLine && r.right <= bounds.left + kSlack && r.right > besideRight) {
            beside = item;
            besideRight = r.right;
        } else if (sameColumn && r.bottom <= bounds.top + kSlack &&
                   r.bottom >= bounds.top - kAboveGap && r.bottom > aboveBottom) {
            above = item;
            aboveBottom = r.bottom;
        }
    }
    return beside != nullptr ? beside : above;
}

std::string captionName(const std::string& caption, Underscores underscores) {
    // In a popup's title an underscore marks the mnemonic, and two stand for one.
    std::string name;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (underscores == Underscores::MarkMnemonic && caption[i] == '_' &&
            i + 1 < caption.size()) {
            ++i;
        }
        name += caption[i];
    }
    while (!name.empty() &&
           (name.back() == ':' || std::isspace(static_cast<unsigned char>(name.back())))) {
        name.pop_back();
    }
    return name;
}

void setAccessibleName(GtkWidget* widget, const std::string& name) {
    AtkObject* accessible = gtk_widget_get_accessible(widget);
    const char* now = atk_object_get_name(accessible);
    if (name != (now != nullptr ? now : "")) {
        atk_object_set_name(accessible, name.c_str());
    }
}

void nameButton(GtkWidget* button, const std::string& title) {
    // A button titled "?" opens help, and says so.
    if (title == "?") {
        setAccessibleName(button, hostText("Help"));
        gtk_widget_set_tooltip_text(button, hostText("Help"));
    } else {
        setAccessibleName(button, title);
    }
}
