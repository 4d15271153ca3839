// The dialog that asks the user for the print server's password: the server and the user named,
// the password masked, a refused one said so. The password is taken out of the entry's buffer
// before the widget goes.
#pragma once

#include <gtk/gtk.h>

#include <string>

// False when the user cancelled. parent may be null.
bool askPassword(GtkWindow* parent, const std::string& user, const std::string& server, int attempt,
                 std::string* out);
