// Legible drawings of the control kinds, into the window's pixels.
#include "../common/Unicode.h"
#include "Toolbox.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace platform {
namespace {

constexpr double kFontSize = 12;

struct Colour {
    double r, g, b;
};

const Colour kText = {0.1, 0.1, 0.1};
const Colour kFrame = {0.55, 0.55, 0.58};
const Colour kAccent = {0.16, 0.42, 0.85};
const Colour kFieldBackground = {1, 1, 1};
const Colour kButtonFace = {0.96, 0.96, 0.97};
const Colour kWindowBackground = {0.93, 0.93, 0.94};

void setColour(cairo_t* cr, const Colour& c, bool enabled) {
    cairo_set_source_rgba(cr, c.r, c.g, c.b, enabled ? 1.0 : 0.4);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double radius) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - radius, y + radius, radius, -1.5708, 0);
    cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, 1.5708);
    cairo_arc(cr, x + radius, y + h - radius, radius, 1.5708, 3.14159);
    cairo_arc(cr, x + radius, y + radius, radius, 3.14159, 4.71239);
    cairo_close_path(cr);
}

// Text with its baseline placed to centre it vertically in [top, top + height).
void drawText(cairo_t* cr, const std::string& text, double x, double top, double height) {
    cairo_font_extents_t font;
    cairo_font_extents(cr, &font);
    double baseline = top + (height + font.ascent - font.descent) / 2;
    cairo_move_to(cr, x, baseline);
    cairo_show_text(cr, text.c_str());
}

double textWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

constexpr double kFieldInset = 4; // the text of a field starts this far inside its frame

// What an edit field shows: its text, or a bullet for each character of a password field's.
// `shownOffset` maps a byte offset of the field's text to one of the shown text.
struct FieldText {
    std::string shown;
    std::vector<size_t> shownOffset; // one entry per byte offset 0..text.size()
};

FieldText fieldText(ControlRef c) {
    FieldText f;
    const std::string& text = c->text;
    bool password = c->kind == ControlKind::PasswordEditText;
    f.shownOffset.assign(text.size() + 1, 0);
    for (size_t i = 0; i < text.size();) {
        char32_t value = 0;
        size_t length = decodeUtf8(text, i, &value);
        if (length == 0) {
            length = 1; // a byte that is not UTF-8 shows as a replacement character
        }
        size_t at = f.shown.size();
        for (size_t k = 0; k < length; ++k) {
            f.shownOffset[i + k] = at;
        }
        if (password) {
            f.shown += "\xE2\x80\xA2";
        } else if (decodeUtf8(text, i, &value) == 0) {
            f.shown += "\xEF\xBF\xBD";
        } else {
            f.shown.append(text, i, length);
        }
        i += length;
    }
    f.shownOffset[text.size()] = f.shown.size();
    return f;
}

// How far a field's text is scrolled to the left: the focused field keeps the end of its
// selection (its caret) in view; any other shows its beginning.
double fieldScroll(cairo_t* cr, ControlRef c, const FieldText& f) {
    bool focused = c->window != nullptr && c->window->focus == c;
    if (!focused) {
        return 0;
    }
    size_t end = std::min<size_t>(static_cast<size_t>(std::max<SInt16>(c->selection.selEnd, 0)),
                                  c->text.size());
    double caret = textWidth(cr, f.shown.substr(0, f.shownOffset[end]));
    double room = (c->bounds.right - c->bounds.left) - 2 * kFieldInset;
    return std::max(0.0, caret - room);
}

// Where a control is drawn, and whether it is drawn dimmed.
struct Box {
    double x, y, w, h;
    bool enabled;
};

// Each kind of control drawn into its box.
void drawPushButton(cairo_t* cr, ControlRef c, const Box& where) {
    auto [x, y, w, h, enabled] = where;
    bool isDefault = c->window != nullptr && c->window->defaultButton == c;
    roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, 5);
    if (isDefault) {
        setColour(cr, kAccent, enabled);
    } else {
        setColour(cr, kButtonFace, true);
    }
    cairo_fill_preserve(cr);
    setColour(cr, kFrame, enabled);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (isDefault) {
        cairo_set_source_rgba(cr, 1, 1, 1, enabled ? 1 : 0.6);
    } else {
        setColour(cr, kText, enabled);
    }
    drawText(cr, c->title, x + (w - textWidth(cr, c->title)) / 2, y, h);
}

void drawCheckOrRadio(cairo_t* cr, ControlRef c, const Box& where) {
    auto [x, y, w, h, enabled] = where;
    double box = std::min(14.0, h);
    double by = y + (h - box) / 2;
    if (c->kind == ControlKind::CheckBox) {
        roundedRect(cr, x + 0.5, by + 0.5, box - 1, box - 1, 3);
    } else {
        cairo_arc(cr, x + box / 2, by + box / 2, box / 2 - 0.5, 0, 6.28318);
    }
    setColour(cr, kFieldBackground, true);
    cairo_fill_preserve(cr);
    setColour(cr, kFrame, enabled);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (c->value != 0) {
        setColour(cr, kAccent, enabled);
        if (c->kind == ControlKind::CheckBox) {
            cairo_set_line_width(cr, 2);
            cairo_move_to(cr, x + 3, by + box / 2);
            cairo_line_to(cr, x + box / 2 - 1, by + box - 4);
            cairo_line_to(cr, x + box - 3, by + 3);
            cairo_stroke(cr);
        } else {
            cairo_arc(cr, x + box / 2, by + box / 2, box / 4, 0, 6.28318);
            cairo_fill(cr);
        }
    }
    setColour(cr, kText, enabled);
    drawText(cr, c->title, x + box + 6, y, h);
}

void drawPopupButton(cairo_t* cr, ControlRef c, const Box& where) {
    auto [x, y, w, h, enabled] = where;
    double boxX = x;
    if (!c->title.empty()) {
        setColour(cr, kText, enabled);
        drawText(cr, c->title, x, y, h);
        boxX = x + textWidth(cr, c->title) + 8;
    }
    double boxW = x + w - boxX;
    roundedRect(cr, boxX + 0.5, y + 0.5, boxW - 1, h - 1, 5);
    setColour(cr, kButtonFace, true);
    cairo_fill_preserve(cr);
    setColour(cr, kFrame, enabled);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    std::string item;
    if (c->value >= 1 && static_cast<size_t>(c->value) <= c->menuItems.size()) {
        item = c->menuItems[static_cast<size_t>(c->value) - 1];
    }
    setColour(cr, kText, enabled);
    drawText(cr, item, boxX + 8, y, h);
    drawText(cr, "\xE2\x96\xBE", boxX + boxW - 16, y, h);
}

void drawStaticText(cairo_t* cr, ControlRef c, const Box& where) {
    auto [x, y, w, h, enabled] = where;
    setColour(cr, kText, enabled);
    drawText(cr, c->title.empty() ? c->text : c->title, x, y, h);
}

void drawEditField(cairo_t* cr, ControlRef c, const Box& where) {
    // Plain copies: the lambda below captures x, which a structured binding can't give.
    double x = where.x, y = where.y, w = where.w, h = where.h;
    bool enabled = where.enabled;
    bool focused = c->window != nullptr && c->window->focus == c;
    cairo_rectangle(cr, x + 0.5, y + 0.5, w - 1, h - 1);
    setColour(cr, kFieldBackground, true);
    cairo_fill_preserve(cr);
    setColour(cr, focused ? kAccent : kFrame, enabled);
    cairo_set_line_width(cr, focused ? 2 : 1);
    cairo_stroke(cr);
    FieldText f = fieldText(c);
    double scroll = fieldScroll(cr, c, f);
    auto offsetX = [&](SInt16 byte) {
        size_t at =
            std::min<size_t>(static_cast<size_t>(std::max<SInt16>(byte, 0)), c->text.size());
        return x + kFieldInset - scroll + textWidth(cr, f.shown.substr(0, f.shownOffset[at]));
    };
    // The text stays inside the frame.
    cairo_rectangle(cr, x + 2, y + 2, w - 4, h - 4);
    cairo_clip(cr);
    if (focused && c->selection.selEnd > c->selection.selStart) {
        double from = offsetX(c->selection.selStart);
        double to = offsetX(c->selection.selEnd);
        cairo_rectangle(cr, from, y + 3, to - from, h - 6);
        cairo_set_source_rgba(cr, kAccent.r, kAccent.g, kAccent.b, 0.25);
        cairo_fill(cr);
    }
    setColour(cr, kText, enabled);
    drawText(cr, f.shown, x + kFieldInset - scroll, y, h);
    if (focused && c->selection.selEnd == c->selection.selStart) {
        double caret = std::floor(offsetX(c->selection.selStart)) + 0.5;
        cairo_move_to(cr, caret, y + 4);
        cairo_line_to(cr, caret, y + h - 4);
        cairo_set_line_width(cr, 1);
        setColour(cr, kText, enabled);
        cairo_stroke(cr);
    }
}

void drawOne(cairo_t* cr, ControlRef c) {
    double x = c->bounds.left;
    double y = c->bounds.top;
    double w = c->bounds.right - c->bounds.left;
    double h = c->bounds.bottom - c->bounds.top;
    Box box = {x, y, w, h, enabledInWindow(c)};
    cairo_save(cr);
    cairo_rectangle(cr, x - 2, y - 2, w + 4, h + 4);
    cairo_clip(cr);
    switch (c->kind) {
    case ControlKind::RootPane:
    case ControlKind::UserPane:
        break;
    case ControlKind::PushButton:
        drawPushButton(cr, c, box);
        break;
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
        drawCheckOrRadio(cr, c, box);
        break;
    case ControlKind::PopupButton:
        drawPopupButton(cr, c, box);
        break;
    case ControlKind::StaticText:
        drawStaticText(cr, c, box);
        break;
    case ControlKind::EditText:
    case ControlKind::PasswordEditText:
        drawEditField(cr, c, box);
        break;
    }
    cairo_restore(cr);
}

void drawItself(cairo_t* cr, ControlRef control) {
    bool handled = false;
    if (control->kind != ControlKind::RootPane &&
        hasHandlerFor(&control->target, kEventClassControl, kEventControlDraw)) {
        // The control draws itself into its window's port, which is current meanwhile.
        cairo_surface_flush(cairo_get_target(cr));
        GrafPtr saved = nullptr;
        GetPort(&saved);
        SetPortWindowPort(control->window);
        handled = sendControlDraw(control) != eventNotHandledErr;
        SetPort(saved);
        cairo_surface_mark_dirty(cairo_get_target(cr));
    }
    if (!handled) {
        drawOne(cr, control);
    }
}

void drawTree(cairo_t* cr, ControlRef control) {
    if (!visibleInWindow(control)) {
        return;
    }
    drawItself(cr, control);
    std::vector<ControlRef> children = control->children;
    for (ControlRef child : children) {
        drawTree(cr, child);
    }
}

cairo_t* contextFor(cairo_surface_t* surface) {
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, kFontSize);
    return cr;
}

} // namespace

bool visibleInWindow(ControlRef control) {
    for (ControlRef c = control; c != nullptr; c = c->parent) {
        if (!c->visible) {
            return false;
        }
    }
    return true;
}

bool enabledInWindow(ControlRef control) {
    for (ControlRef c = control; c != nullptr; c = c->parent) {
        if (!c->enabled) {
            return false;
        }
    }
    return true;
}

cairo_surface_t* portSurface(GrafPtr port) {
    if (port == nullptr || port->window == nullptr) {
        return nullptr;
    }
    if (port->surface == nullptr) {
        const Rect& b = port->window->bounds;
        int width = std::max(1, b.right - b.left);
        int height = std::max(1, b.bottom - b.top);
        port->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        cairo_t* cr = cairo_create(port->surface);
        cairo_set_source_rgb(cr, kWindowBackground.r, kWindowBackground.g, kWindowBackground.b);
        cairo_paint(cr);
        cairo_destroy(cr);
    }
    return port->surface;
}

void destroyPortSurface(GrafPtr port) {
    if (port != nullptr && port->surface != nullptr) {
        cairo_surface_destroy(port->surface);
        port->surface = nullptr;
    }
}

void eraseArea(GrafPtr port, const Rect& r) {
    cairo_surface_t* surface = portSurface(port);
    if (surface == nullptr) {
        return;
    }
    cairo_t* cr = cairo_create(surface);
    cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
    cairo_set_source_rgb(cr, kWindowBackground.r, kWindowBackground.g, kWindowBackground.b);
    cairo_fill(cr);
    cairo_destroy(cr);
    // A host's own surface keeps its background where the port is erased: it was painted with
    // the desktop's theme before the control drew itself.
    // An image the erased area touches no longer shows whole.
    std::erase_if(port->images, [&](const std::pair<Rect, std::string>& image) {
        const Rect& i = image.first;
        return i.left < r.right && r.left < i.right && i.top < r.bottom && r.top < i.bottom;
    });
}

void recordImage(GrafPtr port, const Rect& r, const std::string& name) {
    if (port == nullptr) {
        return;
    }
    std::erase_if(port->images, [&](const std::pair<Rect, std::string>& image) {
        const Rect& i = image.first;
        return i.left == r.left && i.top == r.top && i.right == r.right && i.bottom == r.bottom;
    });
    port->images.emplace_back(r, name);
}

size_t fieldOffsetAt(ControlRef field, int x) {
    if (field == nullptr || !isEditKind(field->kind)) {
        return 0;
    }
    cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
    cairo_t* cr = contextFor(scratch);
    FieldText f = fieldText(field);
    double left = field->bounds.left + kFieldInset - fieldScroll(cr, field, f);
    // The character boundary nearest to x.
    size_t best = 0;
    double bestDistance = 1e9;
    for (size_t byte = 0; byte <= field->text.size(); ++byte) {
        if (byte > 0 && byte < field->text.size() &&
            f.shownOffset[byte] == f.shownOffset[byte - 1]) {
            continue; // inside a character
        }
        double at = left + textWidth(cr, f.shown.substr(0, f.shownOffset[byte]));
        double distance = std::abs(at - x);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = byte;
        }
    }
    cairo_destroy(cr);
    cairo_surface_destroy(scratch);
    return best;
}

namespace {

// Draws into the port of the control's window with the draw function.
void drawInPort(ControlRef control, void (*draw)(cairo_t*, ControlRef)) {
    if (control == nullptr || control->window == nullptr) {
        return;
    }
    cairo_surface_t* surface = portSurface(&control->window->port);
    if (surface == nullptr) {
        return;
    }
    cairo_t* cr = contextFor(surface);
    draw(cr, control);
    cairo_destroy(cr);
}

} // namespace

void drawControlTree(ControlRef control) {
    drawInPort(control, drawTree);
}

void drawControlAlone(ControlRef control) {
    if (control != nullptr && visibleInWindow(control)) {
        drawInPort(control, drawItself);
    }
}

void renderWindow(WindowRef window) {
    if (window == nullptr) {
        return;
    }
    cairo_surface_t* surface = portSurface(&window->port);
    window->port.images.clear();
    cairo_t* cr = contextFor(surface);
    cairo_set_source_rgb(cr, kWindowBackground.r, kWindowBackground.g, kWindowBackground.b);
    cairo_paint(cr);
    drawTree(cr, window->root);
    cairo_destroy(cr);
}

} // namespace platform

namespace platform {

void drawControlOnto(ControlRef control, cairo_t* cr) {
    if (control == nullptr || control->window == nullptr) {
        return;
    }
    GrafPtr port = &control->window->port;
    port->mirror = cr;
    port->mirrorX = -control->bounds.left;
    port->mirrorY = -control->bounds.top;
    drawControlAlone(control);
    port->mirror = nullptr;
}

} // namespace platform
