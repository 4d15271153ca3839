#include "host/window/AlertDialog.h"

void runAlert(GtkWindow* parent, GtkMessageType type, const std::string& title,
              const std::string& message, const std::string& explanation) {
    GtkWidget* alert = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, type, GTK_BUTTONS_OK, "%s",
                                              message.c_str());
    if (!explanation.empty()) {
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(alert), "%s",
                                                 explanation.c_str());
    }
    const std::string& name = title.empty() ? message : title;
    gtk_window_set_title(GTK_WINDOW(alert), name.c_str());
    gtk_window_set_type_hint(GTK_WINDOW(alert), GDK_WINDOW_TYPE_HINT_DIALOG);
    // A screen reader says "alert", its name and its text, not "Error" or "Warning".
    AtkObject* accessible = gtk_widget_get_accessible(alert);
    atk_object_set_role(accessible, ATK_ROLE_ALERT);
    atk_object_set_name(accessible, name.c_str());
    atk_object_set_description(accessible,
                               (message + (explanation.empty() ? "" : " " + explanation)).c_str());
    gtk_dialog_run(GTK_DIALOG(alert));
    gtk_widget_destroy(alert);
}
