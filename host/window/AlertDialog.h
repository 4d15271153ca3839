// An alert, shown as the desktop shows one: the message, its explanation below it, OK to go on.
// It is a dialog with the alert role, named by a short title and its message readable, over the
// window it concerns (when there is one) and modal to it.
#pragma once

#include <gtk/gtk.h>

#include <string>

// Runs the alert until the user dismisses it. parent may be null; title empty: the message.
void runAlert(GtkWindow* parent, GtkMessageType type, const std::string& title,
              const std::string& message, const std::string& explanation);
