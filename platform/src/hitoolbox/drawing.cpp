// Legible drawings of the control kinds, into the window's pixels.
#include "../common/Unicode.h"
#include "Toolbox.h"

#include <cairo.h>

#include <string>

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

std::string bullets(const std::string& text) {
    std::u16string units = utf8ToUtf16Lenient(text);
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        if (units[i] >= 0xDC00 && units[i] <= 0xDFFF) {
            continue;
        }
        out += "\xE2\x80\xA2";
    }
    return out;
}

void drawOne(cairo_t* cr, ControlRef c) {
    double x = c->bounds.left;
    double y = c->bounds.top;
    double w = c->bounds.right - c->bounds.left;
    double h = c->bounds.bottom - c->bounds.top;
    bool enabled = enabledInWindow(c);
    cairo_save(cr);
    cairo_rectangle(cr, x - 2, y - 2, w + 4, h + 4);
    cairo_clip(cr);
    switch (c->kind) {
    case ControlKind::RootPane:
    case ControlKind::UserPane:
        break;
    case ControlKind::PushButton: {
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
        break;
    }
    case ControlKind::CheckBox:
    case ControlKind::RadioButton: {
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
        break;
    }
    case ControlKind::PopupButton: {
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
        break;
    }
    case ControlKind::StaticText:
        setColour(cr, kText, enabled);
        drawText(cr, c->title.empty() ? c->text : c->title, x, y, h);
        break;
    case ControlKind::EditText:
    case ControlKind::PasswordEditText: {
        bool focused = c->window != nullptr && c->window->focus == c;
        cairo_rectangle(cr, x + 0.5, y + 0.5, w - 1, h - 1);
        setColour(cr, kFieldBackground, true);
        cairo_fill_preserve(cr);
        setColour(cr, focused ? kAccent : kFrame, enabled);
        cairo_set_line_width(cr, focused ? 2 : 1);
        cairo_stroke(cr);
        setColour(cr, kText, enabled);
        std::string shown = c->kind == ControlKind::PasswordEditText ? bullets(c->text) : c->text;
        drawText(cr, shown, x + 4, y, h);
        break;
    }
    }
    cairo_restore(cr);
}

void drawTree(cairo_t* cr, ControlRef control) {
    if (!visibleInWindow(control)) {
        return;
    }
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
}

void drawControlTree(ControlRef control) {
    if (control == nullptr || control->window == nullptr) {
        return;
    }
    cairo_surface_t* surface = portSurface(&control->window->port);
    if (surface == nullptr) {
        return;
    }
    cairo_t* cr = contextFor(surface);
    drawTree(cr, control);
    cairo_destroy(cr);
}

void renderWindow(WindowRef window) {
    if (window == nullptr) {
        return;
    }
    cairo_surface_t* surface = portSurface(&window->port);
    cairo_t* cr = contextFor(surface);
    cairo_set_source_rgb(cr, kWindowBackground.r, kWindowBackground.g, kWindowBackground.b);
    cairo_paint(cr);
    drawTree(cr, window->root);
    cairo_destroy(cr);
}

} // namespace platform
