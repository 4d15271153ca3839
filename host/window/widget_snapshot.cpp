// The pixels of a view's window, as the window system shows them.
#include "host/window/WidgetView.h"

#include <gtk/gtk.h>

bool WidgetView::snapshot(const std::string& path, std::string* error) {
    GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(gtkWindow_));
    if (gdkWindow == nullptr) {
        *error = "the window is not on the screen";
        return false;
    }
    // Everything drawn so far has reached the window system.
    gdk_display_sync(gdk_window_get_display(gdkWindow));
    GdkPixbuf* pixels = gdk_pixbuf_get_from_window(gdkWindow, 0, 0, gdk_window_get_width(gdkWindow),
                                                   gdk_window_get_height(gdkWindow));
    if (pixels == nullptr) {
        *error = "the window system gave no pixels";
        return false;
    }
    GError* failure = nullptr;
    bool saved = gdk_pixbuf_save(pixels, path.c_str(), "png", &failure, nullptr);
    if (!saved) {
        *error = path + ": " + (failure != nullptr ? failure->message : "not written");
        g_clear_error(&failure);
    }
    g_object_unref(pixels);
    return saved;
}
