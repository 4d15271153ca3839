#include "host/window/PasswordDialog.h"

#include "host/HostText.h"
#include "host/printing/Passwords.h"

#include <iostream>

namespace {

void say(const std::string& line) {
    std::cout << line << std::endl;
}

} // namespace

bool askPassword(GtkWindow* parent, const std::string& user, const std::string& server, int attempt,
                 std::string* out) {
    GtkWidget* dialog = gtk_dialog_new_with_buttons(hostText("Password"), parent, GTK_DIALOG_MODAL,
                                                    hostText("_Cancel"), GTK_RESPONSE_CANCEL,
                                                    hostText("_OK"), GTK_RESPONSE_OK, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    GtkWidget* box = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
    gtk_container_set_border_width(GTK_CONTAINER(box), 12);
    gtk_box_set_spacing(GTK_BOX(box), 8);
    std::string question =
        attempt > 1
            ? hostText("The print server %1 asks for the password of %2. That password was "
                       "refused; try again (%3 of %4).",
                       {server, user, std::to_string(attempt), std::to_string(kPasswordAttempts)})
            : hostText("The print server %1 asks for the password of %2.", {server, user});
    GtkWidget* label = gtk_label_new(question.c_str());
    gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
    gtk_label_set_xalign(GTK_LABEL(label), 0);
    GtkWidget* userLine = gtk_label_new(hostText("User: %1", {user}).c_str());
    gtk_label_set_xalign(GTK_LABEL(userLine), 0);
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_visibility(GTK_ENTRY(entry), FALSE);
    gtk_entry_set_input_purpose(GTK_ENTRY(entry), GTK_INPUT_PURPOSE_PASSWORD);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    atk_object_set_name(gtk_widget_get_accessible(entry), hostText("Password"));
    gtk_box_pack_start(GTK_BOX(box), label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), userLine, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(box), entry, FALSE, FALSE, 0);
    gtk_widget_show_all(dialog);
    say("window: Password opened for " + user);
    bool given = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK;
    if (given) {
        *out = gtk_entry_get_text(GTK_ENTRY(entry));
    }
    // The entry's buffer is cleared before the widget goes.
    gtk_entry_set_text(GTK_ENTRY(entry), "");
    gtk_widget_destroy(dialog);
    say(std::string("password: ") + (given ? "given" : "cancelled"));
    return given;
}
