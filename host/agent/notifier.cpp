#include "host/agent/Notifier.h"

#include <libnotify/notify.h>

Notifier::Notifier() : ready_(notify_init("accounting-agent")) {}

Notifier::~Notifier() {
    if (ready_) {
        notify_uninit();
    }
}

bool Notifier::notify(const std::string& summary, const std::string& body, std::string* why) {
    if (!ready_) {
        *why = "libnotify could not start";
        return false;
    }
    // The body is read as markup: what the server named (a job's name) is escaped, so that it
    // shows as written.
    gchar* escaped = g_markup_escape_text(body.c_str(), static_cast<gssize>(body.size()));
    NotifyNotification* notification = notify_notification_new(summary.c_str(), escaped, "printer");
    g_free(escaped);
    notify_notification_set_app_name(notification, "accounting-agent");
    GError* error = nullptr;
    bool shown = notify_notification_show(notification, &error);
    if (!shown) {
        *why = error != nullptr ? error->message : "the notification server refused it";
        g_clear_error(&error);
    }
    g_object_unref(notification);
    return shown;
}
