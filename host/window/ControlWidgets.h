// The pieces of a WidgetView that know one kind of control's widget: a popup's items, a
// picture's pixels and description, a field's text and selection in GTK's character offsets,
// and the caption that names a field.
#pragma once

#include "host/window/WidgetItem.h"

#include <string>
#include <utility>
#include <vector>

typedef struct _cairo cairo_t;

// A popup: a combo box over its items, in a box with its title when it has one.
void makePopup(WidgetItem* item, const PlatformHost::ControlState& state);
// The items and the chosen one, as the platform has them.
void setPopupItems(WidgetItem* item, const PlatformHost::ControlState& state);
// The item the user chose (1-based), 0 for none.
SInt32 chosenPopupItem(WidgetItem* item);

// A control that draws itself, drawn by its own draw handler into cr at the widget's origin.
void drawControl(ControlRef control, cairo_t* cr);
// A picture says what it shows: "Accounting-On.gif" is "Accounting on".
std::string pictureDescription(const std::string& imageFile);
// True when the picture changed since last described.
bool describePicture(WidgetItem* item, const PlatformHost::ControlState& state);

// Where two texts differ: from atChar, removedChars characters become the inserted bytes.
struct TextChange {
    int atChar = 0;
    int removedChars = 0;
    std::string inserted;
};
TextChange textChange(const std::string& from, const std::string& to);
// The byte offset of a character offset in UTF-8 text, at most its size.
size_t byteOffset(const std::string& text, int chars);
// The field's selection in characters, start before end.
std::pair<int, int> selectionChars(const PlatformHost::ControlState& state);
// Each UTF-16 unit of the text as one key through the field's key filter: how many passed,
// of how many.
std::pair<int, int> typeUnits(ControlRef field, const std::string& text);

// The caption beside the bounds (to the left, on the same line), or else just above them.
WidgetItem* nearestCaption(const std::vector<std::pair<WidgetItem*, Rect>>& captions,
                           const Rect& bounds);
// A caption as an accessible name: "User ID:" names the field "User ID".
enum class Underscores { AsTyped, MarkMnemonic };
std::string captionName(const std::string& caption, Underscores underscores);
void setAccessibleName(GtkWidget* widget, const std::string& name);
// A button's accessible name: its title, or what a "?" button does.
void nameButton(GtkWidget* button, const std::string& title);
