// Where a view's widgets go. The nib places each control at fixed coordinates for the
// platform's small font; GTK's widgets, at the desktop's font and text scale, are larger. The
// layout keeps the nib's reading order and grouping and gives every widget its natural size:
// every control at a nib edge moves by the same amount, so what the nib aligned stays aligned,
// and just far enough right to clear what the nib puts before it on its line, and down to clear
// what is above it, each by the nib's gap. A caption keeps its words on one line; a longer text
// wraps at its nib width. The window is as large as what it holds, and may be made larger.
#include "host/window/WidgetView.h"

#include "host/window/ControlWidgets.h"
#include "host/window/WidgetInternals.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <map>

using PlatformHost::ControlKind;
using PlatformHost::ControlState;

namespace {

constexpr int kSmallestGap = 4; // between two controls that the nib puts closer, or on each other

struct Box {
    WidgetItem* item;
    Rect nib;
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;
};

// The size the widget needs, given the nib's rectangle.
void measure(Box* box) {
    GtkWidget* widget = box->item->outer;
    int nibWidth = std::max(box->nib.right - box->nib.left, 1);
    int nibHeight = std::max(box->nib.bottom - box->nib.top, 1);
    if (box->item->kind == ControlKind::UserPane) {
        box->width = nibWidth; // a picture is drawn at the nib's size
        box->height = nibHeight;
        return;
    }
    // What the widget asks for at no particular size (a label: on one line).
    gtk_widget_set_size_request(widget, -1, -1);
    if (box->item->kind == ControlKind::StaticText) {
        gtk_label_set_line_wrap(GTK_LABEL(box->item->widget), FALSE);
    }
    int least = 0, natural = 0;
    gtk_widget_get_preferred_width(widget, &least, &natural);
    box->width = std::max(nibWidth, natural);
    if (box->item->kind == ControlKind::StaticText && box->item->names == nullptr &&
        natural > nibWidth) {
        // A text longer than its place wraps there, between words.
        gtk_label_set_line_wrap(GTK_LABEL(box->item->widget), TRUE);
        gtk_widget_get_preferred_width(widget, &least, &natural);
        box->width = std::max(nibWidth, least);
    }
    int tall = 0, naturalHeight = 0;
    gtk_widget_get_preferred_height_for_width(widget, box->width, &tall, &naturalHeight);
    box->height = std::max(nibHeight, naturalHeight);
}

// One direction of the layout: where a box's nib starts and ends along it, the box's size
// along it, and whether two boxes share a line across it.
struct Axis {
    int (*start)(const Box&);
    int (*end)(const Box&);
    int (*size)(const Box&);
    bool (*shareLine)(const Box&, const Box&);
};

// How far each nib edge along the axis moves: the same for every control at that edge (what
// the nib aligned stays aligned), never less than the edge before it, and far enough that a
// control clears each one the nib puts before it on its line, by the nib's gap.
std::map<int, int> edgeShifts(const std::vector<Box>& boxes, const Axis& axis) {
    std::map<int, int> shift;
    for (const Box& box : boxes) {
        shift[axis.start(box)] = 0;
    }
    for (auto edge = shift.begin(); edge != shift.end(); ++edge) {
        if (edge != shift.begin()) {
            edge->second = std::max(edge->second, std::prev(edge)->second);
        }
        for (const Box& b : boxes) {
            if (axis.start(b) != edge->first) {
                continue;
            }
            for (const Box& a : boxes) {
                bool before = axis.end(a) <= axis.start(b) && axis.start(a) < axis.start(b);
                if (before && axis.shareLine(a, b)) {
                    int gap = std::max(axis.start(b) - axis.end(a), kSmallestGap);
                    int end = axis.start(a) + shift[axis.start(a)] + axis.size(a) + gap;
                    edge->second = std::max(edge->second, end - edge->first);
                }
            }
        }
    }
    return shift;
}

} // namespace

void WidgetView::layOut() {
    std::vector<Box> boxes;
    for (ControlRef control : order_) {
        WidgetItem* item = itemFor(control);
        ControlState state;
        if (item == nullptr || item->outer == nullptr || !PlatformHost::visibleInWindow(control) ||
            !PlatformHost::controlState(control, &state)) {
            continue;
        }
        Box box{item, state.bounds};
        measure(&box);
        boxes.push_back(box);
    }
    // Across: how far right each nib left edge moves, far enough that a control clears the
    // one the nib puts before it on its line.
    std::map<int, int> right =
        edgeShifts(boxes, {[](const Box& b) -> int { return b.nib.left; },
                           [](const Box& b) -> int { return b.nib.right; },
                           [](const Box& b) { return b.width; },
                           [](const Box& a, const Box& b) {
                               return a.nib.top < b.nib.bottom && b.nib.top < a.nib.bottom;
                           }});
    for (Box& box : boxes) {
        box.x = box.nib.left + right[box.nib.left];
    }
    // Down: the same for the nib's top edges, a control clearing every one above it that it
    // meets across where it now stands.
    std::map<int, int> down = edgeShifts(
        boxes,
        {[](const Box& b) -> int { return b.nib.top; },
         [](const Box& b) -> int { return b.nib.bottom; }, [](const Box& b) { return b.height; },
         [](const Box& a, const Box& b) { return a.x < b.x + b.width && b.x < a.x + a.width; }});
    for (Box& box : boxes) {
        box.y = box.nib.top + down[box.nib.top];
    }
    // The widgets move only when their place changed: a move lays the window out again.
    Updating updating(updating_);
    Rect window = {0, 0, 0, 0};
    GetWindowPortBounds(window_, &window);
    int width = window.right - window.left, height = window.bottom - window.top;
    width += right.empty() ? 0 : right.rbegin()->second;
    height += down.empty() ? 0 : down.rbegin()->second;
    for (const Box& box : boxes) {
        Rect placed = {static_cast<SInt16>(box.y), static_cast<SInt16>(box.x),
                       static_cast<SInt16>(box.y + box.height),
                       static_cast<SInt16>(box.x + box.width)};
        width = std::max(width, box.x + box.width + kSmallestGap);
        height = std::max(height, box.y + box.height + kSmallestGap);
        WidgetItem* item = box.item;
        gtk_widget_set_size_request(item->outer, box.width, box.height);
        if (!item->placed || placed.left != item->bounds.left || placed.top != item->bounds.top) {
            gtk_fixed_move(GTK_FIXED(fixed_), item->outer, box.x, box.y);
        }
        item->bounds = placed;
        item->placed = true;
    }
    gtk_widget_set_size_request(fixed_, width, height);
}

bool WidgetView::needs(ControlRef control, int* width, int* height) const {
    WidgetItem* item = itemFor(control);
    if (item == nullptr || item->outer == nullptr || !gtk_widget_get_mapped(item->outer)) {
        return false;
    }
    GtkAllocation a;
    gtk_widget_get_allocation(item->outer, &a);
    int natural = 0, tall = 0, naturalHeight = 0;
    gtk_widget_get_preferred_width(item->outer, width, &natural);
    gtk_widget_get_preferred_height_for_width(item->outer, a.width, &tall, &naturalHeight);
    *height = tall;
    return true;
}
