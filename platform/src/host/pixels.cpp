#include <PlatformHost.h>

#include "../graphics/ImageSources.h"
#include "../hitoolbox/Toolbox.h"

#include <cairo.h>

namespace PlatformHost {

void renderWindow(WindowRef window) {
    platform::renderWindow(window);
}

void renderControl(ControlRef control) {
    platform::drawControlAlone(control);
}

void drawControlOnto(ControlRef control, cairo_t* cr) {
    platform::drawControlOnto(control, cr);
}

uint32_t portPixel(WindowRef window, int x, int y) {
    cairo_surface_t* surface = platform::portSurface(GetWindowPort(window));
    if (surface == nullptr) {
        return 0;
    }
    cairo_surface_flush(surface);
    int width = cairo_image_surface_get_width(surface);
    int height = cairo_image_surface_get_height(surface);
    if (x < 0 || y < 0 || x >= width || y >= height) {
        return 0;
    }
    const unsigned char* row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const uint32_t*>(row)[x];
}

bool writePortPNG(WindowRef window, const std::string& path, std::string* error) {
    cairo_surface_t* surface = platform::portSurface(GetWindowPort(window));
    if (surface == nullptr) {
        *error = "no window";
        return false;
    }
    cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        *error = path + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

cairo_surface_t* portSurface(WindowRef window) {
    cairo_surface_t* surface = platform::portSurface(GetWindowPort(window));
    if (surface != nullptr) {
        cairo_surface_flush(surface);
    }
    return surface;
}

namespace {

ControlRef hitIn(ControlRef control, int x, int y) {
    if (!platform::visibleInWindow(control)) {
        return nullptr;
    }
    const Rect& b = control->bounds;
    bool inside = x >= b.left && x < b.right && y >= b.top && y < b.bottom;
    // Children are drawn after their parent, later siblings over earlier ones.
    for (auto it = control->children.rbegin(); it != control->children.rend(); ++it) {
        if (ControlRef hit = hitIn(*it, x, y)) {
            return hit;
        }
    }
    return inside && control->kind != platform::ControlKind::RootPane ? control : nullptr;
}

} // namespace

ControlRef controlAt(WindowRef window, int x, int y) {
    return window == nullptr ? nullptr : hitIn(window->root, x, y);
}

size_t fieldOffsetAt(ControlRef field, int x) {
    return platform::fieldOffsetAt(field, x);
}

void setImageSourcesAvailable(bool available) {
    platform::setImageSourcesAvailable(available);
}

} // namespace PlatformHost
