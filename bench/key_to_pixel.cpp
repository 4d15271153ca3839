// Key to first changed pixel, as a person sees it: an XTest key goes to the X server, and the
// time runs until the field's rectangle on the screen first differs (XGetImage polling).
//
//   key-to-pixel plain            a plain GTK window with one GtkEntry, focused; prints
//                                 "field X Y W H" (screen pixels) once it is shown
//   key-to-pixel measure X Y W H N
//                                 N keys ('a' and BackSpace in turn) into the field at that
//                                 rectangle; prints "keys N median M ms p95 P ms"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// The entry's place on the screen, once, when it is first drawn.
gboolean tellPlace(GtkWidget* widget, cairo_t*, gpointer) {
    static bool told = false;
    if (!told) {
        told = true;
        int x = 0, y = 0;
        gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
        GtkAllocation a;
        gtk_widget_get_allocation(widget, &a);
        std::printf("field %d %d %d %d\n", x + a.x, y + a.y, a.width, a.height);
        std::fflush(stdout);
    }
    return FALSE;
}

int plain() {
    gtk_init(nullptr, nullptr);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "plain entry");
    gtk_window_set_default_size(GTK_WINDOW(window), 400, 120);
    GtkWidget* fixed = gtk_fixed_new();
    GtkWidget* entry = gtk_entry_new();
    gtk_widget_set_size_request(entry, 200, 24);
    gtk_fixed_put(GTK_FIXED(fixed), entry, 40, 40);
    gtk_container_add(GTK_CONTAINER(window), fixed);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    g_signal_connect(entry, "draw", G_CALLBACK(tellPlace), nullptr);
    gtk_widget_show_all(window);
    gtk_widget_grab_focus(entry);
    gtk_main();
    return 0;
}

std::vector<unsigned char> grab(Display* display, int x, int y, int w, int h) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
    std::vector<unsigned char> pixels;
    if (image != nullptr) {
        size_t size = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(h);
        pixels.assign(image->data, image->data + size);
        XDestroyImage(image);
    }
    return pixels;
}

int measure(int x, int y, int w, int h, int count) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "key-to-pixel: no display\n");
        return 2;
    }
    // The keys go where the pointer is when no window manager gives the focus.
    XTestFakeMotionEvent(display, -1, x + w / 2, y + h / 2, 0);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const KeyCode keys[] = {XKeysymToKeycode(display, XK_a),
                            XKeysymToKeycode(display, XK_BackSpace)};
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        std::vector<unsigned char> before = grab(display, x, y, w, h);
        auto start = std::chrono::steady_clock::now();
        XTestFakeKeyEvent(display, keys[i % 2], True, 0);
        XTestFakeKeyEvent(display, keys[i % 2], False, 0);
        XFlush(display);
        auto deadline = start + std::chrono::seconds(1);
        while (std::chrono::steady_clock::now() < deadline && grab(display, x, y, w, h) == before) {
        }
        auto end = std::chrono::steady_clock::now();
        if (end < deadline) {
            times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        }
        // Let the field's caret blink or frame settle before the next key.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    XCloseDisplay(display);
    if (times.empty()) {
        std::fprintf(stderr, "key-to-pixel: no key changed the field\n");
        return 1;
    }
    std::sort(times.begin(), times.end());
    std::printf("keys %zu median %.2f ms p95 %.2f ms\n", times.size(), times[times.size() / 2],
                times[std::min(times.size() - 1, times.size() * 95 / 100)]);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "plain") == 0) {
        return plain();
    }
    if (argc == 7 && std::strcmp(argv[1], "measure") == 0) {
        return measure(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                       std::atoi(argv[5]), std::atoi(argv[6]));
    }
    std::fprintf(stderr, "usage: key-to-pixel plain | key-to-pixel measure X Y W H N\n");
    return 2;
}
