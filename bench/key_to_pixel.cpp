// Key to first changed pixel, as a person sees it: an XTest key goes to the X server, and the
// time runs until the field's rectangle on the screen first differs (XGetImage polling).
//
//   key-to-pixel plain            a plain GTK window with one GtkEntry, focused; prints
//                                 "field X Y W H" (screen pixels) once it is shown
//   key-to-pixel measure X Y W H N
//                                 N keys ('a' and BackSpace in turn) into the field at that
//                                 rectangle; prints "keys N median M ms p95 P ms"
//   key-to-pixel window           a plain GTK window with the dialog's widgets: as many entries,
//                                 labels, buttons, radio and check buttons, combo boxes and a
//                                 drawing area, in a GtkFixed of the dialog's size
//   key-to-pixel first-frame COMMAND [ARGUMENTS...]
//                                 starts the command and waits for the first pixel of its
//                                 window at the screen's top left corner; prints "first frame M
//                                 ms", then stops the command
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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
    // Beside the dialog, which takes the screen's top left corner, so both can be measured in
    // turn.
    gtk_window_move(GTK_WINDOW(window), 620, 0);
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

constexpr int kWatchedWidth = 120;
constexpr int kWatchedHeight = 30;

int measure(int x, int y, int w, int h, int count) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "key-to-pixel: no display\n");
        return 2;
    }
    // Both fields are watched through a window of the same size at their left, where the
    // typed character shows: reading back a larger area would take longer each poll.
    w = std::min(w, kWatchedWidth);
    h = std::min(h, kWatchedHeight);
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

// The widgets the dialog shows in full accounting with default codes, of the same kinds and at
// about the same places.
int window() {
    gtk_init(nullptr, nullptr);
    GtkWidget* top = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(top), "plain window");
    gtk_window_set_resizable(GTK_WINDOW(top), FALSE);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_widget_set_size_request(fixed, 600, 494);
    auto put = [&](GtkWidget* widget, int x, int y, int w, int h) {
        gtk_widget_set_size_request(widget, w, h);
        gtk_fixed_put(GTK_FIXED(fixed), widget, x, y);
    };
    auto combo = [](std::initializer_list<const char*> items) {
        GtkWidget* box = gtk_combo_box_text_new();
        for (const char* item : items) {
            gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(box), item);
        }
        gtk_combo_box_set_active(GTK_COMBO_BOX(box), 0);
        return box;
    };
    put(gtk_label_new("Printer:"), 20, 8, 60, 34);
    put(combo({"quorv.ppd", "acme.ppd"}), 80, 8, 500, 34);
    put(gtk_label_new("Accounting:"), 70, 84, 80, 22);
    put(combo({"Off", "Full accounting"}), 150, 84, 200, 34);
    GtkWidget* picture = gtk_drawing_area_new();
    put(picture, 470, 80, 64, 64);
    GtkWidget* ask = gtk_radio_button_new_with_label(nullptr, "Ask for the codes at print time");
    put(ask, 70, 124, 310, 22);
    put(gtk_check_button_new_with_label("Conceal user ID"), 90, 148, 200, 22);
    put(gtk_check_button_new_with_label("Conceal account ID"), 90, 170, 200, 22);
    put(gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(ask), "Use these codes:"), 70,
        200, 310, 22);
    put(gtk_label_new("User ID:"), 90, 226, 100, 18);
    put(gtk_entry_new(), 90, 250, 260, 34);
    put(gtk_label_new("Account ID:"), 90, 282, 100, 18);
    put(gtk_entry_new(), 90, 306, 260, 34);
    put(gtk_label_new("Account type:"), 90, 340, 100, 18);
    put(combo({"User ID only", "User and account ID"}), 190, 340, 160, 34);
    put(gtk_label_new("Accounting is off: jobs print without codes."), 70, 380, 300, 18);
    put(gtk_button_new_with_label("Cancel"), 380, 440, 90, 34);
    put(gtk_button_new_with_label("Print"), 480, 440, 100, 34);
    put(gtk_label_new(""), 20, 470, 560, 18);
    gtk_container_add(GTK_CONTAINER(top), fixed);
    g_signal_connect(top, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(top);
    gtk_main();
    return 0;
}

int firstFrame(char** command) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "key-to-pixel: no display\n");
        return 2;
    }
    constexpr int kCorner = 64; // the window's top left corner, where it first shows
    std::vector<unsigned char> before = grab(display, 0, 0, kCorner, kCorner);
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    auto deadline = start + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline &&
           grab(display, 0, 0, kCorner, kCorner) == before) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    auto end = std::chrono::steady_clock::now();
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    XCloseDisplay(display);
    if (end >= deadline) {
        std::fprintf(stderr, "key-to-pixel: %s showed nothing\n", command[0]);
        return 1;
    }
    std::printf("first frame %.1f ms\n",
                std::chrono::duration<double, std::milli>(end - start).count());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "window") == 0) {
        return window();
    }
    if (argc >= 3 && std::strcmp(argv[1], "first-frame") == 0) {
        return firstFrame(argv + 2);
    }
    if (argc == 2 && std::strcmp(argv[1], "plain") == 0) {
        return plain();
    }
    if (argc == 7 && std::strcmp(argv[1], "measure") == 0) {
        return measure(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                       std::atoi(argv[5]), std::atoi(argv[6]));
    }
    std::fprintf(stderr, "usage: key-to-pixel plain | measure X Y W H N | window | "
                         "first-frame COMMAND [ARGUMENTS...]\n");
    return 2;
}
